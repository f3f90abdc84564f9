#include "model/mounted_volume.h"

#include "model/text_rules.h"

#include <QStringList>

using namespace TextRules;

MountedVolume::MountedVolume(QString mountPoint, QString fsType, QString from)
    : mountPoint(std::move(mountPoint))
    , fsType(std::move(fsType))
    , from(std::move(from))
{
    proto = shareProtocolFromFsType(this->fsType);
    Source source = parseSource(this->from, this->fsType);
    host = std::move(source.host);
    user = std::move(source.user);
    share = std::move(source.share);
}

QString MountedVolume::displayName() const
{
    const QStringList parts = mountPoint.split(u'/', Qt::SkipEmptyParts);
    return parts.isEmpty() ? mountPoint : parts.last();
}

MountedVolume::Source MountedVolume::parseSource(const QString& from, const QString& fsType)
{
    if (fsType == u"nfs" && from.contains(u':')) {
        // Linux writes an IPv6 server in brackets: [fe80::1]:/export.
        if (from.startsWith(u'[')) {
            const qsizetype close = from.indexOf(QStringLiteral("]:"));
            if (close > 0)
                return {from.mid(1, close - 1), {}, trimmed(from.mid(close + 2), u'/')};
        }
        const qsizetype colon = from.indexOf(u':');
        return {from.left(colon), {}, trimmed(from.mid(colon + 1), u'/')};
    }

    // Views until the parts are known: a refresh parses every mounted volume.
    QStringView rest = from;
    if (const qsizetype scheme = rest.indexOf(u"://"); scheme >= 0)
        rest = rest.mid(scheme + 3);
    while (rest.startsWith(u'/'))
        rest = rest.mid(1);

    const qsizetype slash = rest.indexOf(u'/');
    const QStringView authority = slash >= 0 ? rest.left(slash) : rest;
    QStringView sharePart;
    if (slash >= 0) {
        sharePart = rest.mid(slash + 1);
        while (sharePart.startsWith(u'/'))
            sharePart = sharePart.mid(1);
    }

    Source source;
    QStringView serverPart = authority;
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        serverPart = authority.mid(at + 1);
        QStringView user = authority.left(at);
        if (const qsizetype colon = user.indexOf(u':'); colon >= 0)
            user.truncate(colon);
        if (const qsizetype semicolon = user.lastIndexOf(u';'); semicolon >= 0)
            user = user.mid(semicolon + 1);
        source.user = percentDecodedOrSelf(user.toString());
    }

    QStringView host = serverPart;
    const qsizetype close = serverPart.indexOf(u']');
    if (serverPart.startsWith(u'[') && close >= 0) {
        host = serverPart.mid(1, close - 1);
    } else if (serverPart.count(u':') == 1) {
        const qsizetype colon = serverPart.indexOf(u':');
        if (isDecimalInteger(serverPart.mid(colon + 1)))
            host = serverPart.left(colon);
    }
    source.host = percentDecodedOrSelf(host.toString());
    source.share = trimmed(percentDecodedOrSelf(sharePart.toString()), u'/');
    return source;
}
