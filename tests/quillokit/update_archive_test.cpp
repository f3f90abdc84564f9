#include "update_fixture.h"

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

} // namespace
