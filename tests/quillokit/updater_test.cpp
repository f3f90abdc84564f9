#include "update_fixture.h"

#include "quillokit/folder_tree.h"
#include "quillokit/update_bounds.h"
#include "quillokit/update_staging.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

using Kind = UpdatePhase::Kind;
using Entry = UpdateArchive::Entry;

const QString feedPath = QStringLiteral("/feed.json");
const QString archivePath = QStringLiteral("/update.zip");
const UpdatePhase checkFailed
    = UpdatePhase::failed("Couldn’t check for updates. Check your internet connection and try again.");

QString installedVersion(const QString& folder)
{
    return AppFolder::version(folder).value_or(QString());
}

TEST(Updater, NewerSignedVersionDownloadsOnceWithProgressAndReplacesOnlyTheAppsFolderAtItsEnd)
{
    UpdateFixture fixture;
    const mode_t umaskBefore = ::umask(0);
    fixture.publish("1.1", *UpdateArchive::pack(UpdateFixture::appEntries("1.1", 900 * 1024)));
    // A process that stands in for the running application until it is killed.
    QProcess app;
    app.start("sleep", {"60"});
    app.waitForStarted();
    const QDateTime checkedAt(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC);
    UpdaterHooks hooks;
    hooks.now = [&] { return checkedAt; };
    hooks.processId = [pid = app.processId()] { return pid; };
    int quits = 0;
    hooks.quit = [&] { ++quits; };
    auto updater = fixture.makeUpdater(hooks);
    std::vector<double> fractions;
    QObject::connect(updater.get(), &Updater::phaseChanged, [&] {
        if (updater->phase().kind == Kind::downloading)
            fractions.push_back(updater->phase().fraction);
    });

    updater->check(false);
    updater->check(false);
    ASSERT_TRUE(UpdateFixture::settles(*updater));
    ASSERT_EQ(updater->phase().kind, Kind::ready) << qPrintable(updater->phase().message);
    EXPECT_EQ(fixture.http.lastUserAgent(), "Mountwire/1.0");
    EXPECT_EQ(updater->lastChecked(), checkedAt);
    EXPECT_EQ(fixture.windows, 1);
    ASSERT_GE(fractions.size(), 4u);
    EXPECT_EQ(fractions.front(), 0.0);
    EXPECT_TRUE(std::is_sorted(fractions.begin(), fractions.end()));
    EXPECT_GT(fractions[1], 0.0);
    EXPECT_LE(fractions.back(), 1.0);
    ASSERT_TRUE(updater->stagedApp());
    EXPECT_TRUE(updater->stagedApp()->startsWith(fixture.caches));
    EXPECT_EQ(installedVersion(fixture.install), "1.0");
    for (QString folder = *updater->stagedApp(); folder != fixture.caches; folder = QFileInfo(folder).absolutePath())
        EXPECT_EQ(modeOf(folder), 0700) << "staged where others can see: " << qPrintable(folder);

    // A staged version is not fetched again, and a user's check shows it.
    updater->check(false);
    updater->checkForUpdates();
    TestApp::spin(100);
    EXPECT_EQ(fixture.http.hits(feedPath), 1);
    EXPECT_EQ(fixture.http.hits(archivePath), 1);
    EXPECT_EQ(fixture.windows, 2);
    EXPECT_EQ(updater->phase().kind, Kind::ready);

    updater->installAndRelaunch();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(installedVersion(fixture.install), "1.0") << "replaced before the app ended";
    ASSERT_TRUE(updater->installOnQuit());
    EXPECT_FALSE(updater->installOnQuit()) << "installed twice";
    EXPECT_EQ(installedVersion(fixture.install), "1.1");
    EXPECT_TRUE(AppFolder::isOwn(fixture.install));
    ::umask(umaskBefore);
    FolderTree::walk(fixture.install, [&](const FolderTree::Item& item) {
        EXPECT_EQ(item.mode & 07022, 0) << "others may write or it runs as another: " << qPrintable(item.path);
        return true;
    });
    EXPECT_FALSE(QFileInfo::exists(*updater->stagedApp()));
    EXPECT_TRUE(fixture.othersUntouched());
    TestApp::spin(300);
    EXPECT_FALSE(QFileInfo::exists(fixture.prefix + "/relaunched")) << "started before the old one ended";
    app.kill();
    app.waitForFinished();
    EXPECT_TRUE(TestApp::waitUntil([&] { return QFileInfo::exists(fixture.prefix + "/relaunched"); }))
        << "the new version was not started";
}

// What a case changes of the honest bundle, feed and archive before they are served.
struct Served {
    UpdateFixture& fixture;
    UpdaterBundle bundle;
    UpdateFeed feed;
    QByteArray bytes;
    bool sendLength = true;
};

