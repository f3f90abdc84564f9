#include "log/activity_event.h"

#include <QRegularExpression>
#include <QTimeZone>

namespace {

constexpr std::array<std::pair<ActivityEvent::Kind, const char*>, 9> kindNames {{
    {ActivityEvent::Kind::mounted, "mounted"},
    {ActivityEvent::Kind::unmounted, "unmounted"},
    {ActivityEvent::Kind::dropped, "dropped"},
    {ActivityEvent::Kind::recovered, "recovered"},
    {ActivityEvent::Kind::failed, "failed"},
    {ActivityEvent::Kind::serverDown, "serverDown"},
    {ActivityEvent::Kind::serverUp, "serverUp"},
    {ActivityEvent::Kind::profile, "profile"},
    {ActivityEvent::Kind::info, "info"},
}};

// Only the stored form, a date-time in UTC: a bare date or a time without its zone would be read in
// the machine's own zone and name another instant on another machine.
std::optional<QDateTime> isoDate(const QJsonValue& value)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}(\\.[0-9]+)?Z$"));
    if (!value.isString() || !form.match(value.toString()).hasMatch())
        return std::nullopt;
    const QDateTime date = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
    if (!date.isValid())
        return std::nullopt;
    return date.toUTC();
}

std::optional<QUuid> uuid(const QJsonValue& value)
{
    if (!value.isString() || value.toString().size() != 36)
        return std::nullopt;
    const QUuid id = QUuid::fromString(value.toString());
    if (id.toString(QUuid::WithoutBraces).compare(value.toString(), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return id;
}

} // namespace

const std::array<ActivityEvent::Kind, 9>& allActivityKinds()
{
    static const std::array<ActivityEvent::Kind, 9> kinds = [] {
        std::array<ActivityEvent::Kind, 9> all {};
        for (std::size_t i = 0; i < kindNames.size(); ++i)
            all[i] = kindNames[i].first;
        return all;
    }();
    return kinds;
}

QString toRaw(ActivityEvent::Kind kind)
{
    for (const auto& [value, name] : kindNames) {
        if (value == kind)
            return QString::fromLatin1(name);
    }
    return {};
}

std::optional<ActivityEvent::Kind> activityKindFromRaw(const QString& raw)
{
    for (const auto& [value, name] : kindNames) {
        if (raw == QLatin1String(name))
            return value;
    }
    return std::nullopt;
}

QJsonObject ActivityEvent::toJson() const
{
    QJsonObject json;
    json.insert(QStringLiteral("id"), id.toString(QUuid::WithoutBraces).toUpper());
    QDateTime whole = date.toUTC();
    whole.setTime(QTime(whole.time().hour(), whole.time().minute(), whole.time().second()));
    json.insert(QStringLiteral("date"), whole.toString(Qt::ISODate));
    json.insert(QStringLiteral("kind"), toRaw(kind));
    if (shareName)
        json.insert(QStringLiteral("shareName"), *shareName);
    json.insert(QStringLiteral("message"), message);
    return json;
}

std::optional<ActivityEvent> ActivityEvent::fromJson(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject json = value.toObject();
    const std::optional<QUuid> id = uuid(json.value(u"id"));
    const std::optional<QDateTime> date = isoDate(json.value(u"date"));
    const std::optional<Kind> kind = activityKindFromRaw(json.value(u"kind").toString());
    const QJsonValue shareName = json.value(u"shareName");
    if (!id || !date || !kind || !json.value(u"message").isString())
        return std::nullopt;
    ActivityEvent event {*id, *date, *kind, std::nullopt, json.value(u"message").toString()};
    if (shareName.isString())
        event.shareName = shareName.toString();
    else if (!shareName.isUndefined() && !shareName.isNull())
        return std::nullopt;
    return event;
}

namespace ActivityJson {

QJsonArray toJson(const std::vector<ActivityEvent>& events)
{
    QJsonArray array;
    for (const ActivityEvent& event : events)
        array.append(event.toJson());
    return array;
}

std::optional<std::vector<ActivityEvent>> fromJson(const QJsonValue& json)
{
    if (!json.isArray())
        return std::nullopt;
    std::vector<ActivityEvent> events;
    for (const QJsonValue& entry : json.toArray()) {
        std::optional<ActivityEvent> event = ActivityEvent::fromJson(entry);
        if (!event)
            return std::nullopt;
        events.push_back(std::move(*event));
    }
    return events;
}

} // namespace ActivityJson
