#include "quillokit/update_archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using Entry = UpdateArchive::Entry;
using Kind = Entry::Kind;

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

int modeOf(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 0777) : -1;
}

TEST(UpdateArchive, UnpacksFoldersFilesModesAndLinksThatStayInside)
{
    QTemporaryDir root;
    const auto zip = UpdateArchive::pack({
        {QStringLiteral("app/bin/"), Kind::folder, 0755, {}, {}},
        {QStringLiteral("app/bin/tool"), Kind::file, 0755, "#!/bin/sh\n", {}},
        {QStringLiteral("./app/share/notes"), Kind::file, 0600, "notes", {}},
        {QStringLiteral("app/share/empty"), Kind::file, 0644, {}, {}},
        {QStringLiteral("app/bin/same-tool"), Kind::link, 0777, {}, QStringLiteral("tool")},
        {QStringLiteral("app/share/up"), Kind::link, 0777, {}, QStringLiteral("../bin/tool")},
    });
    ASSERT_TRUE(zip);
    ASSERT_EQ(UpdateArchive::unpack(*zip, root.path()), std::nullopt);

    EXPECT_EQ(contents(root.filePath(QStringLiteral("app/bin/tool"))), "#!/bin/sh\n");
    EXPECT_EQ(modeOf(root.filePath(QStringLiteral("app/bin/tool"))), 0755);
    EXPECT_EQ(modeOf(root.filePath(QStringLiteral("app/share/notes"))), 0600);
    EXPECT_EQ(contents(root.filePath(QStringLiteral("app/share/empty"))), "");
    EXPECT_EQ(QFileInfo(root.filePath(QStringLiteral("app/bin/same-tool"))).symLinkTarget(),
              root.filePath(QStringLiteral("app/bin/tool")));
    EXPECT_EQ(contents(root.filePath(QStringLiteral("app/share/up"))), "#!/bin/sh\n");
}

TEST(UpdateArchive, PackedFolderUnpacksToTheSameTree)
{
    QTemporaryDir source;
    QDir().mkpath(source.filePath(QStringLiteral("mountwire/bin")));
    QFile program(source.filePath(QStringLiteral("mountwire/bin/mountwire")));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write(QByteArray(70000, 'p'));
    program.close();
    ::chmod(QFile::encodeName(program.fileName()).constData(), 0750);
    QFile::link(QStringLiteral("bin/mountwire"), source.filePath(QStringLiteral("mountwire/launcher")));

    const auto zip = UpdateArchive::packFolder(source.filePath(QStringLiteral("mountwire")));
    ASSERT_TRUE(zip);
    QTemporaryDir target;
    ASSERT_EQ(UpdateArchive::unpack(*zip, target.path()), std::nullopt);
    EXPECT_EQ(contents(target.filePath(QStringLiteral("mountwire/bin/mountwire"))), QByteArray(70000, 'p'));
    EXPECT_EQ(modeOf(target.filePath(QStringLiteral("mountwire/bin/mountwire"))), 0750);
    EXPECT_TRUE(QFileInfo(target.filePath(QStringLiteral("mountwire/launcher"))).isSymLink());
    EXPECT_EQ(contents(target.filePath(QStringLiteral("mountwire/launcher"))), QByteArray(70000, 'p'));
}

TEST(UpdateArchive, EntryThatWouldReachOutsideStopsTheUnpacking)
{
    struct Case {
        const char* name;
        std::vector<Entry> entries;
        QString message;
    };
    const auto outside = [](const char* name) {
        return QStringLiteral("The archive holds “%1”, which points outside its folder.").arg(QString::fromUtf8(name));
    };
    const std::vector<Case> cases{
        {"absolute path", {{QStringLiteral("/tmp/planted"), Kind::file, 0644, "x", {}}}, outside("/tmp/planted")},
        {"climbing path", {{QStringLiteral("app/../../planted"), Kind::file, 0644, "x", {}}}, outside("app/../../planted")},
        {"climbing folder", {{QStringLiteral("../planted/"), Kind::folder, 0755, {}, {}}}, outside("../planted/")},
        {"absolute link", {{QStringLiteral("app/etc"), Kind::link, 0777, {}, QStringLiteral("/etc")}}, outside("app/etc")},
        {"link climbing out", {{QStringLiteral("app/up"), Kind::link, 0777, {}, QStringLiteral("../..")}}, outside("app/up")},
        {"file written through a link",
         {{QStringLiteral("inner/"), Kind::folder, 0755, {}, {}},
          {QStringLiteral("via"), Kind::link, 0777, {}, QStringLiteral("inner")},
          {QStringLiteral("via/planted"), Kind::file, 0644, "x", {}}},
         outside("via/planted")},
        {"links that climb out only together",
         {{QStringLiteral("here"), Kind::link, 0777, {}, QStringLiteral(".")},
          {QStringLiteral("away"), Kind::link, 0777, {}, QStringLiteral("here/..")}},
         outside("away")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        const QString destination = root.filePath(QStringLiteral("stage"));
        QDir().mkpath(destination);
        const auto zip = UpdateArchive::pack(c.entries);
        ASSERT_TRUE(zip);
        EXPECT_EQ(UpdateArchive::unpack(*zip, destination).value_or(QString()).toStdString(), c.message.toStdString());
        EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("stage")});
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/planted")));
    }
}

TEST(UpdateArchive, DamagedArchiveIsRefused)
{
    QTemporaryDir root;
    QByteArray zip = *UpdateArchive::pack({{QStringLiteral("app/file"), Kind::file, 0644, QByteArray(5000, 'z'), {}}});
    for (const QByteArray& damaged : {QByteArray("not a zip at all"), zip.left(zip.size() / 2), QByteArray()}) {
        EXPECT_EQ(UpdateArchive::unpack(damaged, root.path()).value_or(QString()).toStdString(),
                  "The archive couldn’t be read.");
    }
}

} // namespace
