#pragma once

#include "health/reachability_tracker.h"
#include "log/activity_event.h"
#include "log/log_retention.h"
#include "model/mounted_volume.h"
#include "model/profile.h"
#include "model/share_spec.h"
#include "routes/route_bindings.h"
#include "services/mount_outcome.h"
#include "store/manager_page.h"
#include "store/share_runtime.h"
#include "store/share_status.h"
#include "store/store_services.h"
#include "store/toast.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <QUuid>

#include <functional>
#include <map>
#include <optional>
#include <vector>

class CertificatePins;
struct NetworkPath;

// The one owner of the application's state: the saved lines, routes and signal log, every line's live
// record, the servers' probe histories and the bits of window state the views drive. It lives on the main
// thread; every answer from elsewhere comes back to it before it touches anything. Each published field has
// a change signal; the views redraw from the fields.
class ShareStore : public QObject {
    Q_OBJECT
public:
    explicit ShareStore(StoreServices services, QObject* parent = nullptr);
    ~ShareStore() override;

    // Loads the files, adopts what is mounted, re-arms the lines connected last time and starts the loop.
    // Later calls do nothing.
    void start();
    bool isStarted() const { return started_; }

    // While on, nothing is written, probed, mounted or read from the mount table.
    bool demoMode = false;

    // Published fields.
    const std::vector<ShareSpec>& shares() const { return shares_; }
    const std::vector<Profile>& profiles() const { return profiles_; }
    const std::optional<QUuid>& activeProfileID() const { return activeProfileID_; }
    const std::vector<ActivityEvent>& events() const { return events_; }
    const QHash<QUuid, ShareRuntime>& runtime() const { return runtime_; }
    const std::map<QString, ReachabilityTracker>& servers() const { return servers_; }
    const std::vector<MountedVolume>& otherVolumes() const { return otherVolumes_; }
    ManagerPage page() const { return page_; }
    const std::optional<ShareEditorRequest>& editor() const { return editor_; }
    const std::optional<Toast>& toast() const { return toast_; }
    bool showWelcome() const { return showWelcome_; }

    void setPage(ManagerPage page);
    void setEditor(std::optional<ShareEditorRequest> request);
    void openEditor(std::optional<ShareSpec> spec);
    void setShowWelcome(bool on);

    // Settings, read at each use.
    double probeInterval() const;
    double retryCap() const;
    int failuresToMarkDown() const;
    LogRetention retention() const;
    bool notifyDrops() const;
    bool notifyRecoveries() const;
    bool reconnectAfterWake() const;

    // What the views show.
    ShareStatus status(const ShareSpec& share) const;
    bool isMounted(const ShareSpec& share) const;
    int connectedCount() const;
    int attentionCount() const;
    std::optional<QDateTime> dropStamp(const ShareSpec& share) const;
    std::optional<QString> gapStamp(const ShareSpec& share) const;
    const ReachabilityTracker* tracker(const ShareSpec& share) const;
    const ShareRuntime* record(const QUuid& id) const;
    const ShareSpec* share(const QUuid& id) const;
    QDateTime now() const { return services_.now(); }

    // Monitoring.
    void refreshMounts();
    // One probe pass and the stale checks after it; done (when given) runs when both are over.
    void probeAll(std::function<void()> done = {});
    // One beat of the loop: a tick for every line, then a probe pass when one is due.
    void heartbeat(std::function<void()> done = {});
    // Beats now and then every `seconds` after each beat is over. Start does this with the services'
    // interval; an owner that beat by hand first (a warm-up) starts it later.
    void startHeartbeat(double seconds);

    // What the user does.
    void mount(const ShareSpec& share);
    void unmount(const ShareSpec& share, bool force);
    void mountAll();
    void activate(const Profile& profile);
    void upsert(const ShareSpec& share, const std::optional<QString>& password);
    void remove(const ShareSpec& share);
    void addProfile();
    void deleteProfile(const QUuid& id);
    void renameProfile(const QUuid& id, const QString& name);
    void updateProfile(const Profile& profile);
    void toggle(const ShareSpec& share, const QUuid& routeID);
    void setKeepConnected(const ShareSpec& share, bool on);
    void save(const MountedVolume& volume);
    void clearEvents();
    void applyRetention();
    void showToast(const QString& text, const QString& symbol, ToastTint tint);
    void open(const ShareSpec& share);
    // Shows a mounted folder in the file manager, such as a volume mounted elsewhere.
    void openFolder(const QString& mountPoint);
    void copyAddress(const ShareSpec& share);
    // Whether the user trusted a certificate for the line, and dropping that trust.
    bool hasPinnedCertificate(const ShareSpec& share) const;
    void forgetCertificate(const ShareSpec& share);
    void log(ActivityEvent::Kind kind, const std::optional<QString>& shareName, const QString& message);

