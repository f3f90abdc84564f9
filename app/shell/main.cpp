#include "shell/mountwire_app.h"
#include "shell/snapshot.h"
#include "views/icons.h"

#include <QApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTextStream>

#include <unistd.h>

namespace {

QString instanceName()
{
    return QStringLiteral("mountwire-%1").arg(getuid());
}

// A second launch brings the running one's window forward and ends.
bool handedToRunningInstance()
{
    QLocalSocket socket;
    socket.connectToServer(instanceName());
    if (!socket.waitForConnected(300))
        return false;
    socket.write("show\n");
    socket.waitForBytesWritten(300);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mountwire"));
    QApplication::setOrganizationName(QStringLiteral("Mountwire"));
    QApplication::setApplicationVersion(QStringLiteral(MW_APP_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("mountwire"));
    QApplication::setWindowIcon(Icons::applicationIcon());
    // Closing the manager window leaves the application in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString snapshots = qEnvironmentVariable("MOUNTWIRE_SNAPSHOT_DIR");
    MountwireApp::Options options;
    options.demoFolder = qEnvironmentVariable("MOUNTWIRE_DEMO_DIR");
    options.demoExtraLines = qEnvironmentVariableIntValue("MOUNTWIRE_DEMO_LINES");
    // Measurements pick a calm make-believe network, or the tray alone where the desktop has none.
    options.demoTrouble = qEnvironmentVariable("MOUNTWIRE_DEMO_TROUBLE") != QLatin1String("0");
    if (qEnvironmentVariableIsSet("MOUNTWIRE_TRAY"))
        options.tray = qEnvironmentVariableIntValue("MOUNTWIRE_TRAY") != 0;
    const bool single = options.demoFolder.isEmpty() && snapshots.isEmpty();
    if (single && handedToRunningInstance())
        return 0;

    MountwireApp app(options);
    QLocalServer server;
    if (single) {
        QLocalServer::removeServer(instanceName());
        server.listen(instanceName());
        QObject::connect(&server, &QLocalServer::newConnection, &app, [&server, &app] {
            while (QLocalSocket* peer = server.nextPendingConnection()) {
                QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                app.show();
            }
        });
    }

    if (!snapshots.isEmpty()) {
        app.launch();
        const QStringList files = Snapshot::render(app, snapshots);
        QTextStream(stdout) << files.join(QLatin1Char('\n')) << Qt::endl;
        if (qEnvironmentVariableIsEmpty("MOUNTWIRE_SNAPSHOT_STAY"))
            return 0;
    } else {
        app.launch();
    }
    return QApplication::exec();
}
