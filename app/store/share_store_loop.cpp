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

// ---- Start-up and the loop ----

void ShareStore::start()
{
    if (started_ || demoMode)
        return;
    started_ = true;
    load();
    // Said once, now, rather than at the first change that would replace the file.
    keepDamaged(sharesFileName());
    keepDamaged(eventsFileName());
    keepDamaged(networksFileName());
    if (services_.defaults->boolValue(QStringLiteral("mw.didShowWelcome")).value_or(false) && services_.notifier)
        services_.notifier->requestAuthorization();
    refreshMounts();

    const QStringList connected = services_.defaults->stringListValue(StoreConstants::keyConnectedShares).value_or(QStringList {});
    for (const ShareSpec& share : shares_) {
        auto record = runtime_.find(share.id);
        if (!share.keepConnected || record == runtime_.end() || record->volume)
            continue;
        if (connected.contains(JsonFields::uuidText(share.id), Qt::CaseInsensitive)) {
            record->machine.arm(now());
            Q_EMIT runtimeChanged(share.id);
        }
    }

    if (services_.volumeNotices) {
        const auto refresh = [this](const QString&) { refreshMounts(); };
        connect(services_.volumeNotices, &VolumeNotices::volumeDidMount, this, refresh);
        connect(services_.volumeNotices, &VolumeNotices::volumeDidUnmount, this, refresh);
        connect(services_.volumeNotices, &VolumeNotices::volumeDidRename, this, refresh);
    }
    if (services_.wakeNotices)
        connect(services_.wakeNotices, &WakeNotices::didWake, this, &ShareStore::didWake);
    if (services_.pathMonitor) {
        connect(services_.pathMonitor, &NetworkPathMonitor::pathUpdated, this, [this](const NetworkPath& path) {
            const QString signature = toRaw(path.status) + QLatin1Char('|') + path.interfaces.join(QLatin1Char(','));
            networkChanged(signature, path.status == NetworkPathStatus::satisfied);
            networkSeen(path.network);
        });
        services_.pathMonitor->start();
    }
    if (services_.mounter) {
        services_.mounter->setCertificateQuestion([this, alive = weakAlive()](const ShareSpec& share, auto answer) {
            const std::shared_ptr<bool> token = alive.lock();
            if (token && *token)
                answerCertificate(share, std::move(answer));
            else
                answer(Mounter::Status::cancelled);
        });
    }
    if (services_.heartbeatSeconds > 0)
        startHeartbeat(services_.heartbeatSeconds);
}

void ShareStore::startHeartbeat(double seconds)
{
    services_.heartbeatSeconds = seconds;
    heartbeat([this] { scheduleHeartbeat(); });
}

void ShareStore::scheduleHeartbeat()
{
    heartbeatTimer_.start(int(services_.heartbeatSeconds * 1000));
}

void ShareStore::heartbeat(std::function<void()> done)
{
    std::vector<QUuid> ids;
    for (const ShareSpec& share : shares_)
        ids.push_back(share.id);
    for (const QUuid& id : ids)
        apply(LinkMachine::Event::tick(), id);
    if (lastProbe_.secsTo(now()) >= probeInterval()) {
        probeAll(std::move(done));
        return;
    }
    if (done)
        done();
}

void ShareStore::probeAll(std::function<void()> done)
{
    if (demoMode || !services_.probe) {
        if (done)
            done();
        return;
    }
    lastProbe_ = now();
    std::map<QString, std::pair<QString, int>> targets;
    for (const ShareSpec& share : shares_)
        targets[share.serverKey()] = {share.host, share.effectivePort()};
    if (targets.empty()) {
        applyProbeResults(targets, {});
        checkHealth({}, std::move(done));
        return;
    }

    struct Pass {
        std::map<QString, std::pair<QString, int>> targets;
        std::map<QString, std::optional<double>> results;
        std::function<void()> done;
    };
    auto pass = std::make_shared<Pass>(Pass {targets, {}, std::move(done)});
    for (const auto& [key, target] : targets) {
        services_.probe(target.first, target.second, StoreConstants::probeTimeout, [this, alive = weakAlive(), pass, key](std::optional<double> ms) {
            post(alive, [this, pass, key, ms] {
                pass->results[key] = ms;
                if (pass->results.size() < pass->targets.size())
                    return;
                applyProbeResults(pass->targets, pass->results);
                std::vector<QUuid> ids;
                for (const ShareSpec& share : shares_)
                    ids.push_back(share.id);
                checkHealth(std::move(ids), std::move(pass->done));
            });
        });
    }
}

