#include "store/share_store.h"

#include "health/trace.h"
#include "log/signal_log.h"
#include "model/mount_matcher.h"
#include "model/profile_plan.h"
#include "platform/atomic_file.h"
#include "platform/desktop.h"
#include "platform/network_path_monitor.h"
#include "platform/user_defaults.h"
#include "platform/volume_notices.h"
#include "platform/wake_notices.h"
#include "routes/route_map.h"
#include "services/keychain.h"
#include "services/mounter.h"
#include "services/mounter_interface.h"
#include "services/notifier.h"
#include "store/fmt.h"
#include "store/store_constants.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <memory>

// ---- What the user does ----

void ShareStore::mount(const ShareSpec& share)
{
    interactiveMounts_.insert(share.id);
    apply(LinkMachine::Event::userMount(), share.id);
    const ShareRuntime* rec = record(share.id);
    if (!rec || rec->machine.phase() != LinkMachine::Phase::mounting)
        interactiveMounts_.remove(share.id);
    markConnected(share, true);
}

void ShareStore::unmount(const ShareSpec& share, bool force)
{
    forgetCertificate(share);
    const ShareRuntime* rec = record(share.id);
    const std::optional<MountedVolume> volume = rec ? rec->volume : std::nullopt;
    if (!volume) {
        apply(LinkMachine::Event::userUnmount(), share.id);
        return;
    }
    const bool forcible = force || status(share).kind == ShareStatus::Kind::stale;
    apply(LinkMachine::Event::userUnmount(), share.id);
    markConnected(share, false);
    if (demoMode || !services_.mounter)
        return;
    const QUuid id = share.id;
    const QString name = share.name;
    if (auto found = runtime_.find(id); found != runtime_.end()) {
        found->busy = true;
        Q_EMIT runtimeChanged(id);
    }
    services_.mounter->unmount(volume->mountPoint, forcible, [this, alive = weakAlive(), id, name](std::optional<QString> error) {
        post(alive, [this, id, name, error] {
            auto found = runtime_.find(id);
            if (found != runtime_.end()) {
                found->busy = false;
                if (error)
                    found->lastError = *error;
                Q_EMIT runtimeChanged(id);
            }
            if (error)
                log(ActivityEvent::Kind::failed, name, QStringLiteral("Couldn’t eject: ") + *error);
            else
                log(ActivityEvent::Kind::unmounted, name, QStringLiteral("Ejected"));
            refreshMounts();
        });
    });
}

void ShareStore::mountAll()
{
    const std::vector<ShareSpec> shares = shares_;
    for (const ShareSpec& share : shares) {
        if (!isMounted(share))
            mount(share);
    }
}

void ShareStore::activate(const Profile& profile)
{
    // A route chosen by hand stays until the network changes.
    following_ = false;
    if (chosenBy_) {
        chosenBy_.reset();
        saveNetworks();
        Q_EMIT networksChanged();
    }
    switchTo(profile, QStringLiteral("Switched to the ") + profile.name + QStringLiteral(" route"));
}

void ShareStore::switchTo(const Profile& profile, const QString& message)
{
    setActiveProfileID(profile.id);
    QSet<QUuid> mounted;
    for (const ShareSpec& share : shares_) {
        if (isMounted(share))
            mounted.insert(share.id);
    }
    const ProfilePlan plan = ProfilePlan::make(profile, shares_, mounted);
    log(ActivityEvent::Kind::profile, std::nullopt, message);
    showToast(QStringLiteral("Route: ") + profile.name,
        QStringLiteral("point.topleft.down.to.point.bottomright.curvepath"), ToastTint::blue);
    for (const QUuid& id : plan.toUnmount) {
        if (const ShareSpec* s = share(id))
            unmount(ShareSpec(*s), false);
    }
    for (const QUuid& id : plan.toMount) {
        if (const ShareSpec* s = share(id))
            mount(ShareSpec(*s));
    }
}

void ShareStore::upsert(const ShareSpec& spec, const std::optional<QString>& password)
{
    if (password && !password->isEmpty() && !spec.askEveryTime && !demoMode && services_.keychain)
        services_.keychain->save(*password, spec, [](bool) {});
    std::vector<ShareSpec> shares = shares_;
    const auto found = std::find_if(shares.begin(), shares.end(), [&](const ShareSpec& s) { return s.id == spec.id; });
    const bool existed = found != shares.end();
    if (existed)
        *found = spec;
    else
        shares.push_back(spec);
    setShares(std::move(shares));
    refreshMounts();
    showToast((existed ? QStringLiteral("Saved “") : QStringLiteral("Added “")) + spec.name + QStringLiteral("”"),
        QStringLiteral("checkmark.circle.fill"), ToastTint::blue);
}

