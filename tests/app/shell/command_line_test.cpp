#include "app/recording_notification_server.h"
#include "app/services/services_test_app.h"
#include "model/profile.h"
#include "model/share_spec.h"
#include "services/secret_service_keychain.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using servicestest::env;

// Gathers the ids of every LinesChanged signal of the application.
class LinesChangedSpy : public QObject {
    Q_OBJECT
public:
    LinesChangedSpy()
    {
        QDBusConnection::sessionBus().connect("org.mountwire.Mountwire", "/org/mountwire/Mountwire",
            "org.mountwire.Mountwire1", "LinesChanged", this, SLOT(changed(QStringList)));
    }
    QSet<QString> ids;

public Q_SLOTS:
    void changed(const QStringList& changed) { ids.unite(QSet<QString>(changed.begin(), changed.end())); }
};

struct Ran {
    int exit = -1;
    QString out;
    QString err;
};

// The real application, headless, in folders of its own on the test session's bus, with lines to the
// WebDAV and SMB servers of scripts/with-services, two lines of the same name and a route.
struct AppRig {
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    QProcess app;
    ShareSpec dav {QUuid::createUuid(), "Drop Box", ShareProtocol::webdav, "127.0.0.1", env("MW_DAV_PORT").toInt(),
        env("MW_DAV_PATH"), env("MW_DAV_USER"), false, true};
    ShareSpec smb {QUuid::createUuid(), "Team Files", ShareProtocol::smb, "127.0.0.1", env("MW_SMB_PORT").toInt(),
        env("MW_SMB_SHARE"), env("MW_SMB_USER"), false, true};
    ShareSpec twin {QUuid::createUuid(), "Twin", ShareProtocol::smb, "127.0.0.1", 1, "a", "", false, false};
    ShareSpec twin2 {QUuid::createUuid(), "Twin", ShareProtocol::smb, "127.0.0.1", 1, "b", "", false, false};
    Profile office {QUuid::createUuid(), "Office", "building.2", {dav.id}, true};

    AppRig()
    {
        TestApp::instance();
        for (const QString folder : {"CONFIG", "DATA", "CACHE"})
            environment.insert("XDG_" + folder + "_HOME", home.filePath(folder));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        // Probes every five seconds, and one unanswered probe is an outage.
        write("CONFIG/Mountwire/Mountwire.conf", "[General]\nprobeInterval=5\nfailuresToMarkDown=1\nmw.didShowWelcome=true\n");
        QJsonArray shares;
        for (const ShareSpec* share : {&dav, &smb, &twin, &twin2})
            shares.append(share->toJson());
        write("DATA/Mountwire/shares.json",
            QJsonDocument(QJsonObject {{"shares", shares}, {"profiles", QJsonArray {office.toJson()}}}).toJson());
    }

    ~AppRig()
    {
        if (app.state() == QProcess::NotRunning)
            return;
        // Leaves no mount behind for the tests that come after.
        for (const ShareSpec* share : {&dav, &smb})
            cli({"eject", "--force", share->name});
        app.terminate();
        if (!app.waitForFinished(10000))
            app.kill();
    }

    void write(const QString& name, const QByteArray& bytes) { ASSERT_TRUE(TestApp::writeFile(home.filePath(name), bytes)); }

    // Puts the passwords in the password store, starts the application and waits for its name on the bus.
    bool start()
    {
        SecretServiceKeychain keychain;
        int saved = 0;
        keychain.save(env("MW_DAV_PASSWORD"), dav, [&](bool ok) { saved += ok; });
        keychain.save(env("MW_SMB_PASSWORD"), smb, [&](bool ok) { saved += ok; });
        if (!TestApp::waitUntil([&] { return saved == 2; }, 10000))
            return false;
        app.setProcessEnvironment(environment);
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.setStandardOutputFile(QProcess::nullDevice());
        app.start(MW_APP_EXECUTABLE, {});
        return TestApp::waitUntil([] {
            return QDBusConnection::sessionBus().interface()->isServiceRegistered("org.mountwire.Mountwire").value();
        }, 30000);
    }

