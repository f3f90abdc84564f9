#include "store/store_services.h"

#include "health/probe.h"
#include "platform/gio_volume_health.h"
#include "platform/gvfs_mount_table.h"
#include "platform/logind_wake_notices.h"
#include "platform/mountinfo_gvfs_volume_notices.h"
#include "platform/network_manager_connection_name.h"
#include "platform/qt_desktop.h"
#include "platform/rtnetlink_path_monitor.h"
#include "platform/user_defaults.h"
#include "platform/user_folders.h"
#include "services/certificate_fetcher.h"
#include "services/dbus_notifier.h"
#include "services/gvfs_mounter.h"
#include "services/password_prompt.h"
#include "services/secret_service_keychain.h"

#include <QApplication>

SystemServices::SystemServices()
    : defaults_(std::make_unique<QSettingsUserDefaults>())
    , mounter_(std::make_unique<GvfsMounter>())
    , keychain_(std::make_unique<SecretServiceKeychain>())
    , notifier_(std::make_unique<DbusNotifier>())
    , desktop_(std::make_unique<QtDesktop>())
    , volumeNotices_(std::make_unique<MountinfoGvfsVolumeNotices>())
    , wakeNotices_(std::make_unique<LogindWakeNotices>())
{
    auto monitor = std::make_unique<RtnetlinkPathMonitor>();
    monitor->setConnectionNames(new NetworkManagerConnectionName(QDBusConnection::systemBus(), monitor.get()));
    pathMonitor_ = std::move(monitor);
}

SystemServices::~SystemServices() = default;

StoreServices SystemServices::services(const QString& folder) const
{
    StoreServices s;
    s.defaults = defaults_.get();
    s.mounter = mounter_.get();
    s.keychain = keychain_.get();
    s.notifier = notifier_.get();
    s.desktop = desktop_.get();
    s.volumeNotices = volumeNotices_.get();
    s.wakeNotices = wakeNotices_.get();
    s.pathMonitor = pathMonitor_.get();
    s.folder = folder.isEmpty() ? UserFolders::applicationSupport() : folder;
    s.now = [] { return QDateTime::currentDateTimeUtc(); };
    s.mountTable = [] { return GvfsMountTable::allNetworkVolumes(); };
    s.probe = [](const QString& host, int port, double timeout, StoreServices::ProbeDone done) {
        Probe::tcp(host, port, timeout, std::move(done));
    };
    // One checker for the life of the process, so a hanging path never holds more than one thread
    // and a WebDAV mount never more than one question to the file-system daemon.
    s.checkHealth = [health = GioVolumeHealth()](const QString& path, double timeout,
                        StoreServices::HealthDone done) mutable { health.check(path, timeout, std::move(done)); };
    s.askPassword = [](const ShareSpec& spec) {
        return PasswordPrompt::ask(spec, QApplication::activeWindow());
    };
    s.fetchCertificate = CertificateFetcher::fetch;
    return s;
}
