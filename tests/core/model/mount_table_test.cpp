#include "model/mount_table.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>

namespace {

// Lines as a Linux kernel writes them, local file systems mixed in.
const QByteArray sampleMountinfo = R"(22 28 0:21 / /proc rw,nosuid,nodev,noexec,relatime shared:12 - proc proc rw
28 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro
91 28 0:48 / /mnt/team\040files rw,relatime shared:400 - cifs //nas/Team\040Files rw,vers=3.1.1,cache=strict,username=anna,uid=1000
92 28 0:49 / /mnt/plain rw,relatime - smb3 //10.1.1.1/plain rw,vers=3.0
93 28 0:50 / /srv/media rw,relatime shared:401 master:7 - nfs4 nas.local:/exports/media rw,vers=4.2,addr=192.0.2.4
94 28 0:51 / /srv/old rw - nfs [fe80::2]:/old rw,vers=3
95 28 0:52 / /home/anna/dav rw,nosuid,nodev,relatime - fuse https://dav.example/remote.php/files rw,user_id=1000
96 28 0:53 / /home/anna/dav2 rw - davfs http://dav.example:8080/x rw
97 28 0:54 / /run/user/1000/gvfs rw,nosuid,nodev - fuse.gvfsd-fuse gvfsd-fuse rw,user_id=1000
98 28 0:55 / /home/anna/sshfs rw - fuse.sshfs anna@host:/ rw
garbage line without separator
99 28 0:56 / /tmp/short rw - nfs
)";

TEST(MountTable, ListsNetworkMountsInTableOrderInTheSystemsOwnTypeNames)
{
    const std::vector<MountedVolume> volumes = MountTable::fromMountinfo(sampleMountinfo);
    const std::vector<MountedVolume> expected {
        MountedVolume("/mnt/team files", "smbfs", "//anna@nas/Team Files"),
        MountedVolume("/mnt/plain", "smbfs", "//10.1.1.1/plain"),
        MountedVolume("/srv/media", "nfs", "nas.local:/exports/media"),
        MountedVolume("/srv/old", "nfs", "[fe80::2]:/old"),
        MountedVolume("/home/anna/dav", "webdav", "https://dav.example/remote.php/files"),
        MountedVolume("/home/anna/dav2", "webdav", "http://dav.example:8080/x"),
    };
    EXPECT_EQ(volumes, expected);
    EXPECT_EQ(volumes[0].displayName(), QStringLiteral("team files"));
}

TEST(MountTable, ReadsTheFileItIsGivenThisMachinesTooAndNothingWhenItIsMissing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mountinfo"));
    std::ofstream(path.toStdString()) << sampleMountinfo.constData();
    EXPECT_EQ(MountTable::networkVolumes(path).size(), 6u);
    EXPECT_TRUE(MountTable::networkVolumes(dir.filePath(QStringLiteral("absent"))).empty());
    EXPECT_TRUE(MountTable::fromMountinfo(QByteArray()).empty());
    for (const MountedVolume& volume : MountTable::networkVolumes())
        EXPECT_TRUE(MountTable::networkTypes().contains(volume.fsType));
}

} // namespace
