#pragma once

#include <QObject>
#include <QSet>
#include <QTimer>

// The one frame clock of running dashed lines: ticks while at least one line is attached, and not at all
// otherwise, so an idle board costs nothing. The dashes move in a few fixed steps per dash period, one a
// tick: a running line cycles through a handful of images that it draws once.
class DashTicker : public QObject {
    Q_OBJECT

public:
    static DashTicker& shared();

    void attach(const QObject* client);
    void detach(const QObject* client);
    bool running() const { return m_timer.isActive(); }
    int clients() const { return static_cast<int>(m_clients.size()); }

    // The step every running line shows now, so that all of them move in step, and its dash phase.
    static int frameNow();
    static double phaseOf(int frame);

    // Six steps per period move the dashes under a point and a half a step at the 11 ticks a second it
    // takes to keep their speed: still smooth motion, at three quarters of the wake-ups of eight steps.
    static constexpr int framesPerPeriod = 6;
    static const int frameIntervalMs;

Q_SIGNALS:
    void frame();

private:
    DashTicker();

    QTimer m_timer;
    QSet<const QObject*> m_clients;
};
