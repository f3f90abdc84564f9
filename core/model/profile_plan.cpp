#include "model/profile_plan.h"

ProfilePlan ProfilePlan::make(const Profile& profile, const std::vector<ShareSpec>& shares, const QSet<QUuid>& mounted)
{
    QSet<QUuid> existing;
    for (const ShareSpec& share : shares)
        existing.insert(share.id);

    QList<QUuid> members;
    for (const QUuid& id : profile.shareIDs) {
        if (existing.contains(id))
            members.append(id);
    }

    ProfilePlan plan;
    for (const QUuid& id : members) {
        if (!mounted.contains(id))
            plan.toMount.append(id);
    }
    if (profile.unmountOthers) {
        for (const ShareSpec& share : shares) {
            if (mounted.contains(share.id) && !members.contains(share.id))
                plan.toUnmount.append(share.id);
        }
    }
    return plan;
}
