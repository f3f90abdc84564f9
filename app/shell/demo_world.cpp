#include "shell/demo_world.h"

#include "log/activity_event.h"
#include "model/profile.h"
#include "model/share_spec.h"
#include "platform/atomic_file.h"
#include "platform/user_defaults.h"
#include "routes/route_bindings.h"
#include "store/share_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

class DemoWorld::Notices final : public VolumeNotices {
public:
    void mounted(const QString& where) { Q_EMIT volumeDidMount(where); }
    void unmounted(const QString& where) { Q_EMIT volumeDidUnmount(where); }
};

class DemoWorld::Mounter final : public Mounting {
public:
    explicit Mounter(DemoWorld& world) : world_(world) {}

    void mount(const ShareSpec& spec, std::optional<QString>, std::function<void(MountOutcome)> done) override
    {
        const ShareSpec share = spec;
        QTimer::singleShot(world_.warming_ ? 0 : 700, &world_, [this, share, done] {
            if (world_.failingHosts.contains(share.host) || world_.silentHosts.contains(share.host)) {
                done(MountOutcome::failed(60));
                return;
            }
            const QString point = QStringLiteral("/run/mountwire-demo/") + share.name;
            world_.volumes.push_back(volumeFor(share, point));
            done(MountOutcome::mounted(point));
            world_.notices_->mounted(point);
        });
    }

    void unmount(const QString& path, bool, std::function<void(std::optional<QString>)> done) override
    {
        QTimer::singleShot(world_.warming_ ? 0 : 300, &world_, [this, path, done] {
            std::erase_if(world_.volumes, [&](const MountedVolume& v) { return v.mountPoint == path; });
            done(std::nullopt);
            world_.notices_->unmounted(path);
        });
    }

    static MountedVolume volumeFor(const ShareSpec& share, const QString& point)
    {
        switch (share.proto) {
        case ShareProtocol::nfs:
            return MountedVolume(point, QStringLiteral("nfs"), share.host + QStringLiteral(":/") + share.path);
        case ShareProtocol::webdav:
        case ShareProtocol::webdavs:
            return MountedVolume(point, QStringLiteral("webdav"), share.displayURL());
        case ShareProtocol::afp:
            return MountedVolume(point, QStringLiteral("afpfs"), QStringLiteral("//%1/%2").arg(share.host, share.path));
        case ShareProtocol::smb:
            break;
        }
        const QString user = share.user.isEmpty() ? QString() : share.user + QLatin1Char('@');
        return MountedVolume(point, QStringLiteral("smbfs"), QStringLiteral("//%1%2/%3").arg(user, share.host, share.path));
    }

private:
    DemoWorld& world_;
};

class DemoWorld::NoKeychain final : public Keychain {
public:
    void password(const ShareSpec&, std::function<void(std::optional<QString>)> done) override { done(std::nullopt); }
    void save(const QString&, const ShareSpec&, std::function<void(bool)> done) override { done(true); }
    void hasPassword(const ShareSpec&, std::function<void(bool)> done) override { done(false); }
};

class DemoWorld::NoNotifier final : public Notifier {
public:
    void requestAuthorization(std::function<void(bool)> done) override
    {
        if (done)
            done(true);
    }
    void post(const QString&, const QString&) override {}
};

namespace {

struct Sample {
    const char* name;
    ShareProtocol proto;
    const char* host;
    const char* path;
    const char* user;
    bool keepConnected;
    bool connected; // in the list of lines connected last time
};

const Sample samples[] {
    {"Projects", ShareProtocol::smb, "studio-nas.example", "Projects", "ana", true, true},
    {"Media", ShareProtocol::afp, "media.example", "Media", "ana", true, true},
    {"Archive", ShareProtocol::nfs, "archive.example", "export/archive", "", true, true},
    {"Backups", ShareProtocol::webdavs, "vault.example", "backups", "ana", true, true},
    {"Scratch", ShareProtocol::smb, "studio-nas.example", "Scratch", "ana", false, false},
};

// A fixed id per sample, so the same folder always shows the same lines.
QUuid sampleId(int i)
{
    return QUuid(QStringLiteral("{5A3E0C2D-7B14-4C9A-9E2F-%1}").arg(i, 12, 10, QLatin1Char('0')));
}

} // namespace

DemoWorld::DemoWorld(QObject* parent)
    : QObject(parent)
    , mounter_(std::make_unique<Mounter>(*this))
    , notices_(std::make_unique<Notices>())
    , keychain_(std::make_unique<NoKeychain>())
    , notifier_(std::make_unique<NoNotifier>())
{
    failingHosts.insert(QStringLiteral("vault.example"));
    volumes.emplace_back(QStringLiteral("/run/mountwire-demo/Photos"), QStringLiteral("nfs"),
        QStringLiteral("photos.example:/export/photos"));
}

DemoWorld::~DemoWorld() = default;