    // Runs the command line while this process keeps answering the bus (the notification server lives here).
    Ran cli(const QStringList& arguments)
    {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(MW_APP_EXECUTABLE, arguments);
        const bool ended = TestApp::waitUntil([&] { return process.state() == QProcess::NotRunning; }, 150000);
        return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    QJsonObject line(const ShareSpec& share)
    {
        for (const QJsonValue& value : QJsonDocument::fromJson(cli({"status", "--json"}).out.toUtf8()).array()) {
            if (value[QStringLiteral("id")].toString() == JsonFields::uuidText(share.id))
                return value.toObject();
        }
        return {};
    }

    bool reaches(const ShareSpec& share, const QString& state, int seconds = 30)
    {
        return TestApp::waitUntil([&] { return line(share)[QStringLiteral("state")].toString() == state; }, seconds * 1000);
    }
};

// The file servers, the file-system daemon and the password store.
#define REQUIRE_SERVICES() REQUIRE_ENV("MW_GVFS_DIR", "MW_DAV_CONTROL", "MW_SMB_PORT", "MW_KEYRING_DATA")

TEST(CommandLine, DrivesTheRunningApplicationAndSaysWhyWhenItCannot)
{
    REQUIRE_SERVICES();
    AppRig rig;
    const Ran before = rig.cli({"status"});
    EXPECT_EQ(before.exit, 3);
    EXPECT_TRUE(before.err.contains("Mountwire is not running")) << before.err.toStdString();
    LinesChangedSpy spy;
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.cli({"status"}).exit, 0);
    spy.ids.clear(); // every line appeared at the start

    // What is said is on standard output when done, else on standard error.
    const std::tuple<QStringList, int, QString> cases[] = {
        {{"connect", "Drop Box"}, 0, "Drop Box is connected at " + env("MW_GVFS_DIR")},
        {{"connect", JsonFields::uuidText(rig.smb.id).toLower()}, 0, "Team Files is connected"},
        {{"status"}, 0, "2 of 4 live\n"},
        {{"eject", "Drop Box"}, 0, "Drop Box is ejected."},
        {{"eject", JsonFields::uuidText(rig.twin.id)}, 0, "Twin was not mounted."},
        {{"connect", "Twin"}, 1, "2 lines are named “Twin”; name one by its id: "},
        {{"eject", "--force", "Nowhere"}, 1, "No line has the name or id “Nowhere”."},
        {{"route", "Home"}, 1, "No route has the name or id “Home”."},
        {{"route", "Office"}, 0, "Switched to the “Office” route."},
        {{"routes"}, 0, "*  Office  Drop Box"},
        {{"log", "--limit", "40"}, 0, "Switched to the Office route"},
        {{}, 0, ""}, // a second launch hands over to the running one and ends
        {{"show"}, 0, ""},
        {{"--version"}, 0, "mountwire "},
        {{"frobnicate"}, 2, "unknown command “frobnicate”."},
        {{"connect"}, 2, "“connect” needs the name or id of a line."},
        {{"log", "--limit", "none"}, 2, "--limit needs a whole number above 0"},
        {{"status", "--force"}, 2, "“status” does not take the option “--force”."},
    };
    for (const auto& [arguments, exit, says] : cases) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const Ran run = rig.cli(arguments);
        EXPECT_EQ(run.exit, exit) << run.err.toStdString();
        EXPECT_TRUE((exit == 0 ? run.out : run.err).contains(says)) << run.out.toStdString() << run.err.toStdString();
        EXPECT_FALSE(run.out.contains("\x1b[")) << "colour only on a terminal";
    }

    // The route connects its line and ejects the other one.
    EXPECT_TRUE(rig.reaches(rig.dav, "connected"));
    EXPECT_TRUE(rig.reaches(rig.smb, "idle"));
    const QJsonObject dav = rig.line(rig.dav);
    EXPECT_EQ(dav.keys(), (QStringList {"address", "averageLatencyMs", "freeBytes", "id", "keepConnected",
                              "lastError", "lastLatencyMs", "mountPoint", "name", "phase", "protocol", "routes",
                              "state", "status", "totalBytes"}));
    EXPECT_EQ(dav["protocol"].toString(), "webdav");
    EXPECT_EQ(dav["phase"].toString(), "connected");
    EXPECT_EQ(dav["status"].toString(), "LIVE");
    EXPECT_TRUE(dav["mountPoint"].toString().startsWith(env("MW_GVFS_DIR")));
    EXPECT_EQ(dav["routes"].toArray(), QJsonArray {JsonFields::uuidText(rig.office.id)});
    EXPECT_TRUE(rig.line(rig.smb)["mountPoint"].isNull());

    const QJsonArray log = QJsonDocument::fromJson(rig.cli({"log", "--json", "--limit", "40"}).out.toUtf8()).array();
    ASSERT_FALSE(log.isEmpty());
    QStringList messages;
    for (const QJsonValue& entry : log)
        messages << entry["line"].toString() + ": " + entry["message"].toString();
    EXPECT_TRUE(messages.contains("Drop Box: Ejected")) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages.contains("Team Files: Ejected"));
    EXPECT_EQ(log.first().toObject().keys(), (QStringList {"date", "id", "kind", "line", "message"}));
    EXPECT_EQ(rig.app.state(), QProcess::Running) << "the second launch must not have taken over";
    // The two lines of the same name never changed.
    EXPECT_TRUE(spy.ids == (QSet<QString> {JsonFields::uuidText(rig.dav.id), JsonFields::uuidText(rig.smb.id)}))
        << QStringList(spy.ids.values()).join(' ').toStdString();
}

