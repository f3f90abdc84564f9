#include "link/link_machine.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Event = LinkMachine::Event;
using enum LinkMachine::Action;
using enum LinkMachine::Phase;

const QDateTime t0 = QDateTime(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
const Backoff standard {5, 300};
constexpr std::nullopt_t nothing = std::nullopt;

QDateTime at(double seconds)
{
    return t0.addMSecs(qint64(seconds * 1000));
}

struct Step {
    Event event;
    double at;
    std::optional<LinkMachine::Action> action;
    LinkMachine::Phase phase;
};

// Feeds the events in order, checking the action and the phase after each.
void play(LinkMachine& m, const std::vector<Step>& steps)
{
    int index = 0;
    for (const Step& step : steps) {
        EXPECT_EQ(m.handle(step.event, at(step.at)), step.action) << "step " << index;
        EXPECT_EQ(m.phase(), step.phase) << "step " << index++;
    }
}

// A line that has been through these events at t0.
LinkMachine line(std::initializer_list<Event> history, bool keep = true)
{
    LinkMachine m(keep, standard);
    for (const Event& event : history)
        m.handle(event, t0);
    return m;
}

const LinkMachine mountedLine = line({Event::userMount(), Event::mountSucceeded()});
const LinkMachine waitingAfterDrop = line({Event::userMount(), Event::mountSucceeded(), Event::mountDisappeared()});
const LinkMachine staleLine = line({Event::userMount(), Event::mountSucceeded(), Event::mountStale()});
const LinkMachine failedLine = line({Event::userMount(), Event::mountFailed(false)});

// As at start-up, before the first tick.
LinkMachine armedLine(bool keep)
{
    LinkMachine m(keep, standard);
    m.arm(t0);
    return m;
}

TEST(Backoff, DoublesFromBaseUpToTheCapAndNeverOverflows)
{
    std::vector<double> delays;
    for (int attempt = 0; attempt < 8; ++attempt)
        delays.push_back(standard.delay(attempt));
    EXPECT_EQ(delays, (std::vector<double> {5, 10, 20, 40, 80, 160, 300, 300}));
    EXPECT_EQ(standard.delay(-3), 5);
    EXPECT_EQ((Backoff {5, 1e12}).delay(50), 5 * 1048576.0);
    EXPECT_EQ((Backoff {5, 3}).delay(0), 3);
}

TEST(LinkMachine, EventsThatDoNotApplyChangeNothing)
{
    const LinkMachine idleLine(true, standard);
    const std::tuple<const char*, LinkMachine, Event> cases[] = {
        {"tick while connected", mountedLine, Event::tick()},
        {"mount failure while waiting", waitingAfterDrop, Event::mountFailed(true)},
        {"disappearance of a share that was not mounted", idleLine, Event::mountDisappeared()},
        {"stale check of an unmounted share", idleLine, Event::mountStale()},
        {"responsive while connected", mountedLine, Event::mountResponsive()},
        {"tick while idle", idleLine, Event::tick()},
        {"tick before the retry is due", waitingAfterDrop, Event::tick()},
        {"wake of a stale line", staleLine, Event::wake()},
        {"network change of a stale line", staleLine, Event::networkChanged()},
    };
    for (const auto& [what, machine, event] : cases) {
        LinkMachine m = machine;
        EXPECT_EQ(m.handle(event, at(1)), nothing) << what;
        EXPECT_EQ(m, machine) << what;
    }
}

TEST(LinkMachine, DroppedMountRetriesWithDelaysDoublingUpToTheCapAndAnnouncesBothEnds)
{
    LinkMachine m = mountedLine;
    m.backoff = {5, 15};
    play(m, {{Event::mountDisappeared(), 0, notifyDropped, waiting}});
    EXPECT_EQ(m.nextAttempt(), at(5));

    double now = 5;
    for (double expected : {5.0, 10.0, 15.0, 15.0}) {
        play(m, {{Event::tick(), now - 0.001, nothing, waiting}, {Event::tick(), now, mount, mounting},
                    {Event::mountFailed(true), now, nothing, waiting}});
        EXPECT_EQ(m.nextAttempt(), at(now + expected));
        now += expected;
    }
    play(m, {{Event::tick(), now, mount, mounting}, {Event::mountSucceeded(), now, notifyRecovered, connected}});
    EXPECT_EQ(m.attempt(), 0);
    EXPECT_FALSE(m.dropped());
}

TEST(LinkMachine, ServerAndMountEventsGiveOneDropOneRecoveryAndAMountWhenItHelps)
{
    const std::tuple<const char*, LinkMachine, std::vector<Step>> scripts[] = {
        {"first start mounts on the next tick", armedLine(true),
            {{Event::tick(), 0, mount, mounting}, {Event::mountSucceeded(), 1, nothing, connected}}},
        {"first start of a line not kept connected waits for the user", armedLine(false),
            {{Event::tick(), 0, nothing, idle}}},
        {"server outage drops once and recovers while the mount stays", mountedLine,
            {{Event::server(false), 0, notifyDropped, serverDown}, {Event::server(false), 0, nothing, serverDown},
                {Event::server(true), 30, notifyRecovered, connected}}},
        {"server back after the mount vanished mounts at once", mountedLine,
            {{Event::server(false), 0, notifyDropped, serverDown}, {Event::mountDisappeared(), 1, nothing, serverDown},
                {Event::tick(), 100, nothing, serverDown}, {Event::server(true), 101, mount, mounting},
                {Event::mountSucceeded(), 102, notifyRecovered, connected}}},
        {"stale mount drops once, then the server verdict takes over", mountedLine,
            {{Event::mountStale(), 0, notifyDropped, stale}, {Event::mountStale(), 0, nothing, stale},
                {Event::server(false), 0, nothing, serverDown}}},
        {"stale mount recovers when it answers", mountedLine,
            {{Event::mountStale(), 0, notifyDropped, stale},
                {Event::mountResponsive(), 4, notifyRecovered, connected}}},
        {"mount seen while the server is down waits for the server", LinkMachine(true, standard),
            {{Event::server(false), 0, nothing, idle}, {Event::mountAppeared(), 0, nothing, idle},
                {Event::server(true), 1, nothing, idle}, {Event::mountDisappeared(), 2, notifyDropped, waiting}}},
        {"dropped mount reappearing while the server is down recovers with the server", mountedLine,
            {{Event::server(false), 0, notifyDropped, serverDown}, {Event::mountAppeared(), 1, nothing, serverDown},
                {Event::server(true), 2, notifyRecovered, connected}}},
        {"failed line without a verdict ignores an answer", failedLine, {{Event::server(true), 1, nothing, failed}}},
        {"failed line ignores an answer from a server never down",
            line({Event::server(true), Event::userMount(), Event::mountFailed(false)}),
            {{Event::server(true), 1, nothing, failed}}},
        {"failed line mounts when a down server answers",
            line({Event::server(false), Event::userMount(), Event::mountFailed(false)}),
            {{Event::server(true), 1, mount, mounting}}},
        {"wake retries a failed line soon", failedLine,
            {{Event::wake(), 10, nothing, waiting}, {Event::tick(), 11.9, nothing, waiting},
                {Event::tick(), 12, mount, mounting}}},
        {"network change retries a failed line soon", failedLine,
            {{Event::networkChanged(), 10, nothing, waiting}, {Event::tick(), 12, mount, mounting}}},
        {"waiting line never mounts while its server is down, and tries soon once it is back", waitingAfterDrop,
            {{Event::tick(), 5, mount, mounting}, {Event::mountFailed(true), 5, nothing, waiting},
                {Event::server(false), 6, nothing, serverDown}, {Event::tick(), 15, nothing, serverDown},
                {Event::tick(), 399, nothing, serverDown}, {Event::server(true), 400, mount, mounting},
                {Event::mountFailed(true), 400, nothing, waiting}, {Event::tick(), 405, mount, mounting}}},
    };
    for (const auto& [what, start, steps] : scripts) {
        SCOPED_TRACE(what);
        LinkMachine m = start;
        play(m, steps);
    }
}

// Ejecting forgets a drop; switching reconnection off stops only a waiting line; a user's connect
// ignores the switch.
TEST(LinkMachine, EjectingAndSwitchingReconnectionOffStopReconnecting)
{
    LinkMachine m = line({Event::userMount(), Event::mountSucceeded()}, false);
    play(m, {{Event::mountStale(), 0, notifyDropped, stale}, {Event::userUnmount(), 0, nothing, idle},
                {Event::wake(), 1, nothing, idle}, {Event::tick(), 10, nothing, idle}});
    EXPECT_FALSE(m.dropped());
    EXPECT_TRUE(m.userDetached());
    play(m, {{Event::userMount(), 11, mount, mounting}});
    EXPECT_FALSE(m.userDetached());

    const std::pair<LinkMachine, LinkMachine::Phase> lines[] = {
        {waitingAfterDrop, idle}, {failedLine, failed}, {mountedLine, connected}};
    for (auto [line, after] : lines) {
        line.setKeepConnected(false);
        EXPECT_EQ(line.phase(), after);
        EXPECT_FALSE(line.dropped() && after == idle);
    }
    LinkMachine mounted = mountedLine;
    mounted.setKeepConnected(false);
    play(mounted, {{Event::mountDisappeared(), 0, nothing, idle}});
}

// Whatever happens, the user hears of a drop before its recovery and never twice in a row.
TEST(LinkMachine, DropsAndRecoveriesStrictlyAlternateUnderAnyEvents)
{
    const std::vector<Event> events {Event::mountFailed(true), Event::mountFailed(false), Event::server(true),
        Event::server(false), Event::userMount(), Event::mountSucceeded(), Event::mountAppeared(),
        Event::mountDisappeared(), Event::mountStale(), Event::mountResponsive(), Event::wake(),
        Event::networkChanged(), Event::tick()};
    std::mt19937 random(20261206);
    int drops = 0;
    for (int run = 0; run < 200; ++run) {
        LinkMachine m(run % 3 != 0, {5, double(1 + run % 400)});
        bool lastWasDrop = false;
        double now = 0;
        for (int step = 0; step < 400; ++step) {
            now += std::uniform_real_distribution<double>(0, 30)(random);
            if (step % 97 == 96) {
                m.setKeepConnected(!m.keepConnected);
                if (!m.dropped())
                    lastWasDrop = false;
            }
            const Event event = events[std::uniform_int_distribution<std::size_t>(0, events.size() - 1)(random)];
            const std::optional<LinkMachine::Action> action = m.handle(event, at(now));
            if (action == notifyDropped || action == notifyRecovered) {
                ASSERT_EQ(*action, lastWasDrop ? notifyRecovered : notifyDropped) << "run " << run << " step " << step;
                lastWasDrop = *action == notifyDropped;
                drops += lastWasDrop;
            }
            if (m.dropped() != lastWasDrop) {
                // Only an eject may forget a drop silently (or switching reconnection off, above).
                ASSERT_TRUE(event.kind == Event::Kind::userUnmount) << "run " << run << " step " << step;
                lastWasDrop = false;
            }
            if (action == mount) {
                ASSERT_EQ(m.phase(), mounting);
            }
        }
    }
    EXPECT_GT(drops, 100) << "the random walk should reach many outages";
}

} // namespace
