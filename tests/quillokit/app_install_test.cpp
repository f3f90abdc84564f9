#include "update_fixture.h"

#include "quillokit/app_install.h"
#include "quillokit/folder_tree.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

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