bool DemoWorld::fill(const QString& folder, UserDefaults& defaults, int extraLines)
{
    QDir dir(folder);
    dir.mkpath(QStringLiteral("."));
    if (!dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty())
        return false;
    QJsonArray shares;
    QStringList connected;
    int index = 0;
    for (const Sample& s : samples) {
        const ShareSpec spec(sampleId(index++), QString::fromUtf8(s.name), s.proto, QString::fromUtf8(s.host),
            std::nullopt, QString::fromUtf8(s.path), QString::fromUtf8(s.user), false, s.keepConnected);
        shares.append(spec.toJson());
        if (s.connected)
            connected << JsonFields::uuidText(spec.id);
    }
    for (int i = 0; i < extraLines; ++i) {
        const ShareSpec spec(sampleId(index++), QStringLiteral("Line %1").arg(i + 1), ShareProtocol::smb,
            QStringLiteral("host%1.example").arg(i % 20), std::nullopt, QStringLiteral("share%1").arg(i + 1),
            QStringLiteral("ana"), false, true);
        shares.append(spec.toJson());
        connected << JsonFields::uuidText(spec.id);
    }
    const Profile studio {QUuid(QStringLiteral("{6B4F1D3E-8C25-4DAB-AF30-000000000001}")), QStringLiteral("Studio"),
        QStringLiteral("building.2"), {sampleId(0), sampleId(2), sampleId(4)}, false};
    const Profile home {QUuid(QStringLiteral("{6B4F1D3E-8C25-4DAB-AF30-000000000002}")), QStringLiteral("Home"),
        QStringLiteral("house"), {sampleId(1), sampleId(3)}, true};
    const QJsonObject saved {{QStringLiteral("shares"), shares},
        {QStringLiteral("profiles"), QJsonArray {studio.toJson(), home.toJson()}},
        {QStringLiteral("activeProfileID"), JsonFields::uuidText(studio.id)}};
    AtomicFile::write(dir.filePath(ShareStore::sharesFileName()), QJsonDocument(saved).toJson());
    // The studio's wired network chose the Studio route, so the panel and the Routes page show both.
    const NetworkFingerprint studioNetwork {{QStringLiteral("eth0")}, QStringLiteral("10.4.0.1"),
        QStringLiteral("3c:22:fb:10:04:01"), QStringLiteral("Studio Ethernet")};
    const NetworkFingerprint homeNetwork {{QStringLiteral("wlan0")}, QStringLiteral("192.168.1.1"),
        QStringLiteral("3c:22:fb:19:21:68"), QStringLiteral("Home Wi-Fi")};
    const RouteBindings bindings = RouteBindings {}.binding(studio.id, studioNetwork).binding(home.id, homeNetwork);
    const QJsonObject networks {{QStringLiteral("bindings"), bindings.toJson()},
        {QStringLiteral("lastNetwork"), studioNetwork.toJson()},
        {QStringLiteral("chosenBy"),
            QJsonObject {{QStringLiteral("route"), JsonFields::uuidText(studio.id)},
                {QStringLiteral("network"), studioNetwork.toJson()}}}};
    AtomicFile::write(dir.filePath(ShareStore::networksFileName()), QJsonDocument(networks).toJson());
    defaults.setStringList(QStringLiteral("connectedShares"), connected);
    defaults.setBool(QStringLiteral("mw.didShowWelcome"), true);
    return true;
}

QDateTime DemoWorld::now() const
{
    return QDateTime::currentDateTimeUtc().addMSecs(offsetMs_);
}

StoreServices DemoWorld::services(const QString& folder, UserDefaults& defaults)
{
    StoreServices s;
    s.defaults = &defaults;
    s.mounter = mounter_.get();
    s.keychain = keychain_.get();
    s.notifier = notifier_.get();
    s.volumeNotices = notices_.get();
    s.folder = folder;
    s.now = [this] { return now(); };
    s.mountTable = [this] { return volumes; };
    s.probe = [this](const QString& host, int, double, StoreServices::ProbeDone done) {
        if (silentHosts.contains(host)) {
            done(std::nullopt);
            return;
        }
        // A steady few milliseconds with a little jitter, different per server.
        const double base = 2 + double(qHash(host) % 23);
        const double jitter = double((now().toSecsSinceEpoch() / 15 * 7 + qHash(host)) % 9) * 0.35;
        done(base + jitter);
    };
    s.checkHealth = [](const QString& path, double, StoreServices::HealthDone done) {
        const qint64 total = qint64(2 + qHash(path) % 6) * 1000LL * 1000 * 1000 * 1000;
        done(VolumeHealth::healthy(total, total / qint64(3 + qHash(path) % 5)));
    };
    s.heartbeatSeconds = 0;
    return s;
}

void DemoWorld::warmUp(ShareStore& store)
{
    constexpr int passes = 40;
    warming_ = true;
    offsetMs_ = -qint64(passes) * 15 * 1000;
    store.start();
    for (int pass = 0; pass < passes; ++pass) {
        // The archive server goes quiet for the last minute.
        if (pass == passes - 4)
            silentHosts.insert(QStringLiteral("archive.example"));
        bool over = false;
        store.heartbeat([&] { over = true; });
        while (!over)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // Mounts the pass started finish within it.
        for (int flush = 0; flush < 5; ++flush)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        offsetMs_ += 15 * 1000;
    }
    offsetMs_ = 0;
    warming_ = false;
}
