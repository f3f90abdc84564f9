#pragma once

#include <QObject>
#include <QSet>
#include <QTimer>

// The one frame clock of running dashed lines: ticks at most 30 times a second while at least one line
// is attached, and not at all otherwise, so an idle board costs nothing.
class DashTicker : public QObject {
    Q_OBJECT

public:
    static DashTicker& shared();

    void attach(const QObject* client);
    void detach(const QObject* client);
    bool running() const { return m_timer.isActive(); }
    int clients() const { return static_cast<int>(m_clients.size()); }

    // The phase every running line draws with now, so that all of them move in step.
    static double phaseNow();

    static constexpr int frameIntervalMs = 34; // just over 1/30 s

Q_SIGNALS:
    void frame();

private:
    DashTicker();

    QTimer m_timer;
    QSet<const QObject*> m_clients;
};
