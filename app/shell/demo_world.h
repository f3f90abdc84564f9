#pragma once

#include "model/mounted_volume.h"
#include "platform/volume_notices.h"
#include "services/keychain.h"
#include "services/mounter_interface.h"
#include "services/notifier.h"
#include "store/store_services.h"

#include <QDateTime>
#include <QObject>
#include <QSet>

#include <map>
#include <memory>

class ShareStore;
class UserDefaults;

// A make-believe network for demonstrations and screenshots: servers that answer or not, mounts that
// succeed or fail, volumes that appear. Nothing here touches the network or the file systems.
class DemoWorld : public QObject {
    Q_OBJECT
public:
    // Without trouble every server answers and every mount succeeds.
    explicit DemoWorld(bool trouble = true, QObject* parent = nullptr);
    ~DemoWorld() override;

    // Fills an empty folder with sample lines and routes (and `extraLines` more plain ones); false when the
    // folder already holds something.
    static bool fill(const QString& folder, UserDefaults& defaults, int extraLines = 0);

    StoreServices services(const QString& folder, UserDefaults& defaults);
    // Starts the store and runs ten minutes of checks in moments, so the board has history, drops and log entries to show.
    void warmUp(ShareStore& store);
    QDateTime now() const;

    QSet<QString> silentHosts; // never answer a probe
    QSet<QString> failingHosts; // answer, but every mount fails
    std::vector<MountedVolume> volumes;

private:
    class Mounter;
    class Notices;
    class NoKeychain;
    class NoNotifier;
    std::unique_ptr<Mounter> mounter_;
    std::unique_ptr<Notices> notices_;
    std::unique_ptr<NoKeychain> keychain_;
    std::unique_ptr<NoNotifier> notifier_;
    qint64 offsetMs_ = 0;
    bool warming_ = false;
    bool trouble_ = true;
};
