#include "shell/bus_records.h"

#include "store/share_store.h"

#include <QStringList>

namespace {

template <typename Item>
std::variant<Item, BusRecords::LookupProblem> find(const std::vector<Item>& items, const QString& name,
    const QString& what)
{
    // An id is unique, so it wins over a line that happens to be named like one.
    const QUuid id = QUuid::fromString(name.trimmed());
    if (!id.isNull()) {
        for (const Item& item : items) {
            if (item.id == id)
                return item;
        }
    }
    std::vector<const Item*> named;
    for (const Item& item : items) {
        if (item.name == name)
            named.push_back(&item);
    }
    if (named.size() == 1)
        return *named.front();
    if (named.empty())
        return BusRecords::LookupProblem {false,
            QStringLiteral("No %1 has the name or id “%2”.").arg(what, name)};
    QStringList ids;
    for (const Item* item : named)
        ids << JsonFields::uuidText(item->id);
    return BusRecords::LookupProblem {true, QStringLiteral("%1 %2s are named “%3”; name one by its id: %4.")
                                                .arg(named.size())
                                                .arg(what, name, ids.join(QStringLiteral(", ")))};
}

} // namespace

namespace BusRecords {

QVariantMap line(const ShareStore& store, const ShareSpec& share)
{
    const ShareStatus status = store.status(share);
    QVariantMap map {
        {QStringLiteral("id"), JsonFields::uuidText(share.id)},
        {QStringLiteral("name"), share.name},
        {QStringLiteral("address"), share.displayURL()},
        {QStringLiteral("protocol"), ::toRaw(share.proto)},
        {QStringLiteral("state"), toRaw(status.kind)},
        {QStringLiteral("status"), status.caption(store.now())},
        {QStringLiteral("keepConnected"), share.keepConnected},
    };
    if (const ShareRuntime* rec = store.record(share.id)) {
        map.insert(QStringLiteral("phase"), ::toRaw(rec->machine.phase()));
        if (rec->volume) {
            map.insert(QStringLiteral("mountPoint"), rec->volume->mountPoint);
            if (rec->health && rec->health->kind == VolumeHealth::Kind::healthy && rec->health->total >= 1) {
                map.insert(QStringLiteral("freeBytes"), qint64(rec->health->available));
                map.insert(QStringLiteral("totalBytes"), qint64(rec->health->total));
            }
        }
        if (rec->lastError)
            map.insert(QStringLiteral("lastError"), *rec->lastError);
    }
    if (const ReachabilityTracker* tracker = store.tracker(share)) {
        if (const std::optional<double> last = tracker->lastLatency())
            map.insert(QStringLiteral("lastLatencyMs"), *last);
        if (const std::optional<double> average = tracker->averageLatency())
            map.insert(QStringLiteral("averageLatencyMs"), *average);
    }
    QStringList routes;
    for (const Profile& profile : store.profiles()) {
        if (profile.shareIDs.contains(share.id))
            routes << JsonFields::uuidText(profile.id);
    }
    map.insert(QStringLiteral("routes"), routes);
    return map;
}

QVariantMap route(const ShareStore& store, const Profile& route)
{
    QStringList lines;
    for (const QUuid& id : route.shareIDs) {
        // A route may still name a line that was removed since.
        if (store.share(id))
            lines << JsonFields::uuidText(id);
    }
    return {
        {QStringLiteral("id"), JsonFields::uuidText(route.id)},
        {QStringLiteral("name"), route.name},
        {QStringLiteral("active"), store.activeProfileID() == route.id},
        {QStringLiteral("lines"), lines},
    };
}

QVariantMap event(const ActivityEvent& event)
{
    QVariantMap map {
        {QStringLiteral("id"), JsonFields::uuidText(event.id)},
        {QStringLiteral("date"), event.date.toUTC().toString(Qt::ISODate)},
        {QStringLiteral("kind"), ::toRaw(event.kind)},
        {QStringLiteral("message"), event.message},
    };
    if (event.shareName)
        map.insert(QStringLiteral("line"), *event.shareName);
    return map;
}

std::variant<ShareSpec, LookupProblem> findLine(const ShareStore& store, const QString& name)
{
    return find(store.shares(), name, QStringLiteral("line"));
}

std::variant<Profile, LookupProblem> findRoute(const ShareStore& store, const QString& name)
{
    return find(store.profiles(), name, QStringLiteral("route"));
}

QString toRaw(ShareStatus::Kind kind)
{
    switch (kind) {
    case ShareStatus::Kind::waiting: return QStringLiteral("waiting");
    case ShareStatus::Kind::failed: return QStringLiteral("failed");
    case ShareStatus::Kind::connected: return QStringLiteral("connected");
    case ShareStatus::Kind::connecting: return QStringLiteral("connecting");
    case ShareStatus::Kind::serverDown: return QStringLiteral("serverDown");
    case ShareStatus::Kind::stale: return QStringLiteral("stale");
    case ShareStatus::Kind::idle: return QStringLiteral("idle");
    }
    return {};
}

} // namespace BusRecords
