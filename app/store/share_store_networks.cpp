#include "store/share_store.h"

#include "platform/atomic_file.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

QString quoted(const NetworkFingerprint& network)
{
    return QStringLiteral("“") + network.displayName() + QStringLiteral("”");
}

// "Office", "Office and Home", "Office, Home and VPN".
QString namesOf(const std::vector<QUuid>& ids, const std::vector<Profile>& routes)
{
    QStringList names;
    for (const QUuid& id : ids) {
        const auto found = std::find_if(routes.begin(), routes.end(), [&](const Profile& p) { return p.id == id; });
        if (found != routes.end())
            names.append(found->name);
    }
    const QString last = names.isEmpty() ? QString() : names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

} // namespace

std::optional<NetworkFingerprint> ShareStore::chosenBy() const
{
    if (chosenBy_ && activeProfileID_ == chosenBy_->first)
        return chosenBy_->second;
    return std::nullopt;
}

void ShareStore::bindCurrentNetwork(const QUuid& routeID)
{
    const bool exists = std::any_of(profiles_.begin(), profiles_.end(), [&](const Profile& p) { return p.id == routeID; });
    if (!currentNetwork_ || !exists)
        return;
    // Binding the network the computer is on is no reason to switch away from the route in use.
    following_ = false;
    bindings_ = bindings_.binding(routeID, *currentNetwork_);
    saveNetworks();
    Q_EMIT networksChanged();
}

void ShareStore::unbindNetwork(const QUuid& routeID, const NetworkFingerprint& network)
{
    const RouteBindings changed = bindings_.unbinding(routeID, network);
    if (changed == bindings_)
        return;
    bindings_ = changed;
    saveNetworks();
    Q_EMIT networksChanged();
}

void ShareStore::networkSeen(const std::optional<NetworkFingerprint>& seen)
{
    // Going offline and back onto the same network is no change: a route chosen by hand stays.
    if (!seen) {
        if (currentNetwork_) {
            currentNetwork_.reset();
            Q_EMIT networksChanged();
        }
        return;
    }
    if (!lastNetwork_ || !lastNetwork_->sameNetwork(*seen)) {
        lastNetwork_ = *seen;
        following_ = true;
        saveNetworks();
    } else {
        lastNetwork_ = lastNetwork_->updatedBy(*seen);
    }
    if (currentNetwork_ != lastNetwork_) {
        currentNetwork_ = lastNetwork_;
        Q_EMIT networksChanged();
    }
    if (!following_)
        return;

    const NetworkFingerprint network = *lastNetwork_;
    const NetworkSwitch decision = NetworkSwitch::decide(bindings_, profiles_, activeProfileID_, network);
    switch (decision.kind) {
    case NetworkSwitch::Kind::stay:
        // A later sight may know the gateway's hardware address that a binding asks for.
        return;
    case NetworkSwitch::Kind::alreadyActive:
        following_ = false;
        return;
    case NetworkSwitch::Kind::ambiguous:
        following_ = false;
        log(ActivityEvent::Kind::info, std::nullopt,
            QStringLiteral("Didn’t switch routes: ") + quoted(network) + QStringLiteral(" is set for ")
                + namesOf(decision.routes, profiles_));
        return;
    case NetworkSwitch::Kind::activate:
        break;
    }
    following_ = false;
    const auto route = std::find_if(
        profiles_.begin(), profiles_.end(), [&](const Profile& p) { return p.id == decision.routes.front(); });
    const Profile chosen = *route;
    chosenBy_ = std::pair(chosen.id, network);
    saveNetworks();
    Q_EMIT networksChanged();
    switchTo(chosen, QStringLiteral("Switched to the ") + chosen.name + QStringLiteral(" route on joining ")
            + quoted(network));
}

void ShareStore::loadNetworks()
{
    QFile file(filePath(networksFileName()));
    // A folder from before routes followed the network has no file: nothing is bound.
    if (!file.open(QIODevice::ReadOnly))
        return;
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(file.readAll(), &error).object();
    std::optional<RouteBindings> bindings = RouteBindings::fromJson(object.value(QStringLiteral("bindings")));
    const QJsonValue last = object.value(QStringLiteral("lastNetwork"));
    const std::optional<NetworkFingerprint> lastNetwork = NetworkFingerprint::fromJson(last);
    const QJsonObject chosen = object.value(QStringLiteral("chosenBy")).toObject();
    const std::optional<QUuid> chosenRoute = JsonFields::uuid(chosen.value(QStringLiteral("route")));
    const std::optional<NetworkFingerprint> chosenNetwork = NetworkFingerprint::fromJson(chosen.value(QStringLiteral("network")));
    const bool lastOk = last.isUndefined() || lastNetwork;
    const bool chosenOk = !object.contains(QStringLiteral("chosenBy")) || (chosenRoute && chosenNetwork);
    if (error.error != QJsonParseError::NoError || !bindings || !lastOk || !chosenOk) {
        damaged_.insert(networksFileName());
        return;
    }
    bindings_ = bindings->keeping(profiles_);
    lastNetwork_ = lastNetwork;
    if (chosenRoute && chosenNetwork)
        chosenBy_ = std::pair(*chosenRoute, *chosenNetwork);
    Q_EMIT networksChanged();
}

void ShareStore::saveNetworks()
{
    if (!started_ || loading_ || demoMode || !keepDamaged(networksFileName()))
        return;
    QJsonObject object {{QStringLiteral("bindings"), bindings_.keeping(profiles_).toJson()}};
    if (lastNetwork_)
        object.insert(QStringLiteral("lastNetwork"), lastNetwork_->toJson());
    if (chosenBy_) {
        object.insert(QStringLiteral("chosenBy"),
            QJsonObject {{QStringLiteral("route"), JsonFields::uuidText(chosenBy_->first)},
                {QStringLiteral("network"), chosenBy_->second.toJson()}});
    }
    AtomicFile::write(filePath(networksFileName()), QJsonDocument(object).toJson(QJsonDocument::Indented));
}
