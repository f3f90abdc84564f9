#pragma once

#include "health/volume_health.h"
#include "model/mounted_volume.h"
#include "model/share_spec.h"
#include "services/server_certificate.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Desktop;
class Keychain;
class Mounting;
class NetworkPathMonitor;
class Notifier;
class UserDefaults;
class VolumeNotices;
class WakeNotices;

// Everything the store reaches outside itself. The store does not own these; tests hand it fakes.
struct StoreServices {
    using ProbeDone = std::function<void(std::optional<double> ms)>;
    using HealthDone = std::function<void(std::optional<VolumeHealth>)>;
    using CertificateDone = std::function<void(std::optional<ServerCertificate>)>;

    UserDefaults* defaults = nullptr;
    Mounting* mounter = nullptr;
    Keychain* keychain = nullptr;
    Notifier* notifier = nullptr;
    Desktop* desktop = nullptr;
    VolumeNotices* volumeNotices = nullptr; // optional
    WakeNotices* wakeNotices = nullptr; // optional
    NetworkPathMonitor* pathMonitor = nullptr; // optional

    QString folder; // where shares.json and activity.json live; created on use
    std::function<QDateTime()> now;
    std::function<std::vector<MountedVolume>()> mountTable;
    // Both may answer on any thread; the store takes the answer back to its own.
    std::function<void(const QString& host, int port, double timeout, ProbeDone)> probe;
    std::function<void(const QString& path, double timeout, HealthDone)> checkHealth;
    // Modal; nothing when the user cancels.
    std::function<std::optional<QString>(const ShareSpec&)> askPassword;
    // The certificate an HTTPS server presents, by a handshake of the application's own; may answer on any thread.
    std::function<void(const QString& host, int port, double timeout, CertificateDone)> fetchCertificate;
    // Modal; true when the user trusts the certificate for the line.
    std::function<bool(const ShareSpec&, const ServerCertificate&)> askCertificate;
    // Seconds between heartbeats; zero or less leaves the heartbeat to whoever calls ShareStore::heartbeat().
    double heartbeatSeconds = 2;
};

// The real Linux services, owned together for the life of the application.
class SystemServices {
public:
    SystemServices();
    ~SystemServices();
    SystemServices(const SystemServices&) = delete;
    SystemServices& operator=(const SystemServices&) = delete;

    // The services with the data folder given, or the user's application-support folder when empty.
    StoreServices services(const QString& folder = {}) const;
    UserDefaults& defaults() const { return *defaults_; }

private:
    std::unique_ptr<UserDefaults> defaults_;
    std::unique_ptr<Mounting> mounter_;
    std::unique_ptr<Keychain> keychain_;
    std::unique_ptr<Notifier> notifier_;
    std::unique_ptr<Desktop> desktop_;
    std::unique_ptr<VolumeNotices> volumeNotices_;
    std::unique_ptr<WakeNotices> wakeNotices_;
    std::unique_ptr<NetworkPathMonitor> pathMonitor_;
};
