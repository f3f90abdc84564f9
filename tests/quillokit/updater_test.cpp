#include "update_fixture.h"

#include "quillokit/update_staging.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

using Kind = UpdatePhase::Kind;
using Entry = UpdateArchive::Entry;

const QString feedPath = QStringLiteral("/feed.json");
const QString archivePath = QStringLiteral("/update.zip");

QString installedVersion(const QString& folder)
{
    return AppFolder::version(folder).value_or(QString());
}

// A process that stands in for the running application until it is stopped.
struct StandIn {
    QProcess process;
    qint64 pid = 0;
    StandIn()
    {
        process.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        process.waitForStarted();
        pid = process.processId();
    }
    ~StandIn() { quit(); }
    void quit()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
};

TEST(Updater, NewerSignedVersionDownloadsWithProgressAndReplacesTheAppOnceItHasQuit)
{
    UpdateFixture fixture;
    const QByteArray archive = *UpdateArchive::pack(UpdateFixture::appEntries(QStringLiteral("1.1"), 900 * 1024));
    fixture.publish(fixture.feedFor(QStringLiteral("1.1"), archive), archive);
    StandIn app;
    const QDateTime checkedAt(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);
    UpdaterHooks hooks;
    hooks.now = [&] { return checkedAt; };
    hooks.processId = [&] { return app.pid; };
    int quits = 0;
    hooks.quit = [&] { ++quits; };
    auto updater = fixture.makeUpdater(hooks);
    std::vector<double> fractions;
    int windows = 0;
    QObject::connect(updater.get(), &Updater::phaseChanged, [&] {
        if (updater->phase().kind == Kind::downloading)
            fractions.push_back(updater->phase().fraction);
    });
    QObject::connect(updater.get(), &Updater::windowRequested, [&] { ++windows; });

    updater->check(false);
    ASSERT_TRUE(UpdateFixture::settles(*updater));
    ASSERT_EQ(updater->phase().kind, Kind::ready) << qPrintable(updater->phase().message);
    EXPECT_EQ(fixture.http.lastUserAgent(), "Mountwire/1.0");
    EXPECT_EQ(updater->lastChecked(), checkedAt);
    EXPECT_EQ(windows, 1);
    ASSERT_GE(fractions.size(), 4u);
    EXPECT_EQ(fractions.front(), 0.0);
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_GT(fractions[1], 0.0);
    EXPECT_LE(fractions.back(), 1.0);
    ASSERT_TRUE(updater->stagedApp());
    EXPECT_TRUE(updater->stagedApp()->startsWith(fixture.caches));
    EXPECT_EQ(installedVersion(fixture.install), QStringLiteral("1.0"));

    updater->installAndRelaunch();
    EXPECT_EQ(quits, 1);
    ASSERT_TRUE(updater->installOnQuit());
    EXPECT_FALSE(updater->installOnQuit()) << "a second install script was started";
    TestApp::spin(400);
    EXPECT_EQ(installedVersion(fixture.install), QStringLiteral("1.0")) << "replaced before the app quit";
    app.quit();
    EXPECT_TRUE(TestApp::waitUntil([&] { return installedVersion(fixture.install) == QLatin1String("1.1"); }));
    EXPECT_TRUE(TestApp::waitUntil([&] { return !QFileInfo::exists(*updater->stagedApp()); }));
    EXPECT_TRUE(AppFolder::programRuns(fixture.install));
    EXPECT_TRUE(TestApp::waitUntil([&] { return QFileInfo::exists(fixture.install + QLatin1String("/relaunched")); }))
        << "the new version was not started";
    EXPECT_FALSE(QFileInfo::exists(fixture.install + QLatin1String(".quillo-old")));
    EXPECT_FALSE(QFileInfo::exists(fixture.install + QLatin1String(".quillo-new")));
}

