#pragma once

#include "model/profile.h"
#include "model/share_spec.h"

#include <QList>
#include <QSet>
#include <QUuid>

#include <vector>

// What activating a route does: which saved shares to mount and which to unmount. The store carries it out.
struct ProfilePlan {
    QList<QUuid> toMount; // in the route's order
    QList<QUuid> toUnmount; // in the saved-share order

    // `mounted` holds the ids of saved shares mounted now; volumes that are not saved shares never appear.
    static ProfilePlan make(const Profile& profile, const std::vector<ShareSpec>& shares, const QSet<QUuid>& mounted);

    friend bool operator==(const ProfilePlan&, const ProfilePlan&) = default;
};
