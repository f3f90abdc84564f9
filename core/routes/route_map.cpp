#include "routes/route_map.h"

#include "model/mount_matcher.h"

#include <QSet>

#include <array>

namespace RouteMap {

std::vector<RouteStation> stations(const Profile& profile, const std::vector<ShareSpec>& shares)
{
    const QSet<QUuid> members(profile.shareIDs.cbegin(), profile.shareIDs.cend());
    std::vector<RouteStation> result;
    std::vector<QString> normalized;
    for (const ShareSpec& share : shares) {
        if (!members.contains(share.id))
            continue;
        const QString host = MountMatcher::normalizeHost(share.host);
        std::size_t i = 0;
        while (i < normalized.size() && normalized[i] != host)
            ++i;
        if (i == normalized.size()) {
            result.push_back({share.host, {share.id}});
            normalized.push_back(host);
        } else {
            result[i].shareIDs.append(share.id);
        }
    }
    return result;
}

Profile toggling(const QUuid& shareID, Profile profile)
{
    if (profile.shareIDs.contains(shareID))
        profile.shareIDs.removeAll(shareID);
    else
        profile.shareIDs.append(shareID);
    return profile;
}

std::vector<Profile> removing(const QUuid& shareID, std::vector<Profile> profiles)
{
    for (Profile& profile : profiles)
        profile.shareIDs.removeAll(shareID);
    return profiles;
}

QString nextName(const std::vector<Profile>& existing)
{
    QSet<QString> taken;
    for (const Profile& profile : existing)
        taken.insert(profile.name.toLower());
    static const std::array<const char*, 5> candidates {"Office", "Home", "VPN", "Studio", "Travel"};
    for (const char* candidate : candidates) {
        const QString name = QString::fromLatin1(candidate);
        if (!taken.contains(name.toLower()))
            return name;
    }
    qsizetype n = static_cast<qsizetype>(existing.size()) + 1;
    while (taken.contains(QStringLiteral("route ") + QString::number(n)))
        ++n;
    return QStringLiteral("Route ") + QString::number(n);
}

std::optional<QUuid> activeAfterDeleting(const QUuid& deleted, const std::optional<QUuid>& active)
{
    if (active && *active == deleted)
        return std::nullopt;
    return active;
}

} // namespace RouteMap
