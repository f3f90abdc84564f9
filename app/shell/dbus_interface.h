#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <QUuid>
#include <QVariantMap>

#include <vector>

class MountwireApp;
class ShareStore;

// The running application on the session bus: its lines, routes and log to read, and connect, eject and
// route switches that go through the store's own operations, as a click would. A second launch shows the
// window through it.
class DbusInterface : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mountwire.Mountwire1")
public:
    static inline const QString service = QStringLiteral("org.mountwire.Mountwire");
    static inline const QString path = QStringLiteral("/org/mountwire/Mountwire");
    static inline const QString interface = QStringLiteral("org.mountwire.Mountwire1");
    // The errors the methods answer with: "NotFound", "Ambiguous" or "Failed" after the interface's name.
    static QString errorName(const QString& which) { return interface + QStringLiteral(".Error.") + which; }

    explicit DbusInterface(MountwireApp& app, QDBusConnection bus = QDBusConnection::sessionBus());
    ~DbusInterface() override;

    // Exports the object and claims the name; false without a bus or when another instance holds the name.
    bool publish();
    // Asks the instance that holds the name to show its window; false when none answers.
    static bool handOver(QDBusConnection bus = QDBusConnection::sessionBus());

public Q_SLOTS:
    Q_SCRIPTABLE QList<QVariantMap> ListLines();
    Q_SCRIPTABLE QList<QVariantMap> ListRoutes();
    // Newest first; a limit of 0 lists them all.
    Q_SCRIPTABLE QList<QVariantMap> ListLog(uint limit);
    // Both answer with the line's record once the attempt is over; Eject also says whether there was a
    // mount to eject.
    Q_SCRIPTABLE QVariantMap Connect(const QString& line);
    Q_SCRIPTABLE QVariantMap Eject(const QString& line, bool force, bool& wasMounted);
    Q_SCRIPTABLE void SwitchRoute(const QString& route);
    Q_SCRIPTABLE void Show();

Q_SIGNALS:
    // The ids of the lines whose record in ListLines changed, appeared or went away.
    Q_SCRIPTABLE void LinesChanged(const QStringList& ids);

private:
    struct Pending {
        QDBusMessage call;
        QUuid line;
        QString name;
        bool eject = false;
        QUuid newestBefore; // the log's newest entry when the eject started
    };

    // Answers the calls whose attempt is over.
    void settle();
    // The answer for one call, or nothing while its attempt goes on.
    std::optional<QDBusMessage> outcome(const Pending& pending) const;
    void refuse(const QString& problem, bool ambiguous);
    void diffLines();

    MountwireApp& app_;
    ShareStore& store_;
    QDBusConnection bus_;
    bool published_ = false;
    std::vector<Pending> pending_;
    QHash<QUuid, QVariantMap> lines_;
    QTimer linesDiff_;
};
