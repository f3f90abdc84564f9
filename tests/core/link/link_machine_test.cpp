#include "link/line_continuity.h"
#include "link/link_machine.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Action = LinkMachine::Action;
using Event = LinkMachine::Event;
using Phase = LinkMachine::Phase;

const QDateTime t0 = QDateTime(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
const Backoff standard {5, 300};

QDateTime at(double seconds)
{
    return t0.addMSecs(qint64(seconds * 1000));
}

LinkMachine connected(bool keep = true)
{
    LinkMachine m(keep, standard);
    m.handle(Event::userMount(), t0);
    m.handle(Event::mountSucceeded(), t0);
    return m;
}

LinkMachine waitingAfterDrop()
{
    LinkMachine m = connected();
    m.handle(Event::mountDisappeared(), t0);
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
    struct Case {
        const char* what;
        LinkMachine machine;
        Event event;
    };
    LinkMachine idle(true, standard);
    const std::vector<Case> cases {
        {"tick while connected", connected(), Event::tick()},
        {"mount failure while waiting", waitingAfterDrop(), Event::mountFailed(true)},
        {"disappearance of a share that was not mounted", idle, Event::mountDisappeared()},
        {"stale check of an unmounted share", idle, Event::mountStale()},
        {"responsive while connected", connected(), Event::mountResponsive()},
        {"tick while idle", idle, Event::tick()},
        {"tick before the retry is due", waitingAfterDrop(), Event::tick()},
    };
    for (const Case& c : cases) {
        LinkMachine m = c.machine;
        EXPECT_EQ(m.handle(c.event, at(1)), std::nullopt) << c.what;
        EXPECT_EQ(m, c.machine) << c.what;
    }
}

TEST(LinkMachine, FirstStartArmsThenMountsOnTheNextTick)
{
    LinkMachine m(true, standard);
    m.arm(t0);
    EXPECT_EQ(m.phase(), Phase::waiting);
    EXPECT_EQ(m.handle(Event::tick(), t0), Action::mount);
    EXPECT_EQ(m.phase(), Phase::mounting);
    EXPECT_EQ(m.handle(Event::mountSucceeded(), at(1)), std::nullopt) << "nothing had dropped";
    EXPECT_EQ(m.phase(), Phase::connected);

    LinkMachine off(false, standard);
    off.arm(t0);
    EXPECT_EQ(off.phase(), Phase::idle);
}

TEST(LinkMachine, DroppedMountRetriesWithDoublingDelaysAndAnnouncesBothEnds)
{
    LinkMachine m = connected();
    EXPECT_EQ(m.handle(Event::mountDisappeared(), t0), Action::notifyDropped);
    EXPECT_EQ(m.phase(), Phase::waiting);
    EXPECT_EQ(m.nextAttempt(), at(5));

    double now = 5;
    for (double expected : {5.0, 10.0, 20.0}) {
        EXPECT_EQ(m.handle(Event::tick(), at(now - 0.001)), std::nullopt);
        EXPECT_EQ(m.handle(Event::tick(), at(now)), Action::mount);
        EXPECT_EQ(m.handle(Event::mountFailed(true), at(now)), std::nullopt);
        EXPECT_EQ(m.nextAttempt(), at(now + expected));
        now += expected;
    }
    EXPECT_EQ(m.handle(Event::tick(), at(now)), Action::mount);
    EXPECT_EQ(m.handle(Event::mountSucceeded(), at(now)), Action::notifyRecovered);
    EXPECT_EQ(m.attempt(), 0);
    EXPECT_FALSE(m.dropped());
}

TEST(LinkMachine, CapLimitsTheRetryDelay)
{
    LinkMachine m = waitingAfterDrop();
    m.backoff = {5, 8};
    std::vector<double> gaps;
    double now = 5;
    for (int i = 0; i < 3; ++i) {
        m.handle(Event::tick(), at(now));
        m.handle(Event::mountFailed(true), at(now));
        const double next = double(t0.msecsTo(*m.nextAttempt())) / 1000;
        gaps.push_back(next - now);
        now = next;
    }
    EXPECT_EQ(gaps, (std::vector<double> {5, 8, 8}));
}

TEST(LinkMachine, ServerOutageDropsOnceAndRecoversWhileTheMountStays)
{
    LinkMachine m = connected();
    EXPECT_EQ(m.handle(Event::server(false), t0), Action::notifyDropped);
    EXPECT_EQ(m.phase(), Phase::serverDown);
    EXPECT_EQ(m.handle(Event::server(false), t0), std::nullopt);
    EXPECT_EQ(m.handle(Event::server(true), at(30)), Action::notifyRecovered);
    EXPECT_EQ(m.phase(), Phase::connected);
}

TEST(LinkMachine, ServerBackAfterTheMountVanishedMountsAtOnce)
{
    LinkMachine m = connected();
    m.handle(Event::server(false), t0);
    EXPECT_EQ(m.handle(Event::mountDisappeared(), at(1)), std::nullopt) << "the drop was announced already";
    EXPECT_EQ(m.phase(), Phase::serverDown);
    EXPECT_EQ(m.handle(Event::tick(), at(100)), std::nullopt);
    EXPECT_EQ(m.handle(Event::server(true), at(101)), Action::mount);
    EXPECT_EQ(m.attempt(), 0);
    EXPECT_EQ(m.handle(Event::mountSucceeded(), at(102)), Action::notifyRecovered);
}

TEST(LinkMachine, WaitingLineNeverMountsWhileItsServerIsDown)
{
    LinkMachine m = waitingAfterDrop();
    m.handle(Event::mountFailed(true), t0);
    m.handle(Event::tick(), at(5));
    m.handle(Event::mountFailed(true), at(5));
    ASSERT_EQ(m.phase(), Phase::waiting);
    m.handle(Event::server(false), at(6));
    EXPECT_EQ(m.phase(), Phase::serverDown);
    for (int s = 7; s < 400; s += 2)
        EXPECT_EQ(m.handle(Event::tick(), at(s)), std::nullopt);
    EXPECT_EQ(m.handle(Event::server(true), at(400)), Action::mount);
    EXPECT_EQ(m.attempt(), 0);
}

TEST(LinkMachine, FailedLineMountsOnAnswerOnlyAfterADownVerdict)
{
    const auto failed = [](std::optional<bool> verdict) {
        LinkMachine m(true, standard);
        if (verdict)
            m.handle(Event::server(*verdict), t0);
        m.handle(Event::userMount(), t0);
        m.handle(Event::mountFailed(false), t0);
        return m;
    };
    LinkMachine none = failed(std::nullopt);
    LinkMachine up = failed(true);
    LinkMachine down = failed(false);
    ASSERT_EQ(down.phase(), Phase::failed);
    EXPECT_EQ(none.handle(Event::server(true), at(1)), std::nullopt);
    EXPECT_EQ(up.handle(Event::server(true), at(1)), std::nullopt);
    EXPECT_EQ(down.handle(Event::server(true), at(1)), Action::mount);
}

TEST(LinkMachine, StaleMountDropsOnceAndComesBack)
{
    LinkMachine m = connected();
    EXPECT_EQ(m.handle(Event::mountStale(), t0), Action::notifyDropped);
    EXPECT_EQ(m.handle(Event::mountStale(), t0), std::nullopt);
    EXPECT_EQ(m.handle(Event::server(false), t0), std::nullopt);
    EXPECT_EQ(m.phase(), Phase::serverDown);

    LinkMachine hanging = connected();
    hanging.handle(Event::mountStale(), t0);
    EXPECT_EQ(hanging.handle(Event::mountResponsive(), at(4)), Action::notifyRecovered);
    EXPECT_EQ(hanging.phase(), Phase::connected);
}

TEST(LinkMachine, MountSeenWhileServerDownWaitsForTheServer)
{
    LinkMachine m(true, standard);
    m.handle(Event::server(false), t0);
    EXPECT_EQ(m.handle(Event::mountAppeared(), t0), std::nullopt);
    EXPECT_TRUE(m.isMounted());
    EXPECT_EQ(m.phase(), Phase::idle);
    m.handle(Event::server(true), at(1));
    EXPECT_EQ(m.phase(), Phase::idle);

    LinkMachine dropped = connected();
    dropped.handle(Event::server(false), t0);
    dropped.handle(Event::mountAppeared(), at(1));
    EXPECT_EQ(dropped.phase(), Phase::serverDown);
    EXPECT_EQ(dropped.handle(Event::server(true), at(2)), Action::notifyRecovered);
    EXPECT_EQ(dropped.phase(), Phase::connected);
}

TEST(LinkMachine, EjectingForgetsTheDropAndStopsReconnecting)
{
    LinkMachine m = connected(false);
    m.handle(Event::mountStale(), t0);
    ASSERT_TRUE(m.dropped());
    EXPECT_EQ(m.handle(Event::userUnmount(), t0), std::nullopt);
    EXPECT_FALSE(m.dropped());
    EXPECT_TRUE(m.userDetached());
    EXPECT_EQ(m.phase(), Phase::idle);
    m.handle(Event::wake(), at(1));
    EXPECT_EQ(m.handle(Event::tick(), at(10)), std::nullopt);
    EXPECT_EQ(m.handle(Event::userMount(), at(11)), Action::mount) << "a user's connect ignores keep-connected";
    EXPECT_FALSE(m.userDetached());
}

TEST(LinkMachine, WakeAndNetworkChangeRetrySoon)
{
    for (Event event : {Event::wake(), Event::networkChanged()}) {
        LinkMachine mounted = connected();
        mounted.handle(Event::mountStale(), t0);
        const LinkMachine before = mounted;
        mounted.handle(event, at(1));
        EXPECT_EQ(mounted, before) << "attempt was already 0";

        LinkMachine failed(true, standard);
        failed.handle(Event::userMount(), t0);
        failed.handle(Event::mountFailed(false), t0);
        failed.handle(event, at(10));
        EXPECT_EQ(failed.phase(), Phase::waiting);
        EXPECT_EQ(failed.nextAttempt(), at(12));
        EXPECT_EQ(failed.attempt(), 0);
        EXPECT_EQ(failed.handle(Event::tick(), at(12)), Action::mount);
    }
}

TEST(LinkMachine, SwitchingKeepConnectedOffStopsOnlyWaitingLines)
{
    LinkMachine waiting = waitingAfterDrop();
    waiting.setKeepConnected(false);
    EXPECT_EQ(waiting.phase(), Phase::idle);
    EXPECT_FALSE(waiting.dropped());
    EXPECT_EQ(waiting.nextAttempt(), std::nullopt);

    LinkMachine failed(true, standard);
    failed.handle(Event::userMount(), t0);
    failed.handle(Event::mountFailed(false), t0);
    failed.setKeepConnected(false);
    EXPECT_EQ(failed.phase(), Phase::failed);

    LinkMachine mounted = connected();
    mounted.setKeepConnected(false);
    EXPECT_EQ(mounted.phase(), Phase::connected);
    EXPECT_EQ(mounted.handle(Event::mountDisappeared(), t0), std::nullopt);
    EXPECT_EQ(mounted.phase(), Phase::idle);
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
        bool lastWasDrop = false; // the last announcement was a drop
        double now = 0;
        for (int step = 0; step < 400; ++step) {
            now += std::uniform_real_distribution<double>(0, 30)(random);
            if (step % 97 == 96) {
                m.setKeepConnected(!m.keepConnected);
                if (!m.dropped())
                    lastWasDrop = false;
            }
            const Event event = events[std::uniform_int_distribution<std::size_t>(0, events.size() - 1)(random)];
            const std::optional<Action> action = m.handle(event, at(now));
            if (action == Action::notifyDropped || action == Action::notifyRecovered) {
                const Action expected = lastWasDrop ? Action::notifyRecovered : Action::notifyDropped;
                ASSERT_EQ(*action, expected) << "run " << run << " step " << step;
                lastWasDrop = *action == Action::notifyDropped;
                drops += action == Action::notifyDropped;
            }
            if (m.dropped() != lastWasDrop) {
                // Only an eject may forget a drop silently (or switching reconnection off, above).
                ASSERT_TRUE(event.kind == Event::Kind::userUnmount) << "run " << run << " step " << step;
                lastWasDrop = false;
            }
            if (action == Action::mount) {
                ASSERT_EQ(m.phase(), Phase::mounting);
            }
        }
    }
    EXPECT_GT(drops, 100) << "the random walk should reach many outages";
}

TEST(LineContinuity, FollowsThePhaseAndReadsOnlyItsOwnNames)
{
    const std::vector<std::pair<Phase, LineContinuity>> table {{Phase::idle, LineContinuity::dotted},
        {Phase::mounting, LineContinuity::dashed}, {Phase::connected, LineContinuity::solid},
        {Phase::stale, LineContinuity::broken}, {Phase::serverDown, LineContinuity::broken},
        {Phase::waiting, LineContinuity::dashed}, {Phase::failed, LineContinuity::broken}};
    for (const auto& [phase, continuity] : table) {
        EXPECT_EQ(lineContinuity(phase), continuity) << toRaw(phase).toStdString();
        EXPECT_EQ(lineContinuityFromRaw(toRaw(continuity)), continuity);
        EXPECT_EQ(phaseFromRaw(toRaw(phase)), phase);
    }
    EXPECT_EQ(toRaw(Phase::serverDown), QStringLiteral("serverDown"));
    EXPECT_FALSE(lineContinuityFromRaw(QStringLiteral("Solid")));
    EXPECT_FALSE(phaseFromRaw(QStringLiteral("")));
}

} // namespace
