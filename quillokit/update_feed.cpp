#include "quillokit/update_feed.h"

#include <QJsonDocument>
#include <QJsonObject>


namespace {

// A required text key; nullopt when it is missing or not text.
std::optional<QString> requiredText(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? std::optional(value.toString()) : std::nullopt;
}

// An optional text key: absent (or null) is fine, any other type makes the whole record unreadable.
bool optionalText(const QJsonObject& object, const QString& key, std::optional<QString>& out)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull())
        return true;
    if (!value.isString())
        return false;
    out = value.toString();
    return true;
}

std::optional<qint64> integer(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const qint64 whole = value.toInteger(-1);
    // toInteger() falls back for fractions and out-of-range numbers; only an exact whole number counts.
    if (whole == -1 && value.toDouble() != -1.0)
        return std::nullopt;
    return whole;
}

std::optional<UpdateFeed::Download> decodeDownload(const QJsonObject& object)
{
    const auto url = requiredText(object, QStringLiteral("url"));
    const auto length = integer(object.value(QStringLiteral("length")));
    const auto signature = requiredText(object, QStringLiteral("edSignature"));
    if (!url || !length || !signature)
        return std::nullopt;
    return UpdateFeed::Download{*url, *length, *signature};
}

} // namespace

std::optional<UpdateFeed> UpdateFeed::decode(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    UpdateFeed feed;
    const auto version = requiredText(object, QStringLiteral("version"));
    const auto url = requiredText(object, QStringLiteral("url"));
    if (!version || !url)
        return std::nullopt;
    feed.version = *version;
    feed.url = *url;
    if (!optionalText(object, QStringLiteral("notes"), feed.notes)
        || !optionalText(object, QStringLiteral("minimumSystemVersion"), feed.minimumSystemVersion))
        return std::nullopt;

    const QJsonValue download = object.value(QStringLiteral("download"));
    if (!download.isUndefined() && !download.isNull()) {
        if (!download.isObject())
            return std::nullopt;
        feed.download = decodeDownload(download.toObject());
        if (!feed.download)
            return std::nullopt;
    }
    return feed;
}

QByteArray UpdateFeed::encode() const
{
    QJsonObject object{{QStringLiteral("version"), version}, {QStringLiteral("url"), url}};
    if (notes)
        object.insert(QStringLiteral("notes"), *notes);
    if (minimumSystemVersion)
        object.insert(QStringLiteral("minimumSystemVersion"), *minimumSystemVersion);
    if (download)
        object.insert(QStringLiteral("download"),
                      QJsonObject{{QStringLiteral("url"), download->url},
                                  {QStringLiteral("length"), download->length},
                                  {QStringLiteral("edSignature"), download->edSignature}});
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}