void ShareStore::applyProbeResults(const std::map<QString, std::pair<QString, int>>& targets,
    const std::map<QString, std::optional<double>>& results)
{
    for (const auto& [key, ms] : results) {
        auto found = servers_.find(key);
        const bool known = found != servers_.end();
        ReachabilityTracker tracker = known ? found->second : ReachabilityTracker(2, 40);
        tracker.failuresToMarkDown = failuresToMarkDown();
        const std::optional<bool> verdict = tracker.record(ms, now());
        servers_.insert_or_assign(key, tracker);
        if (!verdict)
            continue;
        const QString host = targets.at(key).first;
        if (!*verdict)
            log(ActivityEvent::Kind::serverDown, std::nullopt, host + QStringLiteral(" stopped answering"));
        else if (known)
            log(ActivityEvent::Kind::serverUp, std::nullopt, host + QStringLiteral(" is reachable again"));
        std::vector<QUuid> ids;
        for (const ShareSpec& share : shares_) {
            if (share.serverKey() == key)
                ids.push_back(share.id);
        }
        for (const QUuid& id : ids)
            apply(LinkMachine::Event::server(*verdict), id);
    }
    for (auto it = servers_.begin(); it != servers_.end();)
        it = targets.contains(it->first) ? std::next(it) : servers_.erase(it);
    Q_EMIT serversChanged();
}

void ShareStore::checkHealth(std::vector<QUuid> remaining, std::function<void()> done)
{
    while (!remaining.empty()) {
        const QUuid id = remaining.front();
        remaining.erase(remaining.begin());
        const ShareRuntime* rec = record(id);
        if (!rec || !rec->volume || !services_.checkHealth)
            continue;
        const QString path = rec->volume->mountPoint;
        services_.checkHealth(path, StoreConstants::staleTimeout,
            [this, alive = weakAlive(), id, path, remaining, done](std::optional<VolumeHealth> health) mutable {
                post(alive, [this, id, path, health, remaining = std::move(remaining), done = std::move(done)]() mutable {
                    auto found = runtime_.find(id);
                    if (health && found != runtime_.end() && found->volume && found->volume->mountPoint == path) {
                        if (health->kind == VolumeHealth::Kind::stale) {
                            apply(LinkMachine::Event::mountStale(), id);
                        } else {
                            found->health = health;
                            Q_EMIT runtimeChanged(id);
                            apply(LinkMachine::Event::mountResponsive(), id);
                        }
                    }
                    checkHealth(std::move(remaining), std::move(done));
                });
            });
        return;
    }
    if (done)
        done();
}

void ShareStore::refreshMounts()
{
    if (demoMode || !services_.mountTable)
        return;
    const std::vector<MountedVolume> volumes = services_.mountTable();
    const QHash<QUuid, MountedVolume> assigned = MountMatcher::assign(shares_, volumes);
    const std::vector<ShareSpec> shares = shares_;
    for (const ShareSpec& share : shares) {
        auto found = runtime_.find(share.id);
        if (found == runtime_.end())
            continue;
        const std::optional<MountedVolume> old = found->volume;
        std::optional<MountedVolume> current;
        if (const auto it = assigned.find(share.id); it != assigned.end())
            current = *it;
        const bool mounting = found->machine.phase() == LinkMachine::Phase::mounting;
        if (old != current) {
            found->volume = current;
            Q_EMIT runtimeChanged(share.id);
        }
        if (!old && current) {
            // A mount that reported no mount point is matched by whatever volume shows up first.
            const bool loggedByMount = mountLogged_.contains(share.id)
                && (mountLogged_.value(share.id).isEmpty() || mountLogged_.value(share.id) == current->mountPoint);
            mountLogged_.remove(share.id);
            if (!mounting && !loggedByMount)
                log(ActivityEvent::Kind::mounted, share.name, QStringLiteral("Mounted at ") + current->mountPoint);
            apply(LinkMachine::Event::mountAppeared(), share.id);
        } else if (old && !current) {
            mountLogged_.remove(share.id);
            found = runtime_.find(share.id);
            if (found != runtime_.end())
                found->health.reset();
            apply(LinkMachine::Event::mountDisappeared(), share.id);
        }
    }
    QSet<QString> claimed;
    for (const MountedVolume& volume : assigned)
        claimed.insert(volume.mountPoint);
    std::vector<MountedVolume> others;
    for (const MountedVolume& volume : volumes) {
        if (!claimed.contains(volume.mountPoint))
            others.push_back(volume);
    }
    setOtherVolumes(std::move(others));
}

void ShareStore::apply(const LinkMachine::Event& event, const QUuid& id)
{
    auto found = runtime_.find(id);
    const ShareSpec* spec = share(id);
    if (found == runtime_.end() || !spec)
        return;
    const ShareSpec share = *spec;
    ShareRuntime rec = *found;
    rec.machine.backoff = Backoff {StoreConstants::backoffBase, retryCap()};
    rec.machine.keepConnected = share.keepConnected;
    const ShareRuntime before = rec;
    const std::optional<LinkMachine::Action> action = rec.machine.handle(event, now());
    *found = rec;
    if (!(before.machine == rec.machine))
        Q_EMIT runtimeChanged(id);
    if (!action)
        return;
    switch (*action) {
    case LinkMachine::Action::mount:
        performMount(share);
        break;
    case LinkMachine::Action::notifyDropped:
        log(ActivityEvent::Kind::dropped, share.name, QStringLiteral("Lost connection to ") + share.displayURL());
        if (notifyDrops() && services_.notifier)
            services_.notifier->post(NotificationText::dropped(share.name, share.host),
                {NotificationAction::Kind::reconnect, share.id});
        break;
    case LinkMachine::Action::notifyRecovered:
        log(ActivityEvent::Kind::recovered, share.name, QStringLiteral("Back online"));
        if (notifyRecoveries() && services_.notifier)
            services_.notifier->post(NotificationText::recovered(share.name, share.host),
                {NotificationAction::Kind::open, share.id});
        break;
    }
}

