#include "update_fixture.h"

#include "quillokit/app_install.h"
#include "quillokit/folder_tree.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

using Entry = UpdateArchive::Entry;
using Kind = Entry::Kind;

using TestApp::readFile;

TEST(UpdateArchive, UnpacksFoldersFilesAndLinksThatStayInsideWithSaneModes)
{
    QTemporaryDir root;
    const mode_t umaskBefore = ::umask(0);
    const auto zip = UpdateArchive::pack({
        {"app/bin/", Kind::folder, 0777, {}, {}},
        {"app/bin/tool", Kind::file, 06777, "#!/bin/sh\n", {}},
        {"./app/share/notes", Kind::file, 0666, "notes", {}},
        {"app/share/empty", Kind::file, 0600, {}, {}},
        {"app/bin/same-tool", Kind::link, 0777, {}, "tool"},
        {"app/share/up", Kind::link, 0777, {}, "../bin/tool"},
    });
    ASSERT_TRUE(zip);
    ASSERT_EQ(UpdateArchive::unpack(*zip, root.path()), std::nullopt);
    ::umask(umaskBefore);
    const auto at = [&](const char* path) { return root.filePath(path); };
    EXPECT_EQ(readFile(at("app/bin/tool")), "#!/bin/sh\n");
    // Nothing setuid, nothing others may write, folders private while staged.
    EXPECT_EQ(modeOf(at("app/bin/tool")), 0755);
    EXPECT_EQ(modeOf(at("app/share/notes")), 0644);
    EXPECT_EQ(modeOf(at("app/share/empty")), 0644);
    EXPECT_EQ(QFileInfo(at("app/share/empty")).size(), 0);
    EXPECT_EQ(modeOf(at("app/bin")), 0700);
    EXPECT_EQ(modeOf(at("app/share")), 0700);
    EXPECT_EQ(QFileInfo(at("app/bin/same-tool")).symLinkTarget(), at("app/bin/tool"));
    EXPECT_EQ(readFile(at("app/share/up")), "#!/bin/sh\n");
}

TEST(UpdateArchive, EntryThatWouldReachOutsideStopsTheUnpacking)
{
    const std::tuple<const char*, std::vector<Entry>, const char*> cases[] = {
        {"absolute path", {{"/tmp/planted", Kind::file, 0644, "x", {}}}, "/tmp/planted"},
        {"climbing path", {{"app/../../planted", Kind::file, 0644, "x", {}}}, "app/../../planted"},
        {"climbing folder", {{"../planted/", Kind::folder, 0755, {}, {}}}, "../planted/"},
        {"absolute link", {{"app/etc", Kind::link, 0777, {}, "/etc"}}, "app/etc"},
        {"link climbing out", {{"app/up", Kind::link, 0777, {}, "../.."}}, "app/up"},
        {"file written through a link",
            {{"inner/", Kind::folder, 0755, {}, {}}, {"via", Kind::link, 0777, {}, "inner"},
                {"via/planted", Kind::file, 0644, "x", {}}},
            "via/planted"},
        {"links that climb out only together",
            {{"here", Kind::link, 0777, {}, "."}, {"away", Kind::link, 0777, {}, "here/.."}}, "away"},
    };
    for (const auto& [what, entries, culprit] : cases) {
        SCOPED_TRACE(what);
        QTemporaryDir root;
        const QString destination = root.filePath("stage");
        QDir().mkpath(destination);
        const auto zip = UpdateArchive::pack(entries);
        ASSERT_TRUE(zip);
        EXPECT_EQ(UpdateArchive::unpack(*zip, destination).value_or(QString()).toStdString(),
            QStringLiteral("The archive holds “%1”, which points outside its folder.").arg(culprit).toStdString());
        EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList {"stage"});
        EXPECT_FALSE(QFileInfo::exists("/tmp/planted"));
    }
}

TEST(UpdateArchive, ArchiveBeyondItsLimitsIsRefusedBeforeAnythingIsWrittenAndADamagedOneIsRefused)
{
    const UpdateArchive::Limits limits {1000, 3};
    const Entry tiny {"a/1", Kind::file, 0644, "1", {}};
    const Entry large {"a/2", Kind::file, 0644, QByteArray(600, 'z'), {}};
    for (const auto& [entries, refusal] : {std::pair(std::vector {tiny, tiny, tiny, tiny}, UpdateBounds::tooManyEntries()),
             std::pair(std::vector {large, large}, UpdateBounds::unpackedTooLarge())}) {
        QTemporaryDir root;
        const QByteArray zip = *UpdateArchive::pack(entries);
        EXPECT_LT(zip.size(), 1000) << "packs small";
        EXPECT_EQ(UpdateArchive::unpack(zip, root.path(), limits), refusal);
        EXPECT_TRUE(QDir(root.path()).isEmpty());
    }
    QTemporaryDir root;
    const QByteArray zip = *UpdateArchive::pack({large, tiny});
    EXPECT_EQ(UpdateArchive::unpack(zip, root.path(), limits), std::nullopt);
    for (const QByteArray& damaged : {QByteArray("not a zip at all"), zip.left(zip.size() / 2), QByteArray()})
        EXPECT_EQ(UpdateArchive::unpack(damaged, root.path()), "The archive couldn’t be read.");
}

