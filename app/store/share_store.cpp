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

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <memory>

namespace {

constexpr double probeTimeout = 3;
constexpr double staleTimeout = 4;
constexpr double backoffBase = 5;

const QString keyProbeInterval = QStringLiteral("probeInterval");
const QString keyRetryCap = QStringLiteral("retryCap");
const QString keyFailuresToMarkDown = QStringLiteral("failuresToMarkDown");
const QString keyLogRetentionDays = QStringLiteral("logRetentionDays");
const QString keyNotifyDrops = QStringLiteral("notifyDrops");
const QString keyNotifyRecoveries = QStringLiteral("notifyRecoveries");
const QString keyReconnectAfterWake = QStringLiteral("reconnectAfterWake");
const QString keyConnectedShares = QStringLiteral("connectedShares");

struct Saved {
    std::vector<ShareSpec> shares;
    std::vector<Profile> profiles;
    std::optional<QUuid> activeProfileID;
};

// The whole record or nothing: one bad share or route rejects the file.
std::optional<Saved> decodeSaved(const QByteArray& bytes)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    if (!object.value(QStringLiteral("shares")).isArray() || !object.value(QStringLiteral("profiles")).isArray())
        return std::nullopt;
    Saved saved;
    for (const QJsonValue& value : object.value(QStringLiteral("shares")).toArray()) {
        std::optional<ShareSpec> share = ShareSpec::fromJson(value);
        if (!share)
            return std::nullopt;
        saved.shares.push_back(std::move(*share));
    }
    for (const QJsonValue& value : object.value(QStringLiteral("profiles")).toArray()) {
        std::optional<Profile> profile = Profile::fromJson(value);
        if (!profile)
            return std::nullopt;
        saved.profiles.push_back(std::move(*profile));
    }
    const QJsonValue active = object.value(QStringLiteral("activeProfileID"));
    if (!active.isUndefined() && !active.isNull()) {
        saved.activeProfileID = JsonFields::uuid(active);
        if (!saved.activeProfileID)
            return std::nullopt;
    }
    return saved;
}

// Qt keeps an object's keys sorted, so the indented form is the sorted, pretty-printed file.
QByteArray encodeSaved(const std::vector<ShareSpec>& shares, const std::vector<Profile>& profiles,
    const std::optional<QUuid>& active)
{
    QJsonArray shareArray;
    for (const ShareSpec& share : shares)
        shareArray.append(share.toJson());
    QJsonArray profileArray;
    for (const Profile& profile : profiles)
        profileArray.append(profile.toJson());
    QJsonObject object {{QStringLiteral("shares"), shareArray}, {QStringLiteral("profiles"), profileArray}};
    if (active)
        object.insert(QStringLiteral("activeProfileID"), JsonFields::uuidText(*active));
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

std::optional<QByteArray> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

ShareStore::ShareStore(StoreServices services, QObject* parent) : QObject(parent), services_(std::move(services))
{
    if (!services_.now)
        services_.now = [] { return QDateTime::currentDateTimeUtc(); };
    lastProbe_ = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
    toastTimer_.setSingleShot(true);
    connect(&toastTimer_, &QTimer::timeout, this, [this] {
        toast_.reset();
        Q_EMIT toastChanged();
    });
    heartbeatTimer_.setSingleShot(true);
    connect(&heartbeatTimer_, &QTimer::timeout, this, [this] { heartbeat([this] { scheduleHeartbeat(); }); });
}

ShareStore::~ShareStore()
{
    *alive_ = false;
}

void ShareStore::onMain(std::function<void()> work)
{
    post(alive_, std::move(work));
}

void ShareStore::post(std::weak_ptr<bool> alive, std::function<void()> work)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [alive, work = std::move(work)] {
            const std::shared_ptr<bool> token = alive.lock();
            if (token && *token)
                work();
        },
        Qt::QueuedConnection);
}

// ---- Published fields ----

void ShareStore::setShares(std::vector<ShareSpec> shares)
{
    shares_ = std::move(shares);
    syncRuntime();
    Q_EMIT sharesChanged();
    save();
}

void ShareStore::setProfiles(std::vector<Profile> profiles)
{
    profiles_ = std::move(profiles);
    Q_EMIT profilesChanged();
    save();
}

void ShareStore::setActiveProfileID(std::optional<QUuid> id)
{
    activeProfileID_ = id;
    Q_EMIT activeProfileIDChanged();
    save();
}

void ShareStore::setEvents(std::vector<ActivityEvent> events)
{
    events_ = std::move(events);
    Q_EMIT eventsChanged();
}

void ShareStore::setOtherVolumes(std::vector<MountedVolume> volumes)
{
    if (volumes == otherVolumes_)
        return;
    otherVolumes_ = std::move(volumes);
    Q_EMIT otherVolumesChanged();
}

void ShareStore::setPage(ManagerPage page)
{
    if (page == page_)
        return;
    page_ = page;
    Q_EMIT pageChanged(page);
}