    // Routes that follow the network: joining a network bound to exactly one route switches to it.
    const RouteBindings& bindings() const { return bindings_; }
    // The network the computer is on, as far as it is known; none while offline.
    const std::optional<NetworkFingerprint>& currentNetwork() const { return currentNetwork_; }
    // The network that switched to the active route, while the route it chose stays active.
    std::optional<NetworkFingerprint> chosenBy() const;
    void bindCurrentNetwork(const QUuid& routeID);
    void unbindNetwork(const QUuid& routeID, const NetworkFingerprint& network);

    static constexpr double toastSeconds = 2.4;
    static QString sharesFileName() { return QStringLiteral("shares.json"); }
    static QString eventsFileName() { return QStringLiteral("activity.json"); }
    static QString networksFileName() { return QStringLiteral("networks.json"); }

Q_SIGNALS:
    void sharesChanged();
    void profilesChanged();
    void activeProfileIDChanged();
    void eventsChanged();
    // One line's live record changed (its machine, volume, health, error or busy flag).
    void runtimeChanged(const QUuid& id);
    void serversChanged();
    void otherVolumesChanged();
    void pageChanged(ManagerPage page);
    void editorChanged();
    void toastChanged();
    void showWelcomeChanged(bool on);
    // The bindings, the current network or the network that chose the active route changed.
    void networksChanged();

private:
    void setShares(std::vector<ShareSpec> shares);
    void setProfiles(std::vector<Profile> profiles);
    void setActiveProfileID(std::optional<QUuid> id);
    void setEvents(std::vector<ActivityEvent> events);
    void setOtherVolumes(std::vector<MountedVolume> volumes);

    void syncRuntime();
    void load();
    void save();
    void saveEvents();
    QString filePath(const QString& name) const;
    // Keeps a copy of a file that could not be read before anything replaces it; false when that failed.
    bool keepDamaged(const QString& name);

    void apply(const LinkMachine::Event& event, const QUuid& id);
    void broadcast(const LinkMachine::Event& event);
    void performMount(const ShareSpec& share);
    void finishMount(const QUuid& id, const MountOutcome& outcome);
    void markConnected(const ShareSpec& share, bool connected);
    // The daemon could not verify the certificate of the line's server: a pinned line goes on when the server
    // still shows the pinned one, a line connected by hand asks the user, anything else is refused.
    void answerCertificate(const ShareSpec& share, std::function<void(std::int32_t refusal)> answer);
    CertificatePins& pins() const;
    void applyProbeResults(const std::map<QString, std::pair<QString, int>>& targets,
        const std::map<QString, std::optional<double>>& results);
    void checkHealth(std::vector<QUuid> remaining, std::function<void()> done);
    void networkChanged(const QString& signature, bool satisfied);
    void networkSeen(const std::optional<NetworkFingerprint>& seen);
    void switchTo(const Profile& profile, const QString& message);
    void loadNetworks();
    void saveNetworks();
    void didWake();
    void scheduleHeartbeat();
    // Runs work on this store's thread later, or never if the store is gone by then.
    void onMain(std::function<void()> work);
    // Services may answer after the store is gone; their callbacks hold this, never the store itself.
    std::weak_ptr<bool> weakAlive() const { return alive_; }
    static void post(std::weak_ptr<bool> alive, std::function<void()> work);

    StoreServices services_;
    std::vector<ShareSpec> shares_;
    std::vector<Profile> profiles_;
    std::optional<QUuid> activeProfileID_;
    std::vector<ActivityEvent> events_;
    QHash<QUuid, ShareRuntime> runtime_;
    std::map<QString, ReachabilityTracker> servers_;
    std::vector<MountedVolume> otherVolumes_;
    ManagerPage page_ = ManagerPage::shares;
    std::optional<ShareEditorRequest> editor_;
    std::optional<Toast> toast_;
    bool showWelcome_ = false;

    bool loading_ = false;
    bool started_ = false;
    std::optional<QString> lastPathSignature_;
    RouteBindings bindings_;
    std::optional<NetworkFingerprint> currentNetwork_;
    // The last network joined, with every detail seen of it; kept across runs, so a restart is no change.
    std::optional<NetworkFingerprint> lastNetwork_;
    std::optional<std::pair<QUuid, NetworkFingerprint>> chosenBy_;
    // The network changed and neither the bindings nor the user settled the route for it yet.
    bool following_ = false;
    QSet<QUuid> interactiveMounts_;
    // Mounts started by the user that are under way; only they may ask about a certificate.
    QSet<QUuid> mountsByHand_;
    // Lines whose automatic mount met an unknown certificate: no automatic mount until one by hand.
    QSet<QUuid> awaitingHand_;
    mutable std::unique_ptr<CertificatePins> pins_;
    QDateTime lastProbe_;
    QTimer toastTimer_;
    QTimer heartbeatTimer_;
    // Files that could not be read at load, still to be copied aside before they are replaced.
    QSet<QString> damaged_;
    // Lines whose mount by the store was logged already, so the mount table's sight of it is not logged again.
    QHash<QUuid, QString> mountLogged_;
    // The liveness token that answers from other threads check before they touch the store.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
