#include "app/test_app.h"
#include "fakes/fake_server_browser.h"
#include "services/avahi_server_browser.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

using P = ShareProtocol;

// The bus library reads the system bus address once per process, at its first connection of any kind, so
// the test daemon's bus must be in place before anything in this executable talks D-Bus.
const bool systemBusIsTheTestDaemons = [] {
    const QByteArray bus = qgetenv("MW_AVAHI_BUS");
    return !bus.isEmpty() && qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus);
}();

TEST(ServerListTest, ResultSetsGiveASortedListKeyedByProtocolAndName)
{
    // What happens, what the browser delivers, and the list afterwards in order.
    const std::tuple<const char*, std::vector<std::pair<P, QStringList>>, QStringList> cases[] = {
        {"one machine offering two protocols", {{P::smb, {"Studio"}}, {P::afp, {"Studio"}}},
            {"afp|Studio", "smb|Studio"}},
        {"names differing in case sit together, ordered by protocol",
            {{P::webdav, {"studio", "Beta"}}, {P::smb, {"Studio", "alpha"}}, {P::nfs, {"STUDIO"}}},
            {"smb|alpha", "webdav|Beta", "nfs|STUDIO", "smb|Studio", "webdav|studio"}},
        {"a server that stops advertising goes at its protocol's next set",
            {{P::smb, {"A", "B"}}, {P::afp, {"B"}}, {P::smb, {"A"}}}, {"smb|A", "afp|B"}},
        {"an empty set clears only its own protocol", {{P::smb, {"A"}}, {P::nfs, {"A"}}, {P::smb, {}}}, {"nfs|A"}},
        {"a name seen on two interfaces is one entry", {{P::smb, {"A", "A"}}}, {"smb|A"}},
    };
    for (const auto& [what, steps, expected] : cases) {
        std::vector<DiscoveredServer> servers;
        for (const auto& [proto, names] : steps)
            servers = ServerList::update(servers, proto, names).servers;
        QStringList ids;
        for (const DiscoveredServer& server : servers)
            ids.append(server.id());
        EXPECT_EQ(ids, expected) << what;
    }
}

// Only names new to their protocol are resolved; a known entry keeps what its resolution found.
TEST(ServerListTest, AResolutionFillsTheMatchingEntryOnceWithoutTheFinalDot)
{
    auto first = ServerList::update({}, P::smb, {"A", "B"});
    EXPECT_EQ(first.newNames, (QStringList {"A", "B"}));
    first.servers = ServerList::resolve(first.servers, "A", "_smb._tcp.", "a.local.", 445);
    const auto second = ServerList::update(first.servers, P::smb, {"C", "A"});
    EXPECT_EQ(second.newNames, QStringList {"C"});
    EXPECT_EQ(second.servers[0], (DiscoveredServer {"A", P::smb, "a.local", 445}));
    EXPECT_EQ(ServerList::update(second.servers, P::afp, {"A"}).newNames, QStringList {"A"});
    // Nothing of that name, or of that type, leaves the list as it was.
    EXPECT_EQ(ServerList::resolve(second.servers, "Gone", "_smb._tcp", "gone.local", 445), second.servers);
    EXPECT_EQ(ServerList::resolve(second.servers, "C", "_afpovertcp._tcp", "c.local", 548), second.servers);
}