void ShareStore::setEditor(std::optional<ShareEditorRequest> request)
{
    editor_ = std::move(request);
    Q_EMIT editorChanged();
}

void ShareStore::openEditor(std::optional<ShareSpec> spec)
{
    setEditor(ShareEditorRequest {QUuid::createUuid(), std::move(spec)});
}

void ShareStore::setShowWelcome(bool on)
{
    if (on == showWelcome_)
        return;
    showWelcome_ = on;
    Q_EMIT showWelcomeChanged(on);
}

// ---- Settings ----

double ShareStore::probeInterval() const
{
    return std::max(5.0, services_.defaults->doubleValue(keyProbeInterval).value_or(15));
}

double ShareStore::retryCap() const
{
    // A cap below the first wait would retry at every heartbeat.
    return std::max(5.0, services_.defaults->doubleValue(keyRetryCap).value_or(300));
}

int ShareStore::failuresToMarkDown() const
{
    return std::max(1, services_.defaults->intValue(keyFailuresToMarkDown).value_or(2));
}

LogRetention ShareStore::retention() const
{
    return LogRetention::days(services_.defaults->intValue(keyLogRetentionDays).value_or(30));
}

bool ShareStore::notifyDrops() const
{
    return services_.defaults->boolValue(keyNotifyDrops).value_or(true);
}

bool ShareStore::notifyRecoveries() const
{
    return services_.defaults->boolValue(keyNotifyRecoveries).value_or(true);
}

bool ShareStore::reconnectAfterWake() const
{
    return services_.defaults->boolValue(keyReconnectAfterWake).value_or(true);
}

// ---- Files ----

QString ShareStore::filePath(const QString& name) const
{
    QDir().mkpath(services_.folder);
    return QDir(services_.folder).filePath(name);
}

void ShareStore::syncRuntime()
{
    QSet<QUuid> ids;
    for (const ShareSpec& share : shares_) {
        ids.insert(share.id);
        if (!runtime_.contains(share.id)) {
            ShareRuntime record;
            record.machine = LinkMachine(share.keepConnected, Backoff {backoffBase, 300});
            runtime_.insert(share.id, record);
        }
    }
    for (auto it = runtime_.begin(); it != runtime_.end();) {
        if (ids.contains(it.key())) {
            ++it;
        } else {
            mountLogged_.remove(it.key());
            it = runtime_.erase(it);
        }
    }
}

void ShareStore::load()
{
    loading_ = true;
    const QString sharesPath = filePath(sharesFileName());
    if (const std::optional<QByteArray> bytes = readFile(sharesPath)) {
        if (std::optional<Saved> saved = decodeSaved(*bytes)) {
            setShares(std::move(saved->shares));
            setProfiles(std::move(saved->profiles));
            setActiveProfileID(saved->activeProfileID);
        } else {
            damaged_.insert(sharesFileName());
        }
    }
    if (const std::optional<QByteArray> bytes = readFile(filePath(eventsFileName()))) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
        std::optional<std::vector<ActivityEvent>> decoded;
        if (error.error == QJsonParseError::NoError)
            decoded = ActivityJson::fromJson(document.array());
        if (decoded && document.isArray())
            setEvents(SignalLog::prune(std::move(*decoded), retention(), now()));
        else
            damaged_.insert(eventsFileName());
    }
    syncRuntime();
    loading_ = false;
}

bool ShareStore::keepDamaged(const QString& name)
{
    if (!damaged_.contains(name))
        return true;
    const QString path = filePath(name);
    const QString copy = path + QStringLiteral(".damaged-")
        + now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QFile::exists(copy) && !QFile::copy(path, copy))
        return false;
    damaged_.remove(name);
    log(ActivityEvent::Kind::info, std::nullopt,
        QStringLiteral("Couldn’t read %1; kept it as %2").arg(name, QFileInfo(copy).fileName()));
    return true;
}

void ShareStore::save()
{
    if (!started_ || loading_ || demoMode)
        return;
    // A damaged file that cannot be kept is not replaced either; the change stays in memory.
    if (!keepDamaged(sharesFileName()))
        return;
    AtomicFile::write(filePath(sharesFileName()), encodeSaved(shares_, profiles_, activeProfileID_));
}

void ShareStore::saveEvents()
{
    if (!started_ || demoMode)
        return;
    if (!keepDamaged(eventsFileName()))
        return;
    AtomicFile::write(filePath(eventsFileName()), QJsonDocument(ActivityJson::toJson(events_)).toJson(
        QJsonDocument::Compact));
}