// The installed 1.0 and a staged 1.1, with the digest taken when it was validated.
struct Swap {
    QTemporaryDir root;
    QString installed = root.filePath("lib/mountwire");
    QString staged = root.filePath("stage/mountwire");
    QString beside = AppInstall::besidePath(installed);
    QByteArray digest = (UpdateFixture::installApp(installed, "1.0"), UpdateFixture::installApp(staged, "1.1"),
        FolderTree::digest(staged).value_or(QByteArray()));

    // The version of the whole application at the installed path.
    QString complete() const
    {
        return AppFolder::isOwn(installed) && AppFolder::programRuns(installed)
            ? AppFolder::version(installed).value_or("none") : QStringLiteral("broken");
    }
    bool prepared() { return AppInstall::prepare(staged, installed, digest); }
};

TEST(AppInstall, KilledBetweenAnyTwoStepsLeavesACompleteAppAndTheNextStartClearsTheRest)
{
    const std::tuple<const char*, std::function<void(Swap&)>, const char*> cases[] = {
        {"nothing", [](Swap&) {}, "1.0"},
        {"the copy's folder was made", [](Swap& s) { ::mkdir(QFile::encodeName(s.beside).constData(), 0700); }, "1.0"},
        {"half the copy", [](Swap& s) { s.prepared() && QFile::remove(s.beside + "/version"); }, "1.0"},
        {"the copy", [](Swap& s) { s.prepared(); }, "1.0"},
        {"the exchange", [](Swap& s) { s.prepared() && AppInstall::exchange(s.installed); }, "1.1"},
    };
    for (const auto& [killedAfter, steps, version] : cases) {
        SCOPED_TRACE(killedAfter);
        Swap swap;
        steps(swap);
        EXPECT_EQ(swap.complete(), version);
        AppInstall::cleanUp(swap.installed);
        EXPECT_EQ(swap.complete(), version);
        EXPECT_EQ(QDir(swap.root.filePath("lib")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
            QStringList {"mountwire"});
        EXPECT_TRUE(AppInstall::install(swap.staged, swap.installed, swap.digest)) << "the next install fails";
        EXPECT_EQ(swap.complete(), "1.1");
    }
}

TEST(AppInstall, WhatIsNotProvablyItsOwnIsNeverRemovedOrReplaced)
{
    const std::pair<const char*, std::function<void(Swap&)>> cases[] = {
        {"beside it, a file its manifest does not list",
            [](Swap& s) { UpdateFixture::installApp(s.beside, "0.9"), QFile(s.beside + "/diary").open(QIODevice::WriteOnly); }},
        {"beside it, a folder without a manifest", [](Swap& s) { QDir().mkpath(s.beside + "/photos"); }},
        {"beside it, a link", [](Swap& s) { QFile::link(s.root.filePath("stage"), s.beside); }},
        {"in it, another program", [](Swap& s) { QFile(s.installed + "/other").open(QIODevice::WriteOnly); }},
    };
    for (const auto& [what, plant] : cases) {
        SCOPED_TRACE(what);
        Swap swap;
        plant(swap);
        const auto before = FolderTree::digest(swap.root.path());
        AppInstall::cleanUp(swap.installed);
        EXPECT_FALSE(AppInstall::install(swap.staged, swap.installed, swap.digest));
        EXPECT_EQ(FolderTree::digest(swap.root.path()), before);
    }
}

#ifdef MW_BUILD_DIR
TEST(AppFolder, InstalledFolderHoldsOnlyWhatItsManifestListsAndPacksToTheSameTree)
{
    QTemporaryDir prefix;
    QProcess install;
    install.setStandardOutputFile(QProcess::nullDevice());
    install.start(MW_CMAKE, {"--install", MW_BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_TRUE(install.waitForFinished(60000) && install.exitCode() == 0);
    const QString folder = prefix.filePath("lib/mountwire");
    EXPECT_TRUE(AppFolder::isOwn(folder) && AppFolder::programRuns(folder) && AppFolder::version(folder));
    const QFileInfo program(prefix.filePath("bin/mountwire"));
    EXPECT_TRUE(program.isSymLink());
    EXPECT_EQ(AppFolder::ofProgram(program.canonicalPath()), AppFolder::resolved(folder));

    // The publisher packs this folder; unpacked, it is the same tree.
    QTemporaryDir stage;
    EXPECT_EQ(UpdateArchive::unpack(UpdateArchive::packFolder(folder).value_or("none"), stage.path()), std::nullopt);
    EXPECT_EQ(FolderTree::digest(stage.filePath("mountwire")), FolderTree::digest(folder));
}
#endif

} // namespace
