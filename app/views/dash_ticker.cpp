#include "views/dash_ticker.h"

#include "views/signal_line.h"

#include <QDateTime>

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

double DashTicker::phaseNow()
{
    const qint64 sinceReference = QDateTime::currentMSecsSinceEpoch() - referenceDateMs;
    return SignalLinePainter::dashPhase(static_cast<double>(sinceReference) / 1000.0);
}
