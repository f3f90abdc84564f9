#include "views/dash_ticker.h"

#include "views/signal_line.h"

#include <QDateTime>

#include <cmath>

namespace {

// Seconds from the Unix epoch to 2001-01-01 UTC, the reference date the phase is counted from.
constexpr qint64 referenceDateMs = 978307200LL * 1000;

} // namespace

DashTicker& DashTicker::shared()
{
    static DashTicker ticker;
    return ticker;
}

DashTicker::DashTicker()
{
    // A coarse timer may fire early by a few percent, which would exceed the frame rate.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(frameIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &DashTicker::frame);
}

void DashTicker::attach(const QObject* client)
{
    m_clients.insert(client);
    if (!m_timer.isActive())
        m_timer.start();
}

void DashTicker::detach(const QObject* client)
{
    m_clients.remove(client);
    if (m_clients.isEmpty())
        m_timer.stop();
}

const int DashTicker::frameIntervalMs
    = int(1000 * SignalLinePainter::dashPeriod / framesPerPeriod / SignalLinePainter::dashSpeed);

int DashTicker::frameNow()
{
    const qint64 sinceReference = QDateTime::currentMSecsSinceEpoch() - referenceDateMs;
    const double phase = SignalLinePainter::dashPhase(static_cast<double>(sinceReference) / 1000.0);
    // The phase runs down from zero; each step is an eighth of a period further along.
    const double along = std::fmod(-phase, SignalLinePainter::dashPeriod);
    return int(along / SignalLinePainter::dashPeriod * framesPerPeriod) % framesPerPeriod;
}

double DashTicker::phaseOf(int frame)
{
    return -SignalLinePainter::dashPeriod * frame / framesPerPeriod;
}
