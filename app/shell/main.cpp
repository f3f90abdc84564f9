#include "shell/command_line.h"
#include "shell/dbus_interface.h"
#include "shell/mountwire_app.h"
#include "shell/snapshot.h"
#include "shell/unix_signals.h"
#include "views/icons.h"

#include <QApplication>
#include <QTextStream>

#include <csignal>
#include <memory>

int main(int argc, char** argv)
{
    // A command makes this a client of the running application, which must work without a display.
    if (CommandLine::wanted(argc, argv))
        return CommandLine::run(argc, argv, QStringLiteral(MW_APP_VERSION));

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mountwire"));
    QApplication::setOrganizationName(QStringLiteral("Mountwire"));
    QApplication::setApplicationVersion(QStringLiteral(MW_APP_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.mountwire.Mountwire"));
    QApplication::setWindowIcon(Icons::applicationIcon());
    // Closing the manager window leaves the application in the tray.
    QApplication::setQuitOnLastWindowClosed(false);

    const QString snapshots = qEnvironmentVariable("MOUNTWIRE_SNAPSHOT_DIR");
    MountwireApp::Options options;
    options.demoFolder = qEnvironmentVariable("MOUNTWIRE_DEMO_DIR");
    options.demoExtraLines = qEnvironmentVariableIntValue("MOUNTWIRE_DEMO_LINES");
    options.packaged = MW_PACKAGED;
    const bool single = options.demoFolder.isEmpty() && snapshots.isEmpty();
    // A second launch brings the running one's window forward and ends.
    if (single && DbusInterface::handOver())
        return 0;

    MountwireApp app(options);
    // A logout's SIGTERM ends the application the way its Quit command does.
    UnixSignals endSignals({SIGTERM, SIGINT, SIGHUP});
    QObject::connect(&endSignals, &UnixSignals::received, &app, &MountwireApp::quit);
    std::unique_ptr<DbusInterface> bus;
    if (single) {
        bus = std::make_unique<DbusInterface>(app);
        // Two launches at once: the one that lost the name hands over to the other.
        if (!bus->publish() && DbusInterface::handOver())
            return 0;
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
