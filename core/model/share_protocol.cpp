#include "model/share_protocol.h"

namespace {

struct ProtocolFacts {
    ShareProtocol proto;
    const char* raw;
    const char* label;
    const char* scheme;
    int port;
    const char* fsType;
    const char* bonjour;
};

constexpr std::array<ProtocolFacts, 5> facts {{
    {ShareProtocol::smb, "smb", "SMB", "smb", 445, "smbfs", "_smb._tcp"},
    {ShareProtocol::afp, "afp", "AFP", "afp", 548, "afpfs", "_afpovertcp._tcp"},
    {ShareProtocol::nfs, "nfs", "NFS", "nfs", 2049, "nfs", "_nfs._tcp"},
    {ShareProtocol::webdav, "webdav", "WebDAV", "http", 80, "webdav", "_webdav._tcp"},
    {ShareProtocol::webdavs, "webdavs", "WebDAV (TLS)", "https", 443, "webdav", "_webdav._tcp"},
}};

const ProtocolFacts& factsOf(ShareProtocol proto)
{
    return facts[static_cast<std::size_t>(proto)];
}

} // namespace

const std::array<ShareProtocol, 5>& allShareProtocols()
{
    static const std::array<ShareProtocol, 5> all {
        ShareProtocol::smb, ShareProtocol::afp, ShareProtocol::nfs, ShareProtocol::webdav, ShareProtocol::webdavs};
    return all;
}

QString toRaw(ShareProtocol proto)
{
    return QString::fromLatin1(factsOf(proto).raw);
}

std::optional<ShareProtocol> shareProtocolFromRaw(const QString& raw)
{
    for (const ProtocolFacts& f : facts) {
        if (raw == QLatin1String(f.raw))
            return f.proto;
    }
    return std::nullopt;
}

std::optional<ShareProtocol> shareProtocolFromScheme(const QString& scheme)
{
    const QString s = scheme.toLower();
    if (s == u"smb" || s == u"cifs")
        return ShareProtocol::smb;
    if (s == u"afp")
        return ShareProtocol::afp;
    if (s == u"nfs")
        return ShareProtocol::nfs;
    if (s == u"http" || s == u"webdav" || s == u"dav")
        return ShareProtocol::webdav;
    if (s == u"https" || s == u"webdavs" || s == u"davs")
        return ShareProtocol::webdavs;
    return std::nullopt;
}

std::optional<ShareProtocol> shareProtocolFromFsType(const QString& fsType)
{
    if (fsType == u"smbfs")
        return ShareProtocol::smb;
    if (fsType == u"afpfs")
        return ShareProtocol::afp;
    if (fsType == u"nfs")
        return ShareProtocol::nfs;
    if (fsType == u"webdav")
        return ShareProtocol::webdav;
    return std::nullopt;
}

QString label(ShareProtocol proto)
{
    return QString::fromUtf8(factsOf(proto).label);
}

QString urlScheme(ShareProtocol proto)
{
    return QString::fromLatin1(factsOf(proto).scheme);
}

int defaultPort(ShareProtocol proto)
{
    return factsOf(proto).port;
}

QString fsTypeName(ShareProtocol proto)
{
    return QString::fromLatin1(factsOf(proto).fsType);
}

QString bonjourType(ShareProtocol proto)
{
    return QString::fromLatin1(factsOf(proto).bonjour);
}

bool supportsUser(ShareProtocol proto)
{
    return proto != ShareProtocol::nfs;
}
