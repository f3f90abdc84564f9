#include "model/mount_matcher.h"
#include "model/mount_table.h"

#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

using enum ShareProtocol;

ShareSpec share(ShareProtocol proto, const char* host, const char* path)
{
    return ShareSpec(QUuid::createUuid(), QString(), proto, host, std::nullopt, path, QString(), false, true);
}

TEST(MountedVolume, SourceIsTakenApartForEveryKindOfMount)
{
    const std::tuple<const char*, const char*, MountedVolume::Source> cases[] = {
        {"//DOMAIN;someone@server._smb._tcp.local/Share%20One", "smbfs",
            {"server._smb._tcp.local", "someone", "Share One"}},
        {"//anna:secret@nas/Team/", "smbfs", {"nas", "anna", "Team"}}, {"//nas/share", "smbfs", {"nas", "", "share"}},
        {"server:/exports/media/", "nfs", {"server", "", "exports/media"}},
        {"[fe80::1]:/export", "nfs", {"fe80::1", "", "export"}},
        {"https://dav.example:8443/remote/files/", "webdav", {"dav.example", "", "remote/files"}},
        {"http://[::1]:8080/dav", "webdav", {"::1", "", "dav"}}, {"//nas:abc/x", "smbfs", {"nas:abc", "", "x"}},
        {"//nas:99999999999999999999/x", "smbfs", {"nas", "", "x"}}, {"//nas:-0/x", "smbfs", {"nas", "", "x"}},
        {"//nas:/x", "smbfs", {"nas:", "", "x"}}, {"//nas:+/x", "smbfs", {"nas:+", "", "x"}},
        {"//fe80::1/x", "smbfs", {"fe80::1", "", "x"}}, {"//[::1/x", "smbfs", {"[::1", "", "x"}},
        {"//nas//deep//", "smbfs", {"nas", "", "deep"}}, {"//nas", "smbfs", {"nas", "", ""}},
        {"//an%zz@nas/%zz", "smbfs", {"nas", "an%zz", "%zz"}}, {"", "nfs", {"", "", ""}},
    };
    for (const auto& [from, fsType, source] : cases)
        EXPECT_EQ(MountedVolume::parseSource(from, fsType), source) << from;
}

TEST(MountMatcher, HostsCompareByNameWhateverTheirDress)
{
    for (const char* host : {"NAS", "nas.local", "nas.", "[nas]", "Nas.Local.", "nas._smb._tcp.local",
             "nas._afpovertcp._tcp.local", "nas._webdav._tcp.local", "NAS._nfs._tcp.local"})
        EXPECT_EQ(MountMatcher::normalizeHost(host), QStringLiteral("nas")) << host;
    // Only one suffix comes off.
    EXPECT_EQ(MountMatcher::normalizeHost(QStringLiteral("nas.local._smb._tcp.local")), QStringLiteral("nas.local"));
    EXPECT_EQ(MountMatcher::normalizeHost(QStringLiteral("[fe80::1%en0]")), QStringLiteral("fe80::1%en0"));
    EXPECT_EQ(MountMatcher::normalizeHost(QStringLiteral("Cafe\u0301")), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(MountMatcher::normalizePath(QStringLiteral("/Photos/Cafe\u0301/")), QStringLiteral("photos/caf\u00e9"));
}

TEST(MountMatcher, MatchesOnProtocolFamilyHostAndPath)
{
    const MountedVolume smbfs("/m/a", "smbfs", "//DOMAIN;someone@server._smb._tcp.local/Share%20One");
    const MountedVolume dav("/m/b", "webdav", "https://dav:8443/files");
    const MountedVolume unknown("/m/c", "cifs", "//nas/x");
    const std::tuple<ShareSpec, const MountedVolume&, bool> cases[] = {
        {share(smb, "server.local", "share one"), smbfs, true}, {share(smb, "SERVER", "/Share One/"), smbfs, true},
        {share(afp, "server", "Share One"), smbfs, false}, {share(smb, "server", "Share Two"), smbfs, false},
        {share(smb, "10.0.0.2", "Share One"), smbfs, false}, {share(webdav, "dav", "files"), dav, true},
        {share(webdavs, "DAV", "files/"), dav, true}, {share(smb, "dav", "files"), dav, false},
        {share(smb, "nas", "x"), unknown, false},
    };
    for (const auto& [spec, vol, matches] : cases)
        EXPECT_EQ(MountMatcher::matches(spec, vol), matches) << spec.displayURL().toStdString();
}

// Each share in turn takes the first volume it matches that no earlier share took: the same as the plain walk
// over every volume, on boards with twins, mounts made twice and a mount point listed for two sources.
TEST(MountMatcher, EachVolumeServesOneShareAndEarlierOnesWin)
{
    qsizetype matched = 0;
    const char* hosts[] = {"nas", "NAS.local", "nas._smb._tcp.local", "other"};
    const char* paths[] = {"media", "/Media/", "export"};
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::srand(seed);
        std::vector<ShareSpec> shares;
        std::vector<MountedVolume> volumes;
        for (int i = 0; i < 12; ++i) {
            shares.push_back(share(std::rand() % 4 ? smb : nfs, hosts[std::rand() % 4], paths[std::rand() % 3]));
            const QString point = QStringLiteral("/m/%1").arg(std::rand() % 9);
            const QString host = QString::fromUtf8(hosts[std::rand() % 4]);
            const QString path = QString::fromUtf8(paths[std::rand() % 3]);
            volumes.push_back(std::rand() % 4 ? MountedVolume(point, "smbfs", "//" + host + "/" + path)
                                              : MountedVolume(point, "nfs", host + ":/" + path));
        }
        QHash<QUuid, MountedVolume> walked;
        QSet<QString> claimed;
        for (const ShareSpec& s : shares) {
            for (const MountedVolume& v : volumes) {
                if (!claimed.contains(v.mountPoint) && MountMatcher::matches(s, v)) {
                    walked.insert(s.id, v);
                    claimed.insert(v.mountPoint);
                    break;
                }
            }
        }
        EXPECT_EQ(MountMatcher::assign(shares, volumes), walked) << "seed " << seed;
        matched += walked.size();
    }
    EXPECT_GT(matched, 40) << "the boards should match often";
}

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
