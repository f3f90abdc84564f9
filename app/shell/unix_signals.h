#pragma once

#include <QObject>

#include <initializer_list>

class QSocketNotifier;

// Turns the termination signals a desktop session sends (SIGTERM at logout, SIGINT, SIGHUP) into a Qt
// signal on the main thread, so the application ends through its normal path: state saved, update
// installed. The handler itself only writes the signal's number to a pipe.
class UnixSignals : public QObject {
    Q_OBJECT
public:
    // One at a time: the handlers write to this object's pipe. The default handlers come back when it is gone.
    explicit UnixSignals(std::initializer_list<int> caught, QObject* parent = nullptr);
    ~UnixSignals() override;

    bool isListening() const { return notifier_ != nullptr; }

Q_SIGNALS:
    void received(int signal);

private:
    void drain();

    QList<int> caught_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};
