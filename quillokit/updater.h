#pragma once

#include "quillokit/quillo_defaults.h"
#include "quillokit/update_phase.h"
#include "quillokit/updater_bundle.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QNetworkAccessManager;
class QNetworkReply;
class QThread;

// What the updater takes from its surroundings; tests replace the clock, the quit and the process whose
// end the install waits for.
struct UpdaterHooks {
    std::function<QDateTime()> now;
    std::function<void()> quit;
    std::function<qint64()> processId;
    // Seconds from start() to the first check, and between later checks.
    double firstCheckDelay = 8;
    double checkInterval = 21600;
};

// Checks the signed feed, downloads, verifies and stages a newer version, and installs it when the
// application quits. Lives on the main thread; every change of what it shows is announced by a signal.
class Updater : public QObject {
    Q_OBJECT

public:
    using Phase = UpdatePhase;

    Updater(UpdaterBundle bundle, QuilloDefaults& defaults, UpdaterHooks hooks = {}, QObject* parent = nullptr);
    ~Updater() override;

    const Phase& phase() const { return phase_; }
    const UpdaterBundle& bundle() const { return bundle_; }
    std::optional<QDateTime> lastChecked() const { return lastChecked_; }
    std::optional<QString> stagedApp() const { return stagedApp_; }
    bool relaunchAfterInstall() const { return relaunchAfterInstall_; }

    // The setting "QuilloAutoUpdate", on when absent.
    bool automaticallyDownloads() const;
    void setAutomaticallyDownloads(bool on);

    // Whether the installed folder may be replaced: the application's own folder, writable, not on
    // removable media and not a shared prefix.
    bool canInstallInPlace() const;

    // Without a feed address, nothing. Otherwise installs on the application's quit, checks once after the
    // first delay and then at every interval.
    void start();
    void check(bool userInitiated);
    void download(const UpdateFeed& feed);
    // "Restart Now": the install runs as the application quits, then starts the new version.
    void installAndRelaunch();
    // Behind "Check for Updates…".
    void checkForUpdates();
    // Starts the install script if a version is staged and may be installed; true if it was started.
    bool installOnQuit();

Q_SIGNALS:
    void phaseChanged();
    void automaticallyDownloadsChanged(bool on);
    void lastCheckedChanged();
    // The update window should come forward.
    void windowRequested();

private:
    void setPhase(Phase phase);
    void finishCheck(QNetworkReply* reply, bool userInitiated);
    void receive(QNetworkReply* reply);
    void finishDownload(QNetworkReply* reply);
    void failDownload(const QString& message);
    // Off the main thread: checks the signature, unpacks and validates.
    void verifyAndStage(QByteArray archive);
    void finishStaging(const std::variant<QString, UpdateError>& result, const QString& version);
    void announceOnce(const QString& version);
    void guardRedirects(QNetworkReply* reply);

    UpdaterBundle bundle_;
    QuilloDefaults& defaults_;
    UpdaterHooks hooks_;
    Phase phase_;
    std::optional<QDateTime> lastChecked_;
    std::optional<QString> stagedApp_;
    bool relaunchAfterInstall_ = false;
    bool started_ = false;
    bool installLaunched_ = false;
    QNetworkAccessManager* network_ = nullptr;
    QPointer<QNetworkReply> feedReply_;
    bool feedUserInitiated_ = false;
    QPointer<QNetworkReply> downloadReply_;
    QByteArray received_;
    qint64 nextReport_ = 0;
    std::unique_ptr<QThread> staging_;
    QTimer timer_;
};
