#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QUuid>

#include <array>
#include <optional>
#include <vector>

// One entry of the signal log: what happened, when, and to which share if to one.
struct ActivityEvent {
    enum class Kind { mounted, unmounted, dropped, recovered, failed, serverDown, serverUp, profile, info };

    QUuid id;
    QDateTime date;
    Kind kind;
    std::optional<QString> shareName;
    QString message;

    // Dates are written in UTC with whole seconds; an unknown kind or a missing field reads as nothing.
    QJsonObject toJson() const;
    static std::optional<ActivityEvent> fromJson(const QJsonValue& json);

    friend bool operator==(const ActivityEvent&, const ActivityEvent&) = default;
};

const std::array<ActivityEvent::Kind, 9>& allActivityKinds();
QString toRaw(ActivityEvent::Kind kind);
std::optional<ActivityEvent::Kind> activityKindFromRaw(const QString& raw);

namespace ActivityJson {

QJsonArray toJson(const std::vector<ActivityEvent>& events);
// The whole list or nothing: one unreadable entry makes the file unreadable.
std::optional<std::vector<ActivityEvent>> fromJson(const QJsonValue& json);

} // namespace ActivityJson
