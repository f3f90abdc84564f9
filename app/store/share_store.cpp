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
#include "store/certificate_pins.h"
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

namespace {

const QString keyProbeInterval = QStringLiteral("probeInterval");
const QString keyRetryCap = QStringLiteral("retryCap");
const QString keyFailuresToMarkDown = QStringLiteral("failuresToMarkDown");
const QString keyLogRetentionDays = QStringLiteral("logRetentionDays");
const QString keyNotifyDrops = QStringLiteral("notifyDrops");
const QString keyNotifyRecoveries = QStringLiteral("notifyRecoveries");
const QString keyReconnectAfterWake = QStringLiteral("reconnectAfterWake");

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
