#include "model/mount_matcher.h"

#include <gtest/gtest.h>

namespace {

ShareSpec share(ShareProtocol proto, const char* host, const char* path)
{
    return ShareSpec(QUuid::createUuid(), QString(), proto, QString::fromUtf8(host), std::nullopt,
        QString::fromUtf8(path), QString(), false, true);
}

MountedVolume volume(const char* mountPoint, const char* fsType, const char* from)
{
    return MountedVolume(QString::fromUtf8(mountPoint), QString::fromLatin1(fsType), QString::fromUtf8(from));
}

TEST(MountedVolume, SourceIsTakenApartForEveryKindOfMount)
{
    struct Case {
        const char* from;
        const char* fsType;
        MountedVolume::Source source;
    };
    const std::vector<Case> cases {
        {"//DOMAIN;someone@server._smb._tcp.local/Share%20One", "smbfs",
            {"server._smb._tcp.local", "someone", "Share One"}},
        {"//anna:secret@nas/Team/", "smbfs", {"nas", "anna", "Team"}},
        {"//nas/share", "smbfs", {"nas", "", "share"}},
        {"server:/exports/media/", "nfs", {"server", "", "exports/media"}},
        {"[fe80::1]:/export", "nfs", {"fe80::1", "", "export"}},
        {"https://dav.example:8443/remote/files/", "webdav", {"dav.example", "", "remote/files"}},
        {"http://[::1]:8080/dav", "webdav", {"::1", "", "dav"}},
        {"//nas:abc/x", "smbfs", {"nas:abc", "", "x"}},
        {"//fe80::1/x", "smbfs", {"fe80::1", "", "x"}},
        {"//[::1/x", "smbfs", {"[::1", "", "x"}},
        {"//nas//deep//", "smbfs", {"nas", "", "deep"}},
        {"//nas", "smbfs", {"nas", "", ""}},
        {"//an%zz@nas/%zz", "smbfs", {"nas", "an%zz", "%zz"}},
        {"", "nfs", {"", "", ""}},
    };
    for (const Case& c : cases) {
        const MountedVolume::Source expected {QString::fromUtf8(c.source.host.toUtf8()), c.source.user, c.source.share};
        EXPECT_EQ(MountedVolume::parseSource(QString::fromUtf8(c.from), QString::fromLatin1(c.fsType)), expected)
            << c.from;
    }
}

TEST(MountedVolume, KnowsItsProtocolAndFolderName)
{
    const MountedVolume smb = volume("/media/nas/Team Files", "smbfs", "//nas/Team");
    EXPECT_EQ(smb.proto, ShareProtocol::smb);
    EXPECT_EQ(smb.displayName(), QStringLiteral("Team Files"));
    EXPECT_FALSE(volume("/mnt/x", "cifs", "//nas/x").proto.has_value());
}

TEST(MountMatcher, HostsCompareByNameWhateverTheirDress)
{
    const QString nas = QStringLiteral("nas");
    for (const char* host : {"NAS", "nas.local", "nas.", "[nas]", "Nas.Local.", "nas._smb._tcp.local",
             "nas._afpovertcp._tcp.local", "nas._webdav._tcp.local", "NAS._nfs._tcp.local"})
        EXPECT_EQ(MountMatcher::normalizeHost(QString::fromUtf8(host)), nas) << host;
    // Only one suffix comes off.
    EXPECT_EQ(MountMatcher::normalizeHost(QStringLiteral("nas.local._smb._tcp.local")), QStringLiteral("nas.local"));
    EXPECT_EQ(MountMatcher::normalizeHost(QStringLiteral("[fe80::1%en0]")), QStringLiteral("fe80::1%en0"));
    EXPECT_EQ(MountMatcher::normalizeHost(QStringLiteral("Cafe\u0301")), QStringLiteral("caf\u00e9"));
    EXPECT_EQ(MountMatcher::normalizePath(QStringLiteral("/Photos/Cafe\u0301/")), QStringLiteral("photos/caf\u00e9"));
}

TEST(MountMatcher, MatchesOnProtocolFamilyHostAndPath)
{
    const MountedVolume smb = volume("/m/a", "smbfs", "//DOMAIN;someone@server._smb._tcp.local/Share%20One");
    const MountedVolume dav = volume("/m/b", "webdav", "https://dav:8443/files");
    struct Case {
        ShareSpec spec;
        const MountedVolume& vol;
        bool matches;
    };
    const std::vector<Case> cases {
        {share(ShareProtocol::smb, "server.local", "share one"), smb, true},
        {share(ShareProtocol::smb, "SERVER", "/Share One/"), smb, true},
        {share(ShareProtocol::afp, "server", "Share One"), smb, false},
        {share(ShareProtocol::smb, "server", "Share Two"), smb, false},
        {share(ShareProtocol::smb, "10.0.0.2", "Share One"), smb, false},
        {share(ShareProtocol::webdav, "dav", "files"), dav, true},
        {share(ShareProtocol::webdavs, "DAV", "files/"), dav, true},
        {share(ShareProtocol::smb, "dav", "files"), dav, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MountMatcher::matches(c.spec, c.vol), c.matches) << c.spec.displayURL().toStdString();
    EXPECT_FALSE(MountMatcher::matches(share(ShareProtocol::smb, "nas", "x"), volume("/m/c", "cifs", "//nas/x")));
}

TEST(MountMatcher, EachVolumeServesOneShareAndEarlierOnesWin)
{
    const ShareSpec first = share(ShareProtocol::smb, "nas", "media");
    const ShareSpec twin = share(ShareProtocol::smb, "NAS.local", "Media");
    const ShareSpec other = share(ShareProtocol::nfs, "nas", "export");
    const ShareSpec unmounted = share(ShareProtocol::afp, "nas", "media");
    const MountedVolume once = volume("/m/media", "smbfs", "//nas/media");
    const MountedVolume again = volume("/m/media-1", "smbfs", "//nas/Media");
    const MountedVolume exportVolume = volume("/m/export", "nfs", "nas:/export");

    const auto assigned = MountMatcher::assign({first, twin, other, unmounted}, {once, exportVolume, again});
    EXPECT_EQ(assigned.size(), 3);
    EXPECT_EQ(assigned.value(first.id), once);
    EXPECT_EQ(assigned.value(twin.id), again);
    EXPECT_EQ(assigned.value(other.id), exportVolume);
    EXPECT_FALSE(assigned.contains(unmounted.id));

    const auto single = MountMatcher::assign({first, twin}, {once});
    EXPECT_EQ(single.size(), 1);
    EXPECT_TRUE(single.contains(first.id));

    const auto doubled = MountMatcher::assign({first}, {again, once});
    EXPECT_EQ(doubled.value(first.id).mountPoint, QStringLiteral("/m/media-1"));
}

} // namespace