TEST(Updater, RefusedDownloadsLeaveTheInstalledAppUntouched)
{
    struct Case {
        const char* name;
        std::vector<Entry> entries;
        // Changes what is served or announced after the honest feed is made.
        std::function<void(UpdateFixture&, UpdateFeed&, QByteArray& served, bool& sendLength)> tamper;
        QString message;
    };
    const auto honest = [](UpdateFixture&, UpdateFeed&, QByteArray&, bool&) {};
    const std::vector<Case> cases{
        {"signed by someone else", UpdateFixture::appEntries(QStringLiteral("1.1")),
         [](UpdateFixture&, UpdateFeed& feed, QByteArray& served, bool&) {
             feed.download->edSignature = *UpdateSigning::sign(served, UpdateSigning::makeKeyPair()->secretKey);
         },
         QStringLiteral("The update’s signature didn’t match, so it wasn’t installed.")},
        {"one byte short", UpdateFixture::appEntries(QStringLiteral("1.1")),
         [](UpdateFixture&, UpdateFeed&, QByteArray& served, bool&) { served.chop(1); },
         QStringLiteral("The download was incomplete.")},
        {"1,025 bytes too many, announced", UpdateFixture::appEntries(QStringLiteral("1.1")),
         [](UpdateFixture&, UpdateFeed&, QByteArray& served, bool&) { served.append(QByteArray(1025, 'x')); },
         QStringLiteral("The download was larger than expected.")},
        {"1,025 bytes too many, unannounced", UpdateFixture::appEntries(QStringLiteral("1.1"), 400 * 1024),
         [](UpdateFixture&, UpdateFeed&, QByteArray& served, bool& sendLength) {
             served.append(QByteArray(1025, 'x'));
             sendLength = false;
         },
         QStringLiteral("The download was larger than expected.")},
        {"archive missing", UpdateFixture::appEntries(QStringLiteral("1.1")),
         [](UpdateFixture& fixture, UpdateFeed& feed, QByteArray&, bool&) {
             feed.download->url = fixture.http.url(QStringLiteral("/gone.zip")).toString();
         },
         QStringLiteral("The update file couldn’t be downloaded.")},
        {"entry climbing out", [] {
             auto entries = UpdateFixture::appEntries(QStringLiteral("1.1"));
             entries.push_back({QStringLiteral("mountwire/../../../../../escaped"), Entry::Kind::file, 0644, "x", {}});
             return entries;
         }(),
         honest,
         QStringLiteral("The update couldn’t be downloaded. The archive holds “mountwire/../../../../../escaped”, which "
                        "points outside its folder.")},
        {"link leading out", [] {
             auto entries = UpdateFixture::appEntries(QStringLiteral("1.1"));
             entries.push_back({QStringLiteral("mountwire/lib"), Entry::Kind::link, 0777, {}, QStringLiteral("../../..")});
             return entries;
         }(),
         honest,
         QStringLiteral("The update couldn’t be downloaded. The archive holds “mountwire/lib”, which points outside "
                        "its folder.")},
        {"another version inside", UpdateFixture::appEntries(QStringLiteral("1.0.9")), honest,
         QStringLiteral("The downloaded update didn’t match this app.")},
        {"program that does not run",
         {{QStringLiteral("mountwire/bin/mountwire"), Entry::Kind::file, 0644, "#!/bin/sh\n", {}},
          {QStringLiteral("mountwire/share/mountwire/version"), Entry::Kind::file, 0644, "1.1\n", {}}},
         honest, QStringLiteral("The downloaded app’s code signature is damaged.")},
        {"no application folder", {{QStringLiteral("readme.txt"), Entry::Kind::file, 0644, "hello", {}}}, honest,
         QStringLiteral("The update didn’t contain an app.")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateFixture fixture;
        QByteArray served = *UpdateArchive::pack(c.entries);
        UpdateFeed feed = fixture.feedFor(QStringLiteral("1.1"), served);
        bool sendLength = true;
        c.tamper(fixture, feed, served, sendLength);
        fixture.publish(feed, served, sendLength);
        auto updater = fixture.makeUpdater();

        updater->check(false);
        ASSERT_TRUE(UpdateFixture::settles(*updater));
        EXPECT_EQ(updater->phase(), UpdatePhase::failed(c.message));
        EXPECT_FALSE(updater->stagedApp());
        EXPECT_FALSE(updater->installOnQuit());
        EXPECT_EQ(installedVersion(fixture.install), QStringLiteral("1.0"));
        QStringList beside = QDir(fixture.root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        beside.removeAll(QStringLiteral("cache"));
        EXPECT_EQ(beside.join(QLatin1Char(' ')), QStringLiteral("mountwire settings.conf"))
            << "something was written beside the installed folder";
        const QString work = UpdateStaging::workFolder(fixture.caches, QStringLiteral("app.mountwire"));
        EXPECT_TRUE(QDir(work).isEmpty()) << "a refused update was left staged";
    }
}

TEST(Updater, VersionThatCannotBeInstalledHereIsOfferedOrDismissedWithoutDownloading)
{
    const QByteArray archive = *UpdateArchive::pack(UpdateFixture::appEntries(QStringLiteral("1.1")));
    struct Case {
        const char* name;
        std::function<void(UpdaterBundle&, UpdateFeed&)> change;
        bool offered;
    };
    const std::vector<Case> cases{
        {"no public key", [](UpdaterBundle& bundle, UpdateFeed&) { bundle.publicKey.reset(); }, true},
        {"feed without download", [](UpdaterBundle&, UpdateFeed& feed) { feed.download.reset(); }, true},
        {"installed on removable media",
         [](UpdaterBundle& bundle, UpdateFeed&) { bundle.installFolder = QStringLiteral("/media/usb/mountwire"); }, true},
        {"older version", [](UpdaterBundle&, UpdateFeed& feed) { feed.version = QStringLiteral("0.9"); }, false},
        {"same version", [](UpdaterBundle&, UpdateFeed& feed) { feed.version = QStringLiteral("1.0"); }, false},
        {"system too old", [](UpdaterBundle&, UpdateFeed& feed) { feed.minimumSystemVersion = QStringLiteral("6.2"); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateFixture fixture;
        UpdaterBundle bundle = fixture.bundle();
        UpdateFeed feed = fixture.feedFor(QStringLiteral("1.1"), archive);
        c.change(bundle, feed);
        fixture.publish(feed, archive);
        auto updater = fixture.makeUpdater(bundle);
        int windows = 0;
        QObject::connect(updater.get(), &Updater::windowRequested, [&] { ++windows; });

        updater->check(false);
        ASSERT_TRUE(UpdateFixture::settles(*updater));
        EXPECT_EQ(updater->phase(), c.offered ? UpdatePhase::available(feed) : UpdatePhase::upToDate());
        EXPECT_EQ(windows, c.offered ? 1 : 0);
        EXPECT_TRUE(updater->lastChecked());
        EXPECT_EQ(fixture.http.hits(archivePath), 0);
    }
}

TEST(Updater, FailedAutomaticCheckStaysQuietWhileTheUsersCheckSaysWhy)
{
    struct Case {
        const char* name;
        std::optional<LoopbackHttp::Response> feed;
    };
    const std::vector<Case> cases{
        {"server error", LoopbackHttp::Response{500, "{}", true, {}}},
        {"not JSON", LoopbackHttp::Response{200, "<html>", true, {}}},
        {"no version", LoopbackHttp::Response{200, R"({"url":"https://example.org"})", true, {}}},
        {"redirected to nowhere", LoopbackHttp::Response{302, {}, true, "/missing.json"}},
        {"no feed at all", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateFixture fixture;
        if (c.feed)
            fixture.http.route(feedPath, *c.feed);
        auto updater = fixture.makeUpdater();
        int windows = 0;
        QObject::connect(updater.get(), &Updater::windowRequested, [&] { ++windows; });

        updater->check(false);
        EXPECT_EQ(updater->phase(), UpdatePhase::checking());
        ASSERT_TRUE(TestApp::waitUntil([&] { return updater->phase().kind != Kind::checking; }));
        EXPECT_EQ(updater->phase(), UpdatePhase::idle());
        EXPECT_EQ(windows, 0);
        EXPECT_FALSE(updater->lastChecked());

        updater->check(true);
        ASSERT_TRUE(UpdateFixture::settles(*updater));
        EXPECT_EQ(updater->phase(), UpdatePhase::failed(QStringLiteral(
                                        "Couldn’t check for updates. Check your internet connection and try again.")));
        EXPECT_EQ(windows, 1);
    }
}

TEST(Updater, AutomaticChecksAnnounceEachVersionOnce)
{
    UpdateFixture fixture;
    fixture.defaults.setFlag(QStringLiteral("QuilloAutoUpdate"), false);
    auto updater = fixture.makeUpdater();
    int windows = 0;
    QObject::connect(updater.get(), &Updater::windowRequested, [&] { ++windows; });
    const auto checkWith = [&](const QString& version, bool userInitiated) {
        const QByteArray archive = *UpdateArchive::pack(UpdateFixture::appEntries(version));
        fixture.publish(fixture.feedFor(version, archive), archive);
        updater->check(userInitiated);
        return UpdateFixture::settles(*updater) && updater->phase().kind == Kind::available;
    };

    ASSERT_TRUE(checkWith(QStringLiteral("1.1"), false));
    ASSERT_TRUE(checkWith(QStringLiteral("1.1"), false));
    EXPECT_EQ(windows, 1);
    ASSERT_TRUE(checkWith(QStringLiteral("1.1"), true));
    EXPECT_EQ(windows, 2);
    ASSERT_TRUE(checkWith(QStringLiteral("1.2"), false));
    EXPECT_EQ(windows, 3);
    EXPECT_EQ(fixture.defaults.flag(QStringLiteral("QuilloAnnounced-1.2")), true);
}

TEST(Updater, StagedVersionIsNotFetchedAgainAndAUserCheckShowsIt)
{
    UpdateFixture fixture;
    const QByteArray archive = *UpdateArchive::pack(UpdateFixture::appEntries(QStringLiteral("1.1")));
    fixture.publish(fixture.feedFor(QStringLiteral("1.1"), archive), archive);
    auto updater = fixture.makeUpdater();
    int windows = 0;
    QObject::connect(updater.get(), &Updater::windowRequested, [&] { ++windows; });

    updater->check(false);
    updater->check(false);
    ASSERT_TRUE(UpdateFixture::settles(*updater));
    ASSERT_EQ(updater->phase().kind, Kind::ready);
    updater->check(false);
    updater->checkForUpdates();
    TestApp::spin(100);
    EXPECT_EQ(fixture.http.hits(feedPath), 1);
    EXPECT_EQ(fixture.http.hits(archivePath), 1);
    EXPECT_EQ(windows, 2);
}

TEST(Updater, SecureFeedNeverContinuesOverPlainHttp)
{
    UpdateFixture fixture;
    const auto tls = LoopbackHttp::trustedLoopbackTls(fixture.root.path());
    ASSERT_TRUE(tls) << "the openssl tool could not make a certificate";
    LoopbackHttp secure(*tls);
    const QByteArray archive = *UpdateArchive::pack(UpdateFixture::appEntries(QStringLiteral("1.1")));
    UpdateFeed feed = fixture.feedFor(QStringLiteral("1.1"), archive);
    fixture.publish(feed, archive);
    UpdaterBundle bundle = fixture.bundle();
    bundle.feedURL = secure.url(feedPath);
    const auto checkAgainst = [&](const LoopbackHttp::Response& answer) {
        secure.route(feedPath, answer);
        auto updater = fixture.makeUpdater(bundle);
        updater->check(true);
        return UpdateFixture::settles(*updater) ? updater->phase() : UpdatePhase::checking();
    };

    EXPECT_EQ(checkAgainst({302, {}, true, fixture.http.url(feedPath).toEncoded()}),
              UpdatePhase::failed(QStringLiteral("Couldn’t check for updates. Check your internet connection and try again.")));
    EXPECT_EQ(fixture.http.hits(feedPath), 0);

    // The same feed over HTTPS is read, but its plain archive address is only offered, never fetched.
    EXPECT_EQ(checkAgainst({200, feed.encode(), true, {}}), UpdatePhase::available(feed));
    secure.route(QStringLiteral("/moved.json"), {200, feed.encode(), true, {}});
    EXPECT_EQ(checkAgainst({301, {}, true, "/moved.json"}), UpdatePhase::available(feed));

    feed.download->url = secure.url(archivePath).toString();
    secure.route(archivePath, {302, {}, true, fixture.http.url(archivePath).toEncoded()});
    EXPECT_EQ(checkAgainst({200, feed.encode(), true, {}}),
              UpdatePhase::failed(QStringLiteral("The update couldn’t be downloaded. It was sent on to an address that "
                                                 "isn’t secure.")));
    EXPECT_EQ(secure.hits(archivePath), 1);
    EXPECT_EQ(fixture.http.hits(archivePath), 0);
}

TEST(Updater, StartChecksSoonAndThenOnEveryInterval)
{
    UpdateFixture fixture;
    fixture.http.route(feedPath, {200, fixture.feedFor(QStringLiteral("0.9"), "x").encode(), true, {}});
    UpdaterHooks hooks;
    hooks.firstCheckDelay = 0.05;
    hooks.checkInterval = 0.3;
    auto updater = fixture.makeUpdater(hooks);
    updater->start();
    EXPECT_TRUE(TestApp::waitUntil([&] { return fixture.http.hits(feedPath) == 1; }, 250));
    EXPECT_TRUE(TestApp::waitUntil([&] { return fixture.http.hits(feedPath) >= 3; }, 2000));

    UpdaterBundle silent = fixture.bundle();
    silent.feedURL.reset();
    auto quiet = fixture.makeUpdater(silent, hooks);
    quiet->start();
    quiet->checkForUpdates();
    TestApp::spin(100);
    EXPECT_EQ(quiet->phase(), UpdatePhase::idle());
}

} // namespace
