#include "model/share_spec.h"

#include "model/mount_matcher.h"
#include "model/text_rules.h"

#include <QStringList>

#include <QHashFunctions>

#include <cmath>

using namespace TextRules;

ShareSpec::ShareSpec(QUuid id, QString name, ShareProtocol proto, QString host, std::optional<int> port,
    QString path, QString user, bool askEveryTime, bool keepConnected)
    : id(id)
    , proto(proto)
    , port(port)
    , user(std::move(user))
    , askEveryTime(askEveryTime)
    , keepConnected(keepConnected)
{
    this->host = trimmedBlanks(host);
    if (this->host.size() >= 2 && this->host.startsWith(u'[') && this->host.endsWith(u']'))
        this->host = this->host.mid(1, this->host.size() - 2);
    this->path = trimmed(path, u'/');
    this->name = name.isEmpty() ? defaultName(this->path, this->host) : std::move(name);
}

int ShareSpec::effectivePort() const
{
    return port.value_or(defaultPort(proto));
}

QString ShareSpec::serverKey() const
{
    return MountMatcher::normalizeHost(host) + u':' + QString::number(effectivePort());
}

std::optional<QUrl> ShareSpec::url() const
{
    QUrl url;
    url.setScheme(urlScheme(proto));
    if (host.contains(u':')) {
        QString encoded = host;
        encoded.replace(u'%', QStringLiteral("%25"));
        url.setHost(u'[' + encoded + u']', QUrl::TolerantMode);
    } else {
        url.setHost(host, QUrl::DecodedMode);
    }
    if (port)
        url.setPort(*port);
    if (supportsUser(proto) && !user.isEmpty())
        url.setUserName(user, QUrl::DecodedMode);
    url.setPath(u'/' + path, QUrl::DecodedMode);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

QString ShareSpec::displayURL() const
{
    QString text = urlScheme(proto) + QStringLiteral("://");
    if (supportsUser(proto) && !user.isEmpty())
        text += user + u'@';
    text += ShareAddress::bracketed(host);
    if (port)
        text += u':' + QString::number(*port);
    if (!path.isEmpty())
        text += u'/' + path;
    return text;
}

QString ShareSpec::defaultName(const QString& path, const QString& host)
{
    const QStringList pieces = path.split(u'/', Qt::SkipEmptyParts);
    return pieces.isEmpty() ? host : pieces.last();
}

std::optional<ShareSpec> ShareSpec::parse(const QString& text)
{
    const ShareAddress::Parsed parsed = ShareAddress::parse(text);
    if (const ShareAddress* address = std::get_if<ShareAddress>(&parsed))
        return address->spec();
    return std::nullopt;
}

QJsonObject ShareSpec::toJson() const
{
    QJsonObject json;
    json.insert(QStringLiteral("id"), JsonFields::uuidText(id));
    json.insert(QStringLiteral("name"), name);
    json.insert(QStringLiteral("proto"), toRaw(proto));
    json.insert(QStringLiteral("host"), host);
    if (port)
        json.insert(QStringLiteral("port"), *port);
    json.insert(QStringLiteral("path"), path);
    json.insert(QStringLiteral("user"), user);
    json.insert(QStringLiteral("askEveryTime"), askEveryTime);
    json.insert(QStringLiteral("keepConnected"), keepConnected);
    return json;
}

const QStringList& ShareSpec::jsonKeys()
{
    static const QStringList keys {QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("proto"),
        QStringLiteral("host"), QStringLiteral("port"), QStringLiteral("path"), QStringLiteral("user"),
        QStringLiteral("askEveryTime"), QStringLiteral("keepConnected")};
    return keys;
}

std::optional<ShareSpec> ShareSpec::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject json = value.toObject();
    const std::optional<QUuid> id = JsonFields::uuid(json.value(u"id"));
    const std::optional<ShareProtocol> proto = shareProtocolFromRaw(json.value(u"proto").toString());
    const QJsonValue port = json.value(u"port");
    for (const char* key : {"name", "host", "path", "user"}) {
        if (!json.value(QLatin1String(key)).isString())
            return std::nullopt;
    }
    if (!id || !proto || !json.value(u"askEveryTime").isBool() || !json.value(u"keepConnected").isBool())
        return std::nullopt;

    std::optional<int> storedPort;
    if (!port.isUndefined() && !port.isNull()) {
        const double number = port.toDouble(NAN);
        if (!port.isDouble() || std::trunc(number) != number || std::abs(number) > 2147483647.0)
            return std::nullopt;
        storedPort = static_cast<int>(number);
    }

    ShareSpec spec(*id, QStringLiteral("-"), *proto, {}, storedPort, {}, {}, json.value(u"askEveryTime").toBool(),
        json.value(u"keepConnected").toBool());
    spec.name = json.value(u"name").toString();
    spec.host = json.value(u"host").toString();
    spec.path = json.value(u"path").toString();
    spec.user = json.value(u"user").toString();
    return spec;
}

size_t qHash(const ShareSpec& spec, size_t seed)
{
    return qHashMulti(seed, spec.id, spec.name, static_cast<int>(spec.proto), spec.host, spec.port.value_or(-1),
        spec.path, spec.user, spec.askEveryTime, spec.keepConnected);
}

namespace JsonFields {

std::optional<QUuid> uuid(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    if (text.size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(text);
    if (id.toString(QUuid::WithoutBraces).compare(text, Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return id;
}

QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

} // namespace JsonFields