TEST(Updater, RefusedOrUninstallableUpdatesLeaveTheInstalledAppUntouched)
{
    const auto app = [](std::vector<Entry> extra = {}, qsizetype padding = 0) {
        std::vector<Entry> entries = UpdateFixture::appEntries("1.1", padding);
        entries.insert(entries.end(), extra.begin(), extra.end());
        return entries;
    };
    const auto tooLarge = [](Served& s) { s.bytes.append(QByteArray(1025, 'x')); };
    const struct {
        const char* name;
        std::function<void(Served&)> tamper;
        QString failure; // empty: the version is offered or dismissed without a download
        bool offered = false;
        std::vector<Entry> entries = UpdateFixture::appEntries("1.1");
        bool page = true; // when offered: whether the window may open the feed's page
    } cases[] = {
        {"signed by someone else",
            [](Served& s) {
                s.feed.download->edSignature = *UpdateSigning::sign(s.bytes, UpdateSigning::makeKeyPair()->secretKey);
            },
            "The update’s signature didn’t match, so it wasn’t installed."},
        {"one byte short", [](Served& s) { s.bytes.chop(1); }, "The download was incomplete."},
        {"1,025 bytes too many, announced", tooLarge, "The download was larger than expected."},
        {"1,025 bytes too many, unannounced", [&](Served& s) { tooLarge(s), s.sendLength = false; },
            "The download was larger than expected.", false, app({}, 400 * 1024)},
        {"archive missing", [](Served& s) { s.feed.download->url = s.fixture.http.url("/gone.zip").toString(); },
            "The update file couldn’t be downloaded."},
        {"entry climbing out", {},
            "The update couldn’t be downloaded. The archive holds “mountwire/../../../../../escaped”, which points "
            "outside its folder.",
            false, app({{"mountwire/../../../../../escaped", Entry::Kind::file, 0644, "x", {}}})},
        {"link leading out", {},
            "The update couldn’t be downloaded. The archive holds “mountwire/lib”, which points outside its folder.",
            false, app({{"mountwire/lib", Entry::Kind::link, 0777, {}, "../../.."}})},
        {"another version inside", {}, "The downloaded update didn’t match this app.", false,
            UpdateFixture::appEntries("1.0.9")},
        {"program that does not run", {}, "The downloaded app’s code signature is damaged.", false,
            {{"mountwire/manifest", Entry::Kind::file, 0644, "bin\nbin/mountwire\nversion\n", {}},
                {"mountwire/bin/mountwire", Entry::Kind::file, 0644, "#!/bin/sh\n", {}},
                {"mountwire/version", Entry::Kind::file, 0644, "1.1\n", {}}}},
        {"no application folder", {}, "The update didn’t contain an app.", false,
            {{"readme.txt", Entry::Kind::file, 0644, "hello", {}}}},
        {"a file its manifest does not list", {}, "The downloaded update didn’t match this app.", false,
            app({{"mountwire/bin/helper", Entry::Kind::file, 0755, "#!/bin/sh\n", {}}})},
        {"far larger than any update", [](Served& s) { s.feed.download->length = qint64(1) << 40; },
            UpdateBounds::archiveTooLarge()},
        {"more files than any update", {}, UpdateBounds::tooManyEntries(), false,
            [&] {
                std::vector<Entry> many;
                for (int i = 0; i <= UpdateBounds::archiveEntries; ++i)
                    many.push_back({QStringLiteral("mountwire/f%1").arg(i), Entry::Kind::file, 0644, {}, {}});
                return app(many);
            }()},
        {"installed folder holds what its manifest does not list",
            [](Served& s) { QFile(s.fixture.install + "/notes.txt").open(QIODevice::WriteOnly); }, {}, true},
        {"installed in a prefix shared with others", [](Served& s) { s.bundle.installFolder = s.fixture.prefix; }, {}, true},
        {"no public key", [](Served& s) { s.bundle.publicKey.reset(); }, {}, true},
        {"feed without download", [](Served& s) { s.feed.download.reset(); }, {}, true},
        {"installed on removable media", [](Served& s) { s.bundle.installFolder = "/media/usb/mountwire"; }, {}, true},
        {"installed version file a FIFO", [](Served& s) {
             QFile::remove(AppFolder::versionFile(s.fixture.install));
             ::mkfifo(QFile::encodeName(AppFolder::versionFile(s.fixture.install)).constData(), 0644);
         }, {}, true},
        {"archive not on the web", [](Served& s) { s.feed.download->url = "file:///tmp/update.zip"; }, {}, true},
        {"nothing on the web", [](Served& s) { s.feed.download->url = s.feed.url = "file:///etc/passwd"; }, {}, true,
            UpdateFixture::appEntries("1.1"), false},
        {"older version", [](Served& s) { s.feed.version = "0.9"; }, {}},
        {"same version", [](Served& s) { s.feed.version = "1.0"; }, {}},
        {"system too old", [](Served& s) { s.feed.minimumSystemVersion = "6.2"; }, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateFixture fixture;
        const QByteArray archive = *UpdateArchive::pack(c.entries);
        Served served {fixture, fixture.bundle(), fixture.feedFor("1.1", archive), archive};
        if (c.tamper)
            c.tamper(served);
        fixture.publish(served.feed, served.bytes, served.sendLength);
        auto updater = fixture.makeUpdater(served.bundle);

        updater->check(false);
        ASSERT_TRUE(UpdateFixture::settles(*updater));
        if (!c.failure.isEmpty()) {
            EXPECT_EQ(updater->phase(), UpdatePhase::failed(c.failure));
        } else {
            EXPECT_EQ(updater->phase(), c.offered ? UpdatePhase::available(served.feed) : UpdatePhase::upToDate());
            // What the window offers: no download that would do nothing, only a page on the web.
            EXPECT_FALSE(c.offered && updater->canDownload(served.feed));
            EXPECT_EQ(Updater::downloadPage(served.feed).has_value(), c.page);
            EXPECT_EQ(fixture.windows, c.offered ? 1 : 0);
            EXPECT_TRUE(updater->lastChecked());
            EXPECT_EQ(fixture.http.hits(archivePath), 0);
        }
        EXPECT_FALSE(updater->stagedApp());
        EXPECT_FALSE(updater->installOnQuit());
        EXPECT_EQ(installedVersion(fixture.install), QFileInfo(AppFolder::versionFile(fixture.install)).isFile() ? "1.0" : "");
        EXPECT_TRUE(fixture.othersUntouched());
        EXPECT_TRUE(QDir(UpdateStaging::workFolder(fixture.caches, "app.mountwire")).isEmpty())
            << "a refused update was left staged";
    }
}

TEST(Updater, FailedAutomaticCheckStaysQuietWhileTheUsersCheckSaysWhy)
{
    UpdateFeed feed;
    feed.version = "1.1";
    feed.url = "https://example.org";
    const QByteArray oversized = feed.encode() + QByteArray(UpdateBounds::feedBytes, ' ');
    feed.notes = QString(UpdateBounds::notesCharacters + 1, 'n');
    const struct {
        const char* name;
        std::optional<LoopbackHttp::Response> feed;
        UpdatePhase failure = checkFailed;
    } cases[] = {
        {"server error", LoopbackHttp::Response {500, "{}", true, {}}},
        {"not JSON", LoopbackHttp::Response {200, "<html>", true, {}}},
        {"no version", LoopbackHttp::Response {200, R"({"url":"https://example.org"})", true, {}}},
        {"redirected to nowhere", LoopbackHttp::Response {302, {}, true, "/missing.json"}},
        {"no feed at all", std::nullopt},
        {"feed over its bound", LoopbackHttp::Response {200, oversized, true, {}},
            UpdatePhase::failed(UpdateBounds::feedTooLarge())},
        {"feed over its bound, length not announced", LoopbackHttp::Response {200, oversized, false, {}},
            UpdatePhase::failed(UpdateBounds::feedTooLarge())},
        {"release notes over their bound", LoopbackHttp::Response {200, feed.encode(), true, {}},
            UpdatePhase::failed(UpdateBounds::notesTooLong())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UpdateFixture fixture;
        if (c.feed)
            fixture.http.route(feedPath, *c.feed);
        auto updater = fixture.makeUpdater();

        updater->check(false);
        EXPECT_EQ(updater->phase(), UpdatePhase::checking());
        ASSERT_TRUE(TestApp::waitUntil([&] { return updater->phase().kind != Kind::checking; }));
        EXPECT_EQ(updater->phase(), UpdatePhase::idle());
        EXPECT_EQ(fixture.windows, 0);
        EXPECT_FALSE(updater->lastChecked());

        updater->check(true);
        ASSERT_TRUE(UpdateFixture::settles(*updater));
        EXPECT_EQ(updater->phase(), c.failure);
        EXPECT_EQ(fixture.windows, 1);
    }
}

TEST(Updater, StagedFolderChangedAfterValidationIsNotInstalled)
{
    const auto write = [](const char* name, const char* text) {
        return [=](const QString& app) { TestApp::writeFile(app + name, text); };
    };
    const std::pair<const char*, std::function<void(const QString&)>> cases[] = {
        {"a file's contents", write("/bin/mountwire", "#!/bin/sh\nrm -rf ~\n")},
        {"a file added", write("/bin/extra", "x")},
        {"a mode", [](const QString& app) { QFile::setPermissions(app + "/version", QFile::ReadOwner | QFile::ExeOwner); }},
    };
    for (const auto& [what, change] : cases) {
        SCOPED_TRACE(what);
        UpdateFixture fixture;
        fixture.publish("1.1");
        auto updater = fixture.makeUpdater();
        updater->check(false);
        ASSERT_TRUE(UpdateFixture::settles(*updater) && updater->phase().kind == Kind::ready);
        change(updater->stagedApp().value_or(fixture.root.filePath("none")));
        EXPECT_FALSE(updater->installOnQuit());
        EXPECT_EQ(installedVersion(fixture.install), "1.0");
        EXPECT_TRUE(fixture.othersUntouched());
    }
}

TEST(Updater, AutomaticChecksAnnounceEachVersionOnce)
{
    UpdateFixture fixture;
    fixture.defaults.setFlag("QuilloAutoUpdate", false);
    auto updater = fixture.makeUpdater();
    const auto checkWith = [&](const QString& version, bool userInitiated) {
        fixture.publish(version);
        updater->check(userInitiated);
        return UpdateFixture::settles(*updater) && updater->phase().kind == Kind::available;
    };

    ASSERT_TRUE(checkWith("1.1", false));
    ASSERT_TRUE(checkWith("1.1", false));
    EXPECT_EQ(fixture.windows, 1);
    ASSERT_TRUE(checkWith("1.1", true));
    EXPECT_EQ(fixture.windows, 2);
    ASSERT_TRUE(checkWith("1.2", false));
    EXPECT_EQ(fixture.windows, 3);
    EXPECT_EQ(fixture.defaults.flag("QuilloAnnounced-1.2"), true);
}

TEST(Updater, SecureFeedNeverContinuesOverPlainHttp)
{
    UpdateFixture fixture;
    const auto tls = LoopbackHttp::trustedLoopbackTls(fixture.root.path());
    ASSERT_TRUE(tls) << "the openssl tool could not make a certificate";
    LoopbackHttp secure(*tls);
    const QByteArray archive = fixture.publish("1.1");
    UpdateFeed feed = fixture.feedFor("1.1", archive);
    UpdaterBundle bundle = fixture.bundle();
    bundle.feedURL = secure.url(feedPath);
    const auto checkAgainst = [&](const LoopbackHttp::Response& answer) {
        secure.route(feedPath, answer);
        auto updater = fixture.makeUpdater(bundle);
        updater->check(true);
        return UpdateFixture::settles(*updater) ? updater->phase() : UpdatePhase::checking();
    };

    EXPECT_EQ(checkAgainst({302, {}, true, fixture.http.url(feedPath).toEncoded()}), checkFailed);
    EXPECT_EQ(fixture.http.hits(feedPath), 0);

    // The same feed over HTTPS is read, but its plain archive address is only offered, never fetched.
    EXPECT_EQ(checkAgainst({200, feed.encode(), true, {}}), UpdatePhase::available(feed));
    secure.route("/moved.json", {200, feed.encode(), true, {}});
    EXPECT_EQ(checkAgainst({301, {}, true, "/moved.json"}), UpdatePhase::available(feed));

    feed.download->url = secure.url(archivePath).toString();
    secure.route(archivePath, {302, {}, true, fixture.http.url(archivePath).toEncoded()});
    EXPECT_EQ(checkAgainst({200, feed.encode(), true, {}}),
        UpdatePhase::failed("The update couldn’t be downloaded. It was sent on to an address that isn’t secure."));
    EXPECT_EQ(secure.hits(archivePath), 1);
    EXPECT_EQ(fixture.http.hits(archivePath), 0);
}

TEST(Updater, StartClearsLeftoversThenChecksSoonAndOnEveryInterval)
{
    UpdateFixture fixture;
    fixture.publish("0.9");
    UpdaterHooks hooks;
    hooks.firstCheckDelay = 0.05;
    hooks.checkInterval = 0.3;
    auto updater = fixture.makeUpdater(hooks);
    updater->start();
    EXPECT_TRUE(TestApp::waitUntil([&] { return fixture.http.hits(feedPath) == 1; }, 250));
    EXPECT_TRUE(TestApp::waitUntil([&] { return fixture.http.hits(feedPath) >= 3; }, 2000));

    // Even a build that never checks finishes what an install cut short left beside it.
    UpdateFixture::installApp(fixture.install + ".quillo-new", "1.1");
    UpdaterBundle silent = fixture.bundle();
    silent.feedURL.reset();
    auto quiet = fixture.makeUpdater(silent, hooks);
    quiet->start();
    EXPECT_FALSE(QFileInfo::exists(fixture.install + ".quillo-new"));
    quiet->checkForUpdates();
    TestApp::spin(100);
    EXPECT_EQ(quiet->phase(), UpdatePhase::idle());
}

} // namespace
