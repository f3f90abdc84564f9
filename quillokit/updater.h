#pragma once

#include "quillokit/quillo_defaults.h"
#include "quillokit/update_phase.h"
#include "quillokit/updater_bundle.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <variant>

class QFile;
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
// application has ended. Lives on the main thread; every change of what it shows is announced by a signal.
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

    // Whether the installed folder may be replaced: with links resolved, a folder holding nothing but what
    // its manifest lists, writable, not on removable media and not a shared prefix.
    bool canInstallInPlace() const;

    // Whether "Download & Install" can do anything for this feed.
    bool canDownload(const UpdateFeed& feed) const;
    // The feed's page for a download by hand, when it is a web page.
    static std::optional<QUrl> downloadPage(const UpdateFeed& feed);

    // Clears what an install cut short left beside the installed folder. Then, without a feed address,
    // nothing; otherwise installs when the application ends, checks once after the first delay and then at
    // every interval.
    void start();
    void check(bool userInitiated);
    void download(const UpdateFeed& feed);
    // "Restart Now": the install runs once the application has ended, then starts the new version.
    void installAndRelaunch();
    // Behind "Check for Updates…".
    void checkForUpdates();
    // Installs a staged version that may be installed; true if it was. Only for the application's end, when
    // nothing can stop the quit any more: it replaces the folder the running program came from.
    bool installOnQuit();

Q_SIGNALS:
    void phaseChanged();
    void automaticallyDownloadsChanged(bool on);
    void lastCheckedChanged();
    // The update window should come forward.
    void windowRequested();

private:
    struct Staged {
        std::variant<QString, UpdateError> folder = UpdateError{};
        QByteArray digest;
    };

    void setPhase(Phase phase);
    QNetworkReply* get(const QUrl& url, int timeoutMs);
    void readFeed(QNetworkReply* reply);
    void finishCheck(QNetworkReply* reply, bool userInitiated);
    void failCheck(bool userInitiated, const QString& message);
    void receive(QNetworkReply* reply);
    void finishDownload(QNetworkReply* reply);
    void failDownload(const QString& message);
    // Off the main thread: checks the signature, unpacks, validates and takes the staged folder's digest.
    void verifyAndStage(const QString& archive);
    void finishStaging(const Staged& result, const QString& version);
    void announceOnce(const QString& version);
    void guardRedirects(QNetworkReply* reply);
    QString workFolder() const;

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
    QByteArray feedBody_;
    QPointer<QNetworkReply> downloadReply_;
    // The download goes straight to a file in the work folder.
    std::unique_ptr<QFile> archive_;
    qint64 received_ = 0;
    qint64 nextReport_ = 0;
    // What the staged folder held when it was validated; the install checks its copy against it.
    QByteArray stagedDigest_;
    std::unique_ptr<QThread> staging_;
    QTimer timer_;
};