void ShareStore::log(ActivityEvent::Kind kind, const std::optional<QString>& shareName, const QString& message)
{
    const QDateTime at = now();
    ActivityEvent event {QUuid::createUuid(), at, kind, shareName, message};
    setEvents(SignalLog::insert(std::move(event), std::move(events_), retention(), at));
    saveEvents();
}

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
    if (services_.defaults->boolValue(QStringLiteral("mw.didShowWelcome")).value_or(false) && services_.notifier)
        services_.notifier->requestAuthorization();
    refreshMounts();

    const QStringList connected = services_.defaults->stringListValue(keyConnectedShares).value_or(QStringList {});
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
        });
        services_.pathMonitor->start();
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
        services_.probe(target.first, target.second, probeTimeout, [this, alive = weakAlive(), pass, key](std::optional<double> ms) {
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
        services_.checkHealth(path, staleTimeout,
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
    rec.machine.backoff = Backoff {backoffBase, retryCap()};
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
            services_.notifier->post(NotificationText::dropped(share.name, share.host));
        break;
    case LinkMachine::Action::notifyRecovered:
        log(ActivityEvent::Kind::recovered, share.name, QStringLiteral("Back online"));
        if (notifyRecoveries() && services_.notifier)
            services_.notifier->post(NotificationText::recovered(share.name, share.host));
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
    if (const MountOutcome::Failed* failed = outcome.failedCase()) {
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
    QStringList list = services_.defaults->stringListValue(keyConnectedShares).value_or(QStringList {});
    const QString text = JsonFields::uuidText(share.id);
    list.removeIf([&](const QString& entry) { return entry.compare(text, Qt::CaseInsensitive) == 0; });
    if (connected)
        list.append(text);
    services_.defaults->setStringList(keyConnectedShares, list);
}

// ---- What the views show ----

const ShareRuntime* ShareStore::record(const QUuid& id) const
{
    const auto found = runtime_.find(id);
    return found == runtime_.end() ? nullptr : &*found;
}

const ShareSpec* ShareStore::share(const QUuid& id) const
{
    const auto found = std::find_if(shares_.begin(), shares_.end(), [&](const ShareSpec& s) { return s.id == id; });
    return found == shares_.end() ? nullptr : &*found;
}

ShareStatus ShareStore::status(const ShareSpec& share) const
{
    const ShareRuntime* rec = record(share.id);
    if (!rec)
        return ShareStatus::of(ShareStatus::Kind::idle);
    switch (rec->machine.phase()) {
    case LinkMachine::Phase::idle: return ShareStatus::of(ShareStatus::Kind::idle);
    case LinkMachine::Phase::mounting: return ShareStatus::of(ShareStatus::Kind::connecting);
    case LinkMachine::Phase::connected: return ShareStatus::of(ShareStatus::Kind::connected);
    case LinkMachine::Phase::stale: return ShareStatus::of(ShareStatus::Kind::stale);
    case LinkMachine::Phase::serverDown: return ShareStatus::of(ShareStatus::Kind::serverDown);
    case LinkMachine::Phase::waiting: return ShareStatus::waiting(rec->machine.nextAttempt());
    case LinkMachine::Phase::failed: return ShareStatus::failed(rec->lastError);
    }
    return ShareStatus::of(ShareStatus::Kind::idle);
}

bool ShareStore::isMounted(const ShareSpec& share) const
{
    const ShareRuntime* rec = record(share.id);
    return rec && rec->volume;
}

int ShareStore::connectedCount() const
{
    return int(std::count_if(shares_.begin(), shares_.end(),
        [&](const ShareSpec& s) { return status(s).kind == ShareStatus::Kind::connected; }));
}

int ShareStore::attentionCount() const
{
    return int(std::count_if(
        shares_.begin(), shares_.end(), [&](const ShareSpec& s) { return status(s).needsAttention(); }));
}

const ReachabilityTracker* ShareStore::tracker(const ShareSpec& share) const
{
    const auto found = servers_.find(share.serverKey());
    return found == servers_.end() ? nullptr : &found->second;
}

std::optional<QDateTime> ShareStore::dropStamp(const ShareSpec& share) const
{
    if (const ReachabilityTracker* t = tracker(share)) {
        if (std::optional<QDateTime> start = Trace::dropStart(t->samples()))
            return start;
    }
    for (const ActivityEvent& event : events_) {
        if (event.shareName == share.name && SignalLog::marker(event.kind) == SignalLog::Marker::drop)
            return event.date;
    }
    return std::nullopt;
}

std::optional<QString> ShareStore::gapStamp(const ShareSpec& share) const
{
    const std::optional<QDateTime> stamp = dropStamp(share);
    if (!stamp)
        return std::nullopt;
    return QStringLiteral("▼ ") + Fmt::clock(*stamp);
}

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
    setActiveProfileID(profile.id);
    QSet<QUuid> mounted;
    for (const ShareSpec& share : shares_) {
        if (isMounted(share))
            mounted.insert(share.id);
    }
    const ProfilePlan plan = ProfilePlan::make(profile, shares_, mounted);
    log(ActivityEvent::Kind::profile, std::nullopt, QStringLiteral("Switched to the ") + profile.name
        + QStringLiteral(" route"));
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