TEST(ServerBrowserTest, StartingTwiceBrowsesOnceTheIndicatorStopsByItselfAndStoppingKeepsTheList)
{
    TestApp::instance();
    FakeServerBrowser browser(0.3);
    std::vector<bool> indicator;
    QObject::connect(&browser, &ServerBrowser::isBrowsingChanged, [&](bool on) { indicator.push_back(on); });
    browser.start();
    browser.start();
    EXPECT_EQ(browser.browsesBegun, 1);
    EXPECT_TRUE(browser.isBrowsing());
    EXPECT_TRUE(TestApp::waitUntil([&] { return !browser.isBrowsing(); }, 3000));
    EXPECT_EQ(indicator, (std::vector<bool> {true, false}));

    // Browses go on after the indicator: results still arrive and are resolved.
    browser.deliver(P::afp, {"Studio"});
    EXPECT_EQ(browser.resolutions, (std::vector<std::pair<P, QString>> {{P::afp, "Studio"}}));
    browser.answer("Studio", "_afpovertcp._tcp", "studio.local.", 548);
    browser.stop();
    EXPECT_EQ(browser.browsesEnded, 1);
    EXPECT_FALSE(browser.isBrowsing());
    // A late result of a stopped browse changes nothing.
    browser.deliver(P::afp, {});
    const std::vector<DiscoveredServer> expected {{"Studio", P::afp, "studio.local", 548}};
    EXPECT_EQ(browser.servers(), expected);
    browser.start();
    EXPECT_EQ(browser.browsesBegun, 2);
    EXPECT_EQ(browser.servers(), expected);
}

// What the browser holds and what the daemon said, for a failure's message.
std::string seen(const std::vector<DiscoveredServer>& servers)
{
    QString text = QStringLiteral("browser holds [");
    for (const DiscoveredServer& s : servers)
        text += QStringLiteral("%1 %2 %3:%4, ").arg(s.name, toRaw(s.proto), s.host.value_or("?")).arg(s.port.value_or(-1));
    const QByteArray log = TestApp::readFile(qEnvironmentVariable("MW_SERVICES_DIR") + "/avahi/daemon.log");
    return (text + QStringLiteral("]; daemon log ends:\n") + QString::fromUtf8(log.right(2000))).toStdString();
}

// Publishes one service on the test's discovery daemon for as long as it lives.
struct Publication {
    QProcess process;
    Publication(const QString& name, const QString& type, int port)
    {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral("avahi-publish"), {QStringLiteral("-s"), name, type, QString::number(port)});
        process.waitForStarted(5000);
    }
    ~Publication() { withdraw(); }
    void withdraw()
    {
        process.terminate();
        process.waitForFinished(5000);
    }
};

TEST(AvahiServerBrowserTest, FindsAndResolvesServersAdvertisedOnTheLocalNetwork)
{
    if (!systemBusIsTheTestDaemons)
        GTEST_SKIP() << "no discovery daemon for tests (scripts/services/avahi.sh did not run)";
    TestApp::instance();
    const QString host = qEnvironmentVariable("MW_AVAHI_HOST");

    Publication smb(QStringLiteral("Studio Büro"), QStringLiteral("_smb._tcp"), 10445);
    Publication afp(QStringLiteral("Studio Büro"), QStringLiteral("_afpovertcp._tcp"), 10548);
    AvahiServerBrowser browser;
    browser.start();
    EXPECT_TRUE(browser.isBrowsing());
    const std::vector<DiscoveredServer> both {
        {"Studio Büro", P::afp, host, 10548}, {"Studio Büro", P::smb, host, 10445}};
    EXPECT_TRUE(TestApp::waitUntil([&] { return browser.servers() == both; }, 15000)) << seen(browser.servers());

    smb.withdraw();
    const std::vector<DiscoveredServer> afpOnly {{"Studio Büro", P::afp, host, 10548}};
    EXPECT_TRUE(TestApp::waitUntil([&] { return browser.servers() == afpOnly; }, 10000)) << seen(browser.servers());

    // Browsing resumes after a stop and a start.
    browser.stop();
    EXPECT_FALSE(browser.isBrowsing());
    browser.start();
    Publication nfs(QStringLiteral("Archive"), QStringLiteral("_nfs._tcp"), 12049);
    const DiscoveredServer archive {"Archive", P::nfs, host, 12049};
    EXPECT_TRUE(TestApp::waitUntil([&] {
        return std::find(browser.servers().begin(), browser.servers().end(), archive) != browser.servers().end();
    }, 10000)) << seen(browser.servers());
    browser.stop();
}

} // namespace
