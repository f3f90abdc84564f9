#include "model/share_address.h"

#include "model/share_spec.h"
#include "model/text_rules.h"

#include <QUuid>

using namespace TextRules;

QString ShareAddress::Problem::message() const
{
    switch (kind) {
    case Kind::unsupportedScheme:
        return QStringLiteral("“") + text + QStringLiteral("://” isn’t a file-sharing address");
    case Kind::badPort:
        return QStringLiteral("“") + text + QStringLiteral("” isn’t a port number");
    case Kind::empty:
        return QStringLiteral("Type or paste an address");
    case Kind::missingHost:
        return QStringLiteral("Add a server name");
    }
    return {};
}

ShareSpec ShareAddress::spec() const
{
    return ShareSpec(QUuid::createUuid(), QString(), proto, host, port, path, user, false, true);
}

namespace {

// Rewrites the two scheme-less network path forms (\\server\share and //server/share) as SMB addresses.
QString expandShorthand(const QString& text)
{
    if (text.startsWith(u"\\\\")) {
        QString rest = text.mid(2);
        rest.replace(u'\\', u'/');
        return QStringLiteral("smb://") + rest;
    }
    if (text.startsWith(u"//"))
        return QStringLiteral("smb:") + text;
    return text;
}

} // namespace

ShareAddress::Parsed ShareAddress::parse(const QString& input)
{
    const QString text = expandShorthand(trimmedWhitespace(input));
    if (text.isEmpty())
        return Problem::empty();

    QString scheme = QStringLiteral("smb");
    QString rest = text;
    if (const qsizetype at = text.indexOf(u"://"); at >= 0) {
        scheme = text.left(at);
        rest = text.mid(at + 3);
    }
    const std::optional<ShareProtocol> proto = shareProtocolFromScheme(scheme);
    if (!proto)
        return Problem::unsupportedScheme(scheme);

    if (*proto == ShareProtocol::webdav || *proto == ShareProtocol::webdavs) {
        for (qsizetype i = 0; i < rest.size(); ++i) {
            if (rest[i] == u'?' || rest[i] == u'#') {
                rest.truncate(i);
                break;
            }
        }
    }

    const qsizetype slash = rest.indexOf(u'/');
    const QString authority = slash >= 0 ? rest.left(slash) : rest;
    const QString pathPart = slash >= 0 ? rest.mid(slash) : QString();

    ShareAddress address;
    address.proto = *proto;
    QString serverPart = authority;
    if (const qsizetype at = authority.lastIndexOf(u'@'); at >= 0) {
        const QString userInfo = authority.left(at);
        serverPart = authority.mid(at + 1);
        QString user = userInfo;
        if (const qsizetype colon = userInfo.indexOf(u':'); colon >= 0) {
            user = userInfo.left(colon);
            address.hadPassword = colon + 1 < userInfo.size();
        }
        address.user = percentDecodedOrSelf(user);
    }

    QString host;
    std::optional<QString> portText;
    if (serverPart.startsWith(u'[')) {
        const qsizetype close = serverPart.indexOf(u']');
        if (close < 0)
            return Problem::missingHost();
        host = serverPart.mid(1, close - 1);
        if (close + 1 < serverPart.size() && serverPart[close + 1] == u':')
            portText = serverPart.mid(close + 2);
    } else if (serverPart.count(u':') == 1) {
        const qsizetype colon = serverPart.indexOf(u':');
        host = serverPart.left(colon);
        portText = serverPart.mid(colon + 1);
    } else {
        host = serverPart;
    }

    address.host = trimmedBlanks(percentDecodedOrSelf(host));
    if (address.host.isEmpty())
        return Problem::missingHost();

    if (portText && !portText->isEmpty()) {
        const std::optional<long long> value = decimalInteger(*portText);
        if (!value || *value < 1 || *value > 65535)
            return Problem::badPort(*portText);
        address.port = static_cast<int>(*value);
    }

    address.path = trimmed(percentDecodedOrSelf(pathPart), u'/');
    if (!supportsUser(address.proto))
        address.user.clear();
    return address;
}

QString ShareAddress::bracketed(const QString& host)
{
    if (host.contains(u':') && !host.startsWith(u'['))
        return u'[' + host + u']';
    return host;
}

QString ShareAddress::replacingScheme(const QString& line, ShareProtocol proto)
{
    const QString text = trimmedWhitespace(line);
    QString kept;
    if (text.startsWith(u"\\\\")) {
        kept = text.mid(2);
        kept.replace(u'\\', u'/');
    } else if (text.startsWith(u"//")) {
        kept = text.mid(2);
    } else if (const qsizetype at = text.indexOf(u"://"); at >= 0) {
        kept = text.mid(at + 3);
    } else {
        kept = text;
    }
    return urlScheme(proto) + QStringLiteral("://") + kept;
}
