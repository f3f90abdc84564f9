#include "store/share_store.h"

#include "health/trace.h"
#include "log/signal_log.h"
#include "model/json_text.h"
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

namespace {

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

// The file's own keys in sorted order, each share and route record's keys in the order of its fields.
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
    static const QStringList order = QStringList {QStringLiteral("activeProfileID"), QStringLiteral("profiles"),
        QStringLiteral("shares")} + ShareSpec::jsonKeys() + Profile::jsonKeys();
    return JsonText::write(object, order, true);
}

std::optional<QByteArray> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

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
            record.machine = LinkMachine(share.keepConnected, Backoff {StoreConstants::backoffBase, 300});
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
    loadNetworks();
    syncRuntime();
    loading_ = false;
}

// One copy per distinct content: a file that stays damaged over several starts is kept and told once.
bool ShareStore::keepDamaged(const QString& name)
{
    if (!damaged_.contains(name))
        return true;
    const QString path = filePath(name);
    const std::optional<QByteArray> bytes = readFile(path);
    if (!bytes) {
        damaged_.remove(name);
        return true;
    }
    const QDir dir(services_.folder);
    const QString prefix = name + QStringLiteral(".damaged-");
    for (const QString& kept : dir.entryList({prefix + QLatin1Char('*')}, QDir::Files)) {
        if (readFile(dir.filePath(kept)) == bytes) {
            damaged_.remove(name);
            return true;
        }
    }
    QString copy = prefix + now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 2; dir.exists(copy); ++n)
        copy = prefix + now().toUTC().toString(QStringLiteral("yyyyMMdd-HHmmss")) + QLatin1Char('-') + QString::number(n);
    if (!AtomicFile::write(dir.filePath(copy), *bytes))
        return false;
    damaged_.remove(name);
    log(ActivityEvent::Kind::info, std::nullopt, QStringLiteral("Couldn’t read %1; kept it as %2").arg(name, copy));
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
