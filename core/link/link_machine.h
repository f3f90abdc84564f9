#pragma once

#include "link/backoff.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

// Decides, for one saved share, when to (re)mount it and when to tell the user that its line dropped or came
// back. It reads no clock and does no I/O: the owner passes the time with each event and carries out the
// action that comes back.
class LinkMachine {
public:
    enum class Phase { idle, mounting, connected, stale, serverDown, waiting, failed };

    // Something the owner observed about the share, its server or the computer.
    struct Event {
        enum class Kind {
            mountFailed,
            server,
            userMount,
            userUnmount,
            mountSucceeded,
            mountAppeared,
            mountDisappeared,
            mountStale,
            mountResponsive,
            wake,
            networkChanged,
            tick,
        };

        Kind kind;
        bool retryable = false; // mountFailed only
        bool reachable = false; // server only

        static Event mountFailed(bool retryable) { return {Kind::mountFailed, retryable, false}; }
        static Event server(bool reachable) { return {Kind::server, false, reachable}; }
        static Event userMount() { return {Kind::userMount}; }
        static Event userUnmount() { return {Kind::userUnmount}; }
        static Event mountSucceeded() { return {Kind::mountSucceeded}; }
        static Event mountAppeared() { return {Kind::mountAppeared}; }
        static Event mountDisappeared() { return {Kind::mountDisappeared}; }
        static Event mountStale() { return {Kind::mountStale}; }
        static Event mountResponsive() { return {Kind::mountResponsive}; }
        static Event wake() { return {Kind::wake}; }
        static Event networkChanged() { return {Kind::networkChanged}; }
        static Event tick() { return {Kind::tick}; }

        friend bool operator==(const Event&, const Event&) = default;
    };

    enum class Action { mount, notifyDropped, notifyRecovered };

    LinkMachine(bool keepConnected, Backoff backoff);

    // Applies one event; most events give no action, none gives more than one.
    std::optional<Action> handle(const Event& event, const QDateTime& now);

    void setKeepConnected(bool on);

    // Schedules an immediate automatic mount at start-up for a share that is kept connected.
    void arm(const QDateTime& now);

    Phase phase() const { return m_phase; }
    bool isMounted() const { return m_isMounted; }
    std::optional<bool> serverReachable() const { return m_serverReachable; }
    std::int64_t attempt() const { return m_attempt; }
    std::optional<QDateTime> nextAttempt() const { return m_nextAttempt; }
    bool dropped() const { return m_dropped; }
    bool userDetached() const { return m_userDetached; }

    friend bool operator==(const LinkMachine&, const LinkMachine&) = default;

    // The owner refreshes both from the share and the settings before every event.
    bool keepConnected;
    Backoff backoff;

private:
    bool wanted() const { return keepConnected && !m_userDetached; }
    void resetSchedule();
    void scheduleRetry(const QDateTime& now, double seconds);
    std::optional<Action> announceDrop();
    std::optional<Action> announceRecovery();

    std::optional<Action> mountFailed(bool retryable, const QDateTime& now);
    std::optional<Action> server(bool reachable);
    std::optional<Action> userMount();
    std::optional<Action> mountAppeared();
    std::optional<Action> mountDisappeared(const QDateTime& now);
    std::optional<Action> mountStale();
    std::optional<Action> mountResponsive();
    std::optional<Action> wakeOrNetworkChange(const QDateTime& now);
    std::optional<Action> tick(const QDateTime& now);

    Phase m_phase = Phase::idle;
    bool m_isMounted = false;
    std::optional<bool> m_serverReachable;
    std::int64_t m_attempt = 0;
    std::optional<QDateTime> m_nextAttempt;
    bool m_dropped = false;
    bool m_userDetached = false;
};

QString toRaw(LinkMachine::Phase phase);
std::optional<LinkMachine::Phase> phaseFromRaw(const QString& raw);
