#pragma once

#include "log/activity_event.h"
#include "model/profile.h"
#include "model/share_spec.h"
#include "store/share_status.h"

#include <QString>
#include <QVariantMap>

#include <variant>

class ShareStore;

// What the bus interface tells about the store: one dictionary per line, route or log entry, keyed as the
// command line's JSON (absent values are left out), and the lookup of a line or route by id or exact name.
namespace BusRecords {

QVariantMap line(const ShareStore& store, const ShareSpec& share);
QVariantMap route(const ShareStore& store, const Profile& route);
QVariantMap event(const ActivityEvent& event);

// Why a name picks no single line or route, in one sentence.
struct LookupProblem {
    bool ambiguous = false;
    QString message;
};
std::variant<ShareSpec, LookupProblem> findLine(const ShareStore& store, const QString& name);
std::variant<Profile, LookupProblem> findRoute(const ShareStore& store, const QString& name);

QString toRaw(ShareStatus::Kind kind);

} // namespace BusRecords