TEST(CommandLine, TheButtonsOfDropAndRecoveryNotificationsReconnectAndOpen)
{
    REQUIRE_SERVICES();
    RecordingNotificationServer notifications({"body", "actions"});
    REQUIRE_SERVER(notifications);
    AppRig rig;
    ASSERT_TRUE(rig.start());
    ASSERT_EQ(rig.cli({"connect", "Drop Box"}).exit, 0);

    const QString control = env("MW_DAV_CONTROL");
    const QString id = JsonFields::uuidText(rig.dav.id).toLower();
    const auto posted = [&](const QString& summary) {
        const auto found = std::find_if(notifications.posted.rbegin(), notifications.posted.rend(),
            [&](const auto& p) { return p.summary == summary; });
        return found == notifications.posted.rend() ? -1 : int(notifications.posted.rend() - found);
    };
    const auto outage = [&](int drops) {
        EXPECT_EQ(QProcess::execute(control, {"pause"}), 0);
        EXPECT_TRUE(TestApp::waitUntil([&] { return posted("Drop Box disconnected") > drops; }, 20000));
        return posted("Drop Box disconnected");
    };
    const int first = outage(0);
    ASSERT_GT(first, 0);
    EXPECT_EQ(notifications.posted[first - 1].actions, (QStringList {"reconnect:" + id, "Reconnect"}));
    ASSERT_EQ(QProcess::execute(control, {"resume"}), 0);
    ASSERT_TRUE(TestApp::waitUntil([&] { return posted("Drop Box is back") > 0; }, 20000));
    EXPECT_EQ(notifications.posted[posted("Drop Box is back") - 1].actions, (QStringList {"open:" + id, "Open"}));

    // Ejected during the outage, the line stays down when the server is back, until the button is pressed.
    const int second = outage(first);
    ASSERT_GT(second, first);
    EXPECT_EQ(rig.cli({"eject", "--force", "Drop Box"}).exit, 0);
    ASSERT_EQ(QProcess::execute(control, {"resume"}), 0);
    EXPECT_TRUE(rig.reaches(rig.dav, "idle"));
    notifications.press(uint(second), "reconnect:" + id);
    EXPECT_TRUE(rig.reaches(rig.dav, "connected"));
}

} // namespace

#include "command_line_test.moc"