void ShareStore::remove(const ShareSpec& spec)
{
    std::vector<ShareSpec> shares = shares_;
    std::erase_if(shares, [&](const ShareSpec& s) { return s.id == spec.id; });
    forgetCertificate(spec);
    awaitingHand_.remove(spec.id);
    setShares(std::move(shares));
    setProfiles(RouteMap::removing(spec.id, profiles_));
    showToast(QStringLiteral("Removed “") + spec.name + QStringLiteral("” from Mountwire"), QStringLiteral("trash"),
        ToastTint::ink2);
}

void ShareStore::addProfile()
{
    std::vector<Profile> profiles = profiles_;
    profiles.push_back(Profile {QUuid::createUuid(), RouteMap::nextName(profiles_), QStringLiteral("building.2"), {},
        false});
    setProfiles(std::move(profiles));
}

void ShareStore::deleteProfile(const QUuid& id)
{
    const auto found = std::find_if(profiles_.begin(), profiles_.end(), [&](const Profile& p) { return p.id == id; });
    if (found == profiles_.end())
        return;
    const QString name = found->name;
    setActiveProfileID(RouteMap::activeAfterDeleting(id, activeProfileID_));
    std::vector<Profile> profiles = profiles_;
    std::erase_if(profiles, [&](const Profile& p) { return p.id == id; });
    setProfiles(std::move(profiles));
    showToast(QStringLiteral("Deleted the “") + name + QStringLiteral("” route"), QStringLiteral("trash"),
        ToastTint::ink2);
}

void ShareStore::updateProfile(const Profile& profile)
{
    std::vector<Profile> profiles = profiles_;
    const auto found = std::find_if(profiles.begin(), profiles.end(), [&](const Profile& p) { return p.id == profile.id; });
    if (found == profiles.end() || *found == profile)
        return;
    *found = profile;
    setProfiles(std::move(profiles));
}

void ShareStore::renameProfile(const QUuid& id, const QString& name)
{
    const auto found = std::find_if(profiles_.begin(), profiles_.end(), [&](const Profile& p) { return p.id == id; });
    const QString trimmed = name.trimmed();
    if (found == profiles_.end() || trimmed.isEmpty())
        return;
    Profile renamed = *found;
    renamed.name = trimmed;
    updateProfile(renamed);
}

void ShareStore::toggle(const ShareSpec& spec, const QUuid& routeID)
{
    const auto found = std::find_if(profiles_.begin(), profiles_.end(), [&](const Profile& p) { return p.id == routeID; });
    if (found != profiles_.end())
        updateProfile(RouteMap::toggling(spec.id, *found));
}

void ShareStore::setKeepConnected(const ShareSpec& spec, bool on)
{
    std::vector<ShareSpec> shares = shares_;
    const auto found = std::find_if(shares.begin(), shares.end(), [&](const ShareSpec& s) { return s.id == spec.id; });
    if (found == shares.end())
        return;
    found->keepConnected = on;
    setShares(std::move(shares));
    if (auto rec = runtime_.find(spec.id); rec != runtime_.end()) {
        rec->machine.setKeepConnected(on);
        Q_EMIT runtimeChanged(spec.id);
    }
}

void ShareStore::save(const MountedVolume& volume)
{
    upsert(ShareSpec(QUuid::createUuid(), QString(), volume.proto.value_or(ShareProtocol::smb), volume.host,
               std::nullopt, volume.share, volume.user, false, true),
        std::nullopt);
}

void ShareStore::clearEvents()
{
    setEvents({});
    saveEvents();
}

void ShareStore::applyRetention()
{
    setEvents(SignalLog::prune(events_, retention(), now()));
    saveEvents();
}

void ShareStore::showToast(const QString& text, const QString& symbol, ToastTint tint)
{
    toastTimer_.stop();
    toast_ = Toast {QUuid::createUuid(), text, symbol, tint};
    Q_EMIT toastChanged();
    toastTimer_.start(int(toastSeconds * 1000));
}

void ShareStore::open(const ShareSpec& spec)
{
    const ShareRuntime* rec = record(spec.id);
    if (rec && rec->volume && services_.desktop)
        services_.desktop->open(QUrl::fromLocalFile(rec->volume->mountPoint));
    else
        mount(spec);
}

void ShareStore::openFolder(const QString& mountPoint)
{
    if (services_.desktop)
        services_.desktop->open(QUrl::fromLocalFile(mountPoint));
}

void ShareStore::copyAddress(const ShareSpec& spec)
{
    if (services_.desktop)
        services_.desktop->copyToClipboard(spec.displayURL());
    showToast(QStringLiteral("Address copied"), QStringLiteral("doc.on.doc.fill"), ToastTint::blue);
}
