#include "shell/dbus_interface.h"

#include "shell/bus_records.h"
#include "shell/mountwire_app.h"
#include "store/share_store.h"

#include <QDBusConnectionInterface>
#include <QDBusMetaType>


DbusInterface::DbusInterface(MountwireApp& app, QDBusConnection bus)
    : app_(app), store_(app.store()), bus_(std::move(bus))
{
    qDBusRegisterMetaType<QList<QVariantMap>>();
    // Many store changes in one turn of the loop are one signal.
    linesDiff_.setSingleShot(true);
    linesDiff_.setInterval(0);
    connect(&linesDiff_, &QTimer::timeout, this, &DbusInterface::diffLines);
    for (auto signal : {&ShareStore::sharesChanged, &ShareStore::profilesChanged, &ShareStore::serversChanged})
        connect(&store_, signal, &linesDiff_, qOverload<>(&QTimer::start));
    connect(&store_, &ShareStore::runtimeChanged, &linesDiff_, qOverload<>(&QTimer::start));
    connect(&store_, &ShareStore::runtimeChanged, this, &DbusInterface::settle);
    connect(&store_, &ShareStore::eventsChanged, this, &DbusInterface::settle);
    for (const ShareSpec& share : store_.shares())
        lines_.insert(share.id, BusRecords::line(store_, share));
}

DbusInterface::~DbusInterface()
{
    if (!published_)
        return;
    bus_.unregisterService(service);
    bus_.unregisterObject(path);
}

bool DbusInterface::publish()
{
    if (published_)
        return true;
    if (!bus_.isConnected()
        || !bus_.registerObject(path, this, QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals))
        return false;
    if (!bus_.registerService(service)) {
        bus_.unregisterObject(path);
        return false;
    }
    published_ = true;
    return true;
}

bool DbusInterface::handOver(QDBusConnection bus)
{
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(service))
        return false;
    const QDBusMessage reply
        = bus.call(QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Show")), QDBus::Block, 3000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

QList<QVariantMap> DbusInterface::ListLines()
{
    QList<QVariantMap> lines;
    for (const ShareSpec& share : store_.shares())
        lines << BusRecords::line(store_, share);
    return lines;
}

QList<QVariantMap> DbusInterface::ListRoutes()
{
    QList<QVariantMap> routes;
    for (const Profile& route : store_.profiles())
        routes << BusRecords::route(store_, route);
    return routes;
}

QList<QVariantMap> DbusInterface::ListLog(uint limit)
{
    QList<QVariantMap> entries;
    for (const ActivityEvent& event : store_.events()) {
        if (limit > 0 && uint(entries.size()) >= limit)
            break;
        entries << BusRecords::event(event);
    }
    return entries;
}

QVariantMap DbusInterface::Connect(const QString& line)
{
    const auto found = BusRecords::findLine(store_, line);
    if (const auto* problem = std::get_if<BusRecords::LookupProblem>(&found)) {
        refuse(problem->message, problem->ambiguous);
        return {};
    }
    const ShareSpec share = std::get<ShareSpec>(found);
    setDelayedReply(true);
    // A line that asks for its password every time opens a dialog; it runs after this call has returned.
    QMetaObject::invokeMethod(this, [this, share, call = message()] {
        store_.mount(share);
        pending_.push_back({call, share.id, share.name, false, {}});
        settle();
    }, Qt::QueuedConnection);
    return {};
}

QVariantMap DbusInterface::Eject(const QString& line, bool force, bool& wasMounted)
{
    wasMounted = false;
    const auto found = BusRecords::findLine(store_, line);
    if (const auto* problem = std::get_if<BusRecords::LookupProblem>(&found)) {
        refuse(problem->message, problem->ambiguous);
        return {};
    }
    const ShareSpec share = std::get<ShareSpec>(found);
    wasMounted = store_.isMounted(share);
    const QUuid newest = store_.events().empty() ? QUuid() : store_.events().front().id;
    store_.unmount(share, force);
    const ShareRuntime* rec = store_.record(share.id);
    if (!rec || !rec->busy)
        return BusRecords::line(store_, share);
    setDelayedReply(true);
    pending_.push_back({message(), share.id, share.name, true, newest});
    return {};
}

void DbusInterface::SwitchRoute(const QString& route)
{
    const auto found = BusRecords::findRoute(store_, route);
    if (const auto* problem = std::get_if<BusRecords::LookupProblem>(&found)) {
        refuse(problem->message, problem->ambiguous);
        return;
    }
    store_.activate(std::get<Profile>(found));
}

void DbusInterface::refuse(const QString& problem, bool ambiguous)
{
    sendErrorReply(errorName(ambiguous ? QStringLiteral("Ambiguous") : QStringLiteral("NotFound")), problem);
}

void DbusInterface::Show()
{
    app_.show();
}

void DbusInterface::settle()
{
    if (pending_.empty())
        return;
    std::vector<Pending> waiting;
    std::vector<QDBusMessage> answers;
    for (Pending& pending : pending_) {
        if (std::optional<QDBusMessage> answer = outcome(pending))
            answers.push_back(std::move(*answer));
        else
            waiting.push_back(std::move(pending));
    }
    pending_ = std::move(waiting);
    for (const QDBusMessage& answer : answers)
        bus_.send(answer);
}

std::optional<QDBusMessage> DbusInterface::outcome(const Pending& pending) const
{
    const auto failed = [&](const QString& text) {
        return pending.call.createErrorReply(errorName(QStringLiteral("Failed")), text);
    };
    const ShareRuntime* rec = store_.record(pending.line);
    const ShareSpec* share = store_.share(pending.line);
    if (!rec || !share)
        return failed(pending.name + QStringLiteral(" was removed from Mountwire meanwhile."));
    const auto done = [&] {
        QVariantList answer {QVariant::fromValue(BusRecords::line(store_, *share))};
        if (pending.eject)
            answer << true;
        return pending.call.createReply(answer);
    };

    if (pending.eject) {
        // The eject's outcome is the log entry it writes.
        for (const ActivityEvent& event : store_.events()) {
            if (event.id == pending.newestBefore)
                break;
            if (event.shareName != pending.name)
                continue;
            if (event.kind == ActivityEvent::Kind::unmounted)
                return done();
            if (event.kind == ActivityEvent::Kind::failed && event.message.startsWith(QStringLiteral("Couldn’t eject")))
                return failed(event.message);
        }
        return std::nullopt;
    }

    switch (rec->machine.phase()) {
    case LinkMachine::Phase::connected:
        return done();
    case LinkMachine::Phase::mounting:
        return std::nullopt;
    case LinkMachine::Phase::idle:
        return failed(QStringLiteral("The connection to ") + pending.name + QStringLiteral(" was cancelled."));
    default:
        return failed(QStringLiteral("Couldn’t connect ") + pending.name + QStringLiteral(": ")
            + rec->lastError.value_or(store_.status(*share).label()));
    }
}

void DbusInterface::diffLines()
{
    QHash<QUuid, QVariantMap> now;
    QStringList changed;
    for (const ShareSpec& share : store_.shares()) {
        QVariantMap line = BusRecords::line(store_, share);
        if (lines_.value(share.id) != line)
            changed << JsonFields::uuidText(share.id);
        now.insert(share.id, std::move(line));
    }
    for (auto it = lines_.cbegin(); it != lines_.cend(); ++it) {
        if (!now.contains(it.key()))
            changed << JsonFields::uuidText(it.key());
    }
    lines_ = std::move(now);
    if (!changed.isEmpty())
        Q_EMIT LinesChanged(changed);
}
