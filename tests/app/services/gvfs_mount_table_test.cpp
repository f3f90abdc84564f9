#include "platform/gvfs_mount_table.h"

#include <gtest/gtest.h>

TEST(GvfsMountTable, NetworkMountsAreListedWithTheSystemTypeNames)
{
    const QString fuse = QStringLiteral("/run/user/1000/gvfs/m");
    const struct {
        const char* uri;
        const char* fsType;
        const char* from;
    } cases[] = {
        {"smb://ann@nas:10445/Media%20Files/", "smbfs", "//ann@nas:10445/Media%20Files/"},
        {"smb://nas/share/", "smbfs", "//nas/share/"},
        {"afp://mac.local/Vol/", "afpfs", "//mac.local/Vol/"},
        {"dav://127.0.0.1:8080/dav/", "webdav", "http://127.0.0.1:8080/dav/"},
        {"davs://u@cloud/remote.php/", "webdav", "https://u@cloud/remote.php/"},
        {"nfs://filer/exports/media/", "nfs", "filer:/exports/media/"},
    };
    for (const auto& c : cases) {
        std::optional<MountedVolume> volume = GvfsMountTable::volumeFor(QString::fromUtf8(c.uri), fuse);
        ASSERT_TRUE(volume) << c.uri;
        EXPECT_EQ(volume->mountPoint, fuse);
        EXPECT_EQ(volume->fsType, QString::fromUtf8(c.fsType)) << c.uri;
        EXPECT_EQ(volume->from, QString::fromUtf8(c.from)) << c.uri;
    }
}

TEST(GvfsMountTable, BrowsedServersAndLocalMountsAreNotShares)
{
    const QString fuse = QStringLiteral("/run/user/1000/gvfs/m");
    for (const char* uri : {"smb://nas/", "afp://mac/", "file:///media/usb", "sftp://host/home", "mtp://phone/", "not a uri"})
        EXPECT_FALSE(GvfsMountTable::volumeFor(QString::fromUtf8(uri), fuse)) << uri;
    EXPECT_FALSE(GvfsMountTable::volumeFor(QStringLiteral("smb://nas/share/"), QString()));
}