void ShareStore::broadcast(const LinkMachine::Event& event)
{
    std::vector<QUuid> ids;
    for (const ShareSpec& share : shares_)
        ids.push_back(share.id);
    for (const QUuid& id : ids)
        apply(event, id);
}

void ShareStore::didWake()
{
    log(ActivityEvent::Kind::info, std::nullopt, QStringLiteral("Computer woke from sleep"));
    if (reconnectAfterWake())
        broadcast(LinkMachine::Event::wake());
    refreshMounts();
    probeAll();
}

void ShareStore::networkChanged(const QString& signature, bool satisfied)
{
    if (lastPathSignature_ && *lastPathSignature_ != signature) {
        log(ActivityEvent::Kind::info, std::nullopt,
            satisfied ? QStringLiteral("Network changed") : QStringLiteral("Network connection lost"));
        if (satisfied) {
            broadcast(LinkMachine::Event::networkChanged());
            onMain([this] { probeAll(); });
        }
    }
    lastPathSignature_ = signature;
}

void ShareStore::performMount(const ShareSpec& share)
{
    if (demoMode || !services_.mounter)
        return;
    const QUuid id = share.id;
    const bool interactive = interactiveMounts_.remove(id);
    if (interactive) {
        mountsByHand_.insert(id);
        awaitingHand_.remove(id);
    } else if (awaitingHand_.contains(id)) {
        apply(LinkMachine::Event::mountFailed(false), id);
        return;
    }
    const auto fail = [this, id](const QString& message) {
        if (auto found = runtime_.find(id); found != runtime_.end()) {
            found->lastError = message;
            Q_EMIT runtimeChanged(id);
        }
        apply(LinkMachine::Event::mountFailed(false), id);
    };
    const auto begin = [this, id, share](std::optional<QString> password) {
        auto found = runtime_.find(id);
        if (found == runtime_.end())
            return;
        found->busy = true;
        Q_EMIT runtimeChanged(id);
        services_.mounter->mount(share, std::move(password), [this, alive = weakAlive(), id](MountOutcome outcome) {
            post(alive, [this, id, outcome] { finishMount(id, outcome); });
        });
    };

    if (share.askEveryTime) {
        if (!interactive) {
            fail(QStringLiteral("Waiting for you to enter the password."));
            if (notifyDrops() && services_.notifier)
                services_.notifier->post(NotificationText::needsPassword(share.name));
            return;
        }
        std::optional<QString> typed = services_.askPassword ? services_.askPassword(share) : std::nullopt;
        if (!typed) {
            fail(QStringLiteral("Cancelled."));
            return;
        }
        begin(std::move(typed));
        return;
    }
    if (!services_.keychain) {
        begin(std::nullopt);
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    services_.keychain->password(share, [alive, begin](std::optional<QString> password) {
        if (const auto token = alive.lock(); token && *token)
            begin(std::move(password));
    });
}

void ShareStore::finishMount(const QUuid& id, const MountOutcome& outcome)
{
    auto found = runtime_.find(id);
    const ShareSpec* spec = share(id);
    if (found == runtime_.end() || !spec)
        return;
    const QString name = spec->name;
    found->busy = false;
    mountsByHand_.remove(id);
    if (const MountOutcome::Failed* failed = outcome.failedCase()) {
        if (failed->code == Mounter::Status::certificateUntrusted)
            awaitingHand_.insert(id);
        const QString message = Mounter::describe(failed->code);
        found->lastError = message;
        Q_EMIT runtimeChanged(id);
        log(ActivityEvent::Kind::failed, name, message);
        apply(LinkMachine::Event::mountFailed(failed->retryable), id);
        return;
    }
    found->lastError.reset();
    const bool seen = found->volume.has_value();
    Q_EMIT runtimeChanged(id);
    const std::optional<QString> mountPoint = outcome.mountedCase()->mountPoint;
    log(ActivityEvent::Kind::mounted, name,
        mountPoint ? QStringLiteral("Mounted at ") + *mountPoint : QStringLiteral("Mounted"));
    // The mount table may show the volume only later, when the line is connected; that sight is this mount.
    if (!seen)
        mountLogged_.insert(id, mountPoint.value_or(QString()));
    apply(LinkMachine::Event::mountSucceeded(), id);
    refreshMounts();
}

void ShareStore::markConnected(const ShareSpec& share, bool connected)
{
    if (demoMode)
        return;
    QStringList list = services_.defaults->stringListValue(StoreConstants::keyConnectedShares).value_or(QStringList {});
    const QString text = JsonFields::uuidText(share.id);
    list.removeIf([&](const QString& entry) { return entry.compare(text, Qt::CaseInsensitive) == 0; });
    if (connected)
        list.append(text);
    services_.defaults->setStringList(StoreConstants::keyConnectedShares, list);
}
