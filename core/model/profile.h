#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

// A route: a named set of saved shares connected together in one step.
struct Profile {
    QUuid id;
    QString name;
    QString symbol;
    QList<QUuid> shareIDs; // in the order the user added them; may name deleted shares
    bool unmountOthers = false;

    QJsonObject toJson() const;
    // Every key is required; a missing or mistyped one reads as nothing.
    static std::optional<Profile> fromJson(const QJsonValue& json);
    // The order in which a record's keys are written.
    static const QStringList& jsonKeys();

    friend bool operator==(const Profile&, const Profile&) = default;
};

size_t qHash(const Profile& profile, size_t seed = 0);
