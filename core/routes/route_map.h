#pragma once

#include "model/profile.h"
#include "model/share_spec.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>
#include <vector>

// One server on a route's map, with the route's shares that run to it.
struct RouteStation {
    QString host; // as written in the first member share found for it
    QList<QUuid> shareIDs; // in the order of the saved-share list

    const QString& id() const { return host; }

    friend bool operator==(const RouteStation&, const RouteStation&) = default;
};

// Pure operations for drawing and editing routes; the store saves and logs.
namespace RouteMap {

// One station per normalised host, in the order the saved-share list first reaches it.
std::vector<RouteStation> stations(const Profile& profile, const std::vector<ShareSpec>& shares);
Profile toggling(const QUuid& shareID, Profile profile);
std::vector<Profile> removing(const QUuid& shareID, std::vector<Profile> profiles);
QString nextName(const std::vector<Profile>& existing);
std::optional<QUuid> activeAfterDeleting(const QUuid& deleted, const std::optional<QUuid>& active);

} // namespace RouteMap
