#include "link/link_machine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

using Phase = LinkMachine::Phase;
using Action = LinkMachine::Action;

namespace {

// A wake or a new network path deserves a quick retry, but not before the network settles.
constexpr double settleAfterWake = 2.0;

constexpr std::array<std::pair<Phase, const char*>, 7> phaseNames{{
    {Phase::idle, "idle"},
    {Phase::mounting, "mounting"},
    {Phase::connected, "connected"},
    {Phase::stale, "stale"},
    {Phase::serverDown, "serverDown"},
    {Phase::waiting, "waiting"},
    {Phase::failed, "failed"},
}};

bool isRetryPhase(Phase phase)
{
    return phase == Phase::waiting || phase == Phase::failed;
}

} // namespace

LinkMachine::LinkMachine(bool keepConnected, Backoff backoff)
    : keepConnected(keepConnected)
    , backoff(backoff)
{
}

std::optional<Action> LinkMachine::handle(const Event& event, const QDateTime& now)
{
    using Kind = Event::Kind;
    switch (event.kind) {
    case Kind::mountFailed:
        return mountFailed(event.retryable, now);
    case Kind::server:
        return server(event.reachable);
    case Kind::userMount:
        return userMount();
    case Kind::userUnmount:
        m_userDetached = true;
        m_isMounted = false;
        // An ejected line is not an outage, so its drop is forgotten rather than answered by a recovery.
        m_dropped = false;
        resetSchedule();
        m_phase = Phase::idle;
        return std::nullopt;
    case Kind::mountSucceeded:
        m_isMounted = true;
        resetSchedule();
        m_phase = Phase::connected;
        return announceRecovery();
    case Kind::mountAppeared:
        return mountAppeared();
    case Kind::mountDisappeared:
        return mountDisappeared(now);
    case Kind::mountStale:
        return mountStale();
    case Kind::mountResponsive:
        return mountResponsive();
    case Kind::wake:
    case Kind::networkChanged:
        return wakeOrNetworkChange(now);
    case Kind::tick:
        return tick(now);
    }
    return std::nullopt;
}

void LinkMachine::setKeepConnected(bool on)
{
    keepConnected = on;
    if (!on && !m_isMounted && (m_phase == Phase::serverDown || m_phase == Phase::waiting)) {
        m_phase = Phase::idle;
        resetSchedule();
        m_dropped = false;
    }
}

void LinkMachine::arm(const QDateTime& now)
{
    if (m_isMounted || !keepConnected)
        return;
    m_userDetached = false;
    m_phase = Phase::waiting;
    m_nextAttempt = now;
}

void LinkMachine::resetSchedule()
{
    m_attempt = 0;
    m_nextAttempt.reset();
}

void LinkMachine::scheduleRetry(const QDateTime& now, double seconds)
{
    // The owner may hand in any back-off from the settings; keep the arithmetic on dates finite.
    constexpr double longest = 1e10;
    const double bounded = std::isnan(seconds) ? 0.0 : std::clamp(seconds, 0.0, longest);
    m_phase = Phase::waiting;
    m_nextAttempt = now.addMSecs(std::llround(bounded * 1000.0));
}

std::optional<Action> LinkMachine::announceDrop()
{
    if (m_dropped)
        return std::nullopt;
    m_dropped = true;
    return Action::notifyDropped;
}

std::optional<Action> LinkMachine::announceRecovery()
{
    if (!m_dropped)
        return std::nullopt;
    m_dropped = false;
    return Action::notifyRecovered;
}

std::optional<Action> LinkMachine::mountFailed(bool retryable, const QDateTime& now)
{
    if (m_phase != Phase::mounting)
        return std::nullopt;
    ++m_attempt;
    if (wanted() && retryable) {
        scheduleRetry(now, backoff.delay(m_attempt - 1));
    } else {
        m_phase = Phase::failed;
        m_nextAttempt.reset();
    }
    return std::nullopt;
}

std::optional<Action> LinkMachine::server(bool reachable)
{
    const std::optional<bool> previous = std::exchange(m_serverReachable, reachable);
    const bool wasDown = previous == false;

    if (!reachable) {
        if (wasDown)
            return std::nullopt;
        if (m_isMounted) {
            m_phase = Phase::serverDown;
            return announceDrop();
        }
        if (wanted() && isRetryPhase(m_phase))
            m_phase = Phase::serverDown;
        return std::nullopt;
    }

    if (m_isMounted) {
        if (m_phase != Phase::stale && m_phase != Phase::serverDown)
            return std::nullopt;
        m_phase = Phase::connected;
        return announceRecovery();
    }
    // A server that answers again is worth a mount at once instead of waiting out the back-off.
    if (wanted() && (m_phase == Phase::serverDown || (isRetryPhase(m_phase) && wasDown))) {
        resetSchedule();
        m_phase = Phase::mounting;
        return Action::mount;
    }
    return std::nullopt;
}

std::optional<Action> LinkMachine::userMount()
{
    m_userDetached = false;
    resetSchedule();
    if (m_isMounted) {
        m_phase = Phase::connected;
        return std::nullopt;
    }
    if (m_phase == Phase::mounting)
        return std::nullopt;
    m_phase = Phase::mounting;
    return Action::mount;
}

std::optional<Action> LinkMachine::mountAppeared()
{
    m_isMounted = true;
    resetSchedule();
    // Mounted but the server is judged down: the line stays as it is until the server answers.
    if (m_serverReachable == false)
        return std::nullopt;
    m_phase = Phase::connected;
    return announceRecovery();
}

std::optional<Action> LinkMachine::mountDisappeared(const QDateTime& now)
{
    if (!m_isMounted)
        return std::nullopt;
    m_isMounted = false;
    if (!wanted()) {
        m_phase = Phase::idle;
        return std::nullopt;
    }
    const std::optional<Action> action = announceDrop();
    if (m_serverReachable == false) {
        m_phase = Phase::serverDown;
    } else {
        m_attempt = 0;
        scheduleRetry(now, backoff.delay(-1));
    }
    return action;
}

std::optional<Action> LinkMachine::mountStale()
{
    if (!m_isMounted || m_phase == Phase::stale)
        return std::nullopt;
    m_phase = Phase::stale;
    return announceDrop();
}

std::optional<Action> LinkMachine::mountResponsive()
{
    if (!m_isMounted || m_phase != Phase::stale)
        return std::nullopt;
    if (m_serverReachable == false) {
        m_phase = Phase::serverDown;
        return std::nullopt;
    }
    m_phase = Phase::connected;
    return announceRecovery();
}

std::optional<Action> LinkMachine::wakeOrNetworkChange(const QDateTime& now)
{
    m_attempt = 0;
    if (!m_isMounted && wanted() && (m_phase == Phase::serverDown || isRetryPhase(m_phase)))
        scheduleRetry(now, settleAfterWake);
    return std::nullopt;
}

std::optional<Action> LinkMachine::tick(const QDateTime& now)
{
    const bool due = m_phase == Phase::waiting && wanted() && m_nextAttempt && now >= *m_nextAttempt
        && m_serverReachable != false;
    if (!due)
        return std::nullopt;
    m_phase = Phase::mounting;
    // The attempt count stays, so a further failure waits longer.
    m_nextAttempt.reset();
    return Action::mount;
}

QString toRaw(Phase phase)
{
    for (const auto& [value, name] : phaseNames) {
        if (value == phase)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<Phase> phaseFromRaw(const QString& raw)
{
    for (const auto& [value, name] : phaseNames) {
        if (raw == QLatin1String(name))
            return value;
    }
    return std::nullopt;
}
