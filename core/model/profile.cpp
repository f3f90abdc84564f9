#include "model/profile.h"

#include "model/share_spec.h"

#include <QHashFunctions>
#include <QJsonArray>

QJsonObject Profile::toJson() const
{
    QJsonArray ids;
    for (const QUuid& share : shareIDs)
        ids.append(JsonFields::uuidText(share));
    QJsonObject json;
    json.insert(QStringLiteral("id"), JsonFields::uuidText(id));
    json.insert(QStringLiteral("name"), name);
    json.insert(QStringLiteral("symbol"), symbol);
    json.insert(QStringLiteral("shareIDs"), ids);
    json.insert(QStringLiteral("unmountOthers"), unmountOthers);
    return json;
}

const QStringList& Profile::jsonKeys()
{
    static const QStringList keys {QStringLiteral("id"), QStringLiteral("name"), QStringLiteral("symbol"),
        QStringLiteral("shareIDs"), QStringLiteral("unmountOthers")};
    return keys;
}

std::optional<Profile> Profile::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject json = value.toObject();
    const std::optional<QUuid> id = JsonFields::uuid(json.value(u"id"));
    if (!id || !json.value(u"name").isString() || !json.value(u"symbol").isString()
        || !json.value(u"shareIDs").isArray() || !json.value(u"unmountOthers").isBool())
        return std::nullopt;
    Profile profile {*id, json.value(u"name").toString(), json.value(u"symbol").toString(), {},
        json.value(u"unmountOthers").toBool()};
    for (const QJsonValue& share : json.value(u"shareIDs").toArray()) {
        const std::optional<QUuid> shareID = JsonFields::uuid(share);
        if (!shareID)
            return std::nullopt;
        profile.shareIDs.append(*shareID);
    }
    return profile;
}

size_t qHash(const Profile& profile, size_t seed)
{
    return qHashMulti(seed, profile.id, profile.name, profile.symbol, profile.shareIDs, profile.unmountOthers);
}
