#include "quillokit/updater.h"

#include "quillokit/app_folder.h"
#include "quillokit/install_script.h"
#include "quillokit/update_logic.h"
#include "quillokit/update_staging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace {

const QString autoUpdateKey = QStringLiteral("QuilloAutoUpdate");
const QString checkFailed = QStringLiteral("Couldn’t check for updates. Check your internet connection and try again.");
const QString downloadFailedPrefix = QStringLiteral("The update couldn’t be downloaded. ");
constexpr const char* refusedRedirect = "quilloRefusedRedirect";
constexpr qint64 reportEvery = 262144;
constexpr qint64 slack = 1024;
// A feed may promise any length; memory is set aside only up to this much in advance.
constexpr qint64 largestReservation = qint64(256) << 20;

int milliseconds(double seconds)
{
    return int(std::clamp(seconds * 1000.0, 0.0, 2147483647.0));
}

int statusOf(QNetworkReply* reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

} // namespace

Updater::Updater(UpdaterBundle bundle, QuilloDefaults& defaults, UpdaterHooks hooks, QObject* parent)
    : QObject(parent), bundle_(std::move(bundle)), defaults_(defaults), hooks_(std::move(hooks)),
      network_(new QNetworkAccessManager(this))
{
    if (!hooks_.now)
        hooks_.now = [] { return QDateTime::currentDateTimeUtc(); };
    if (!hooks_.quit)
        hooks_.quit = [] { QCoreApplication::quit(); };
    if (!hooks_.processId)
        hooks_.processId = [] { return QCoreApplication::applicationPid(); };
    connect(&timer_, &QTimer::timeout, this, [this] { check(false); });
}

Updater::~Updater()
{
    // The staging thread writes only into the work folder, but it must not outlive what it reports to.
    if (staging_)
        staging_->wait();
}

bool Updater::automaticallyDownloads() const
{
    return defaults_.flag(autoUpdateKey).value_or(true);
}

void Updater::setAutomaticallyDownloads(bool on)
{
    const bool before = automaticallyDownloads();
    defaults_.setFlag(autoUpdateKey, on);
    if (before != on)
        Q_EMIT automaticallyDownloadsChanged(on);
}

bool Updater::canInstallInPlace() const
{
    const QString folder = bundle_.installFolder;
    if (folder.isEmpty() || !AppFolder::holdsProgram(folder) || !AppFolder::version(folder))
        return false;
    const QFileInfo info(folder);
    const QFileInfo parent(info.absolutePath());
    return UpdateLogic::canInstallInPlace(folder, bundle_.homeFolder, info.isDir() && info.isWritable(),
                                          parent.isWritable());
}

void Updater::start()
{
    if (!bundle_.feedURL || started_)
        return;
    started_ = true;
    if (auto* application = QCoreApplication::instance())
        connect(application, &QCoreApplication::aboutToQuit, this, &Updater::installOnQuit);
    QTimer::singleShot(milliseconds(hooks_.firstCheckDelay), this, [this] { check(false); });
    timer_.start(milliseconds(hooks_.checkInterval));
}

void Updater::check(bool userInitiated)
{
    if (!bundle_.feedURL)
        return;
    if (phase_.kind == Phase::Kind::downloading)
        return;
    if (phase_.kind == Phase::Kind::ready) {
        if (userInitiated)
            Q_EMIT windowRequested();
        return;
    }
    if (feedReply_) {
        // One request answers both; the user's wish to see the outcome wins.
        feedUserInitiated_ = feedUserInitiated_ || userInitiated;
        if (userInitiated)
            Q_EMIT windowRequested();
        return;
    }
    setPhase(Phase::checking());
    if (userInitiated)
        Q_EMIT windowRequested();

    QNetworkRequest request(*bundle_.feedURL);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(20000);
    request.setHeader(QNetworkRequest::UserAgentHeader, bundle_.appName + QLatin1Char('/') + bundle_.currentVersion);
    feedUserInitiated_ = userInitiated;
    QNetworkReply* reply = network_->get(request);
    feedReply_ = reply;
    guardRedirects(reply);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishCheck(reply, feedUserInitiated_); });
}

void Updater::finishCheck(QNetworkReply* reply, bool userInitiated)
{
    reply->deleteLater();
    feedReply_ = nullptr;
    const auto feed = reply->error() == QNetworkReply::NoError && statusOf(reply) == 200
                          ? UpdateFeed::decode(reply->readAll())
                          : std::nullopt;
    if (!feed) {
        setPhase(userInitiated ? Phase::failed(checkFailed) : Phase::idle());
        return;
    }
    lastChecked_ = hooks_.now();
    Q_EMIT lastCheckedChanged();

    if (!UpdateLogic::isNewer(feed->version, bundle_.currentVersion)
        || !UpdateLogic::systemSupports(feed->minimumSystemVersion, bundle_.system)) {
        setPhase(Phase::upToDate());
        return;
    }
    if (automaticallyDownloads() && feed->download && bundle_.publicKey && canInstallInPlace()) {
        download(*feed);
        return;
    }
    setPhase(Phase::available(*feed));
    if (!userInitiated)
        announceOnce(feed->version);
}

void Updater::guardRedirects(QNetworkReply* reply)
{
    // The reply already names the new address when it asks, so the hop before is kept here.
    auto previous = std::make_shared<QUrl>(reply->request().url());
    connect(reply, &QNetworkReply::redirected, reply, [reply, previous](const QUrl& to) {
        const QUrl target = previous->resolved(to);
        if (!UpdateLogic::allowsRedirect(*previous, target)) {
            reply->setProperty(refusedRedirect, true);
            reply->abort();
            return;
        }
        *previous = target;
        Q_EMIT reply->redirectAllowed();
    });
}

void Updater::download(const UpdateFeed& feed)
{
    if (phase_.kind == Phase::Kind::downloading || phase_.kind == Phase::Kind::ready)
        return;
    const QUrl url = feed.download ? QUrl(feed.download->url, QUrl::StrictMode) : QUrl();
    // An archive named by a secure feed comes over a secure connection too.
    const bool secureEnough = !bundle_.feedURL || UpdateLogic::allowsRedirect(*bundle_.feedURL, url);
    if (!feed.download || !isWebAddress(url) || !secureEnough || !bundle_.publicKey) {
        setPhase(Phase::available(feed));
        return;
    }
    setPhase(Phase::downloading(feed, 0));
    received_.clear();
    received_.reserve(qsizetype(std::clamp<qint64>(feed.download->length, 0, largestReservation)));
    nextReport_ = reportEvery;

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setHeader(QNetworkRequest::UserAgentHeader, bundle_.appName + QLatin1Char('/') + bundle_.currentVersion);
    // A server that stops sending gives up after a minute instead of leaving the download hanging.
    request.setTransferTimeout(60000);
    QNetworkReply* reply = network_->get(request);
    // Small reads keep the progress moving and catch an oversized download soon after it goes too far.
    reply->setReadBufferSize(reportEvery / 4);
    downloadReply_ = reply;
    guardRedirects(reply);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        if (downloadReply_ != reply || !phase_.feed)
            return;
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if (announced.isValid() && announced.toLongLong() > phase_.feed->download->length + slack)
            failDownload(QStringLiteral("The download was larger than expected."));
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] { receive(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishDownload(reply); });
}

void Updater::receive(QNetworkReply* reply)
{
    if (downloadReply_ != reply || !phase_.feed)
        return;
    const int status = statusOf(reply);
    // The body of a redirect is not the archive; whether the redirect is followed decides the rest.
    if (status >= 300 && status < 400)
        return;
    if (status != 200) {
        failDownload(QStringLiteral("The update file couldn’t be downloaded."));
        return;
    }
    const qint64 length = phase_.feed->download->length;
    received_.append(reply->readAll());
    if (received_.size() > length + slack) {
        failDownload(QStringLiteral("The download was larger than expected."));
        return;
    }
    if (received_.size() >= nextReport_) {
        nextReport_ = (received_.size() / reportEvery + 1) * reportEvery;
        const double fraction = std::min(1.0, double(received_.size()) / double(std::max<qint64>(length, 1)));
        setPhase(Phase::downloading(*phase_.feed, fraction));
    }
}

void Updater::finishDownload(QNetworkReply* reply)
{
    reply->deleteLater();
    if (downloadReply_ != reply || !phase_.feed)
        return;
    receive(reply);
    if (downloadReply_ != reply)
        return;
    downloadReply_ = nullptr;
    if (reply->error() != QNetworkReply::NoError) {
        const int status = statusOf(reply);
        if (reply->property(refusedRedirect).toBool())
            failDownload(downloadFailedPrefix + QStringLiteral("It was sent on to an address that isn’t secure."));
        else if (status != 0 && status != 200)
            failDownload(QStringLiteral("The update file couldn’t be downloaded."));
        else
            failDownload(downloadFailedPrefix + reply->errorString());
        return;
    }
    if (received_.size() != phase_.feed->download->length) {
        failDownload(QStringLiteral("The download was incomplete."));
        return;
    }
    verifyAndStage(std::exchange(received_, {}));
}

void Updater::failDownload(const QString& message)
{
    if (QNetworkReply* reply = downloadReply_) {
        downloadReply_ = nullptr;
        // Aborting from inside one of the reply's own signals upsets it; it is stopped once that returns.
        disconnect(reply, nullptr, this, nullptr);
        QMetaObject::invokeMethod(reply, [reply] {
            reply->abort();
            reply->deleteLater();
        }, Qt::QueuedConnection);
    }
    received_.clear();
    setPhase(Phase::failed(message));
}

void Updater::verifyAndStage(QByteArray archive)
{
    const QString version = phase_.feed->version;
    const QString signature = phase_.feed->download->edSignature;
    const QString key = *bundle_.publicKey;
    const QString work = UpdateStaging::workFolder(bundle_.cachesFolder, bundle_.identifier);
    auto result = std::make_shared<std::variant<QString, UpdateError>>(UpdateError{});
    // Checking the signature of a large archive takes long enough to stall the windows, so it runs here too.
    staging_.reset(QThread::create([result, archive = std::move(archive), version, signature, key, work] {
        if (!UpdateLogic::verify(archive, signature, key)) {
            *result = UpdateError{QStringLiteral("The update’s signature didn’t match, so it wasn’t installed.")};
            return;
        }
        *result = UpdateStaging::stage(archive, version, work);
        if (const auto* staged = std::get_if<QString>(result.get())) {
            if (auto problem = UpdateStaging::validate(*staged, version)) {
                QDir(QFileInfo(*staged).absolutePath()).removeRecursively();
                *result = *problem;
            }
        }
    }));
    QThread* thread = staging_.get();
    connect(thread, &QThread::finished, this, [this, result, version] { finishStaging(*result, version); });
    thread->start();
}

void Updater::finishStaging(const std::variant<QString, UpdateError>& result, const QString& version)
{
    if (const auto* error = std::get_if<UpdateError>(&result)) {
        setPhase(Phase::failed(error->message));
        return;
    }
    stagedApp_ = std::get<QString>(result);
    setPhase(Phase::ready(*phase_.feed));
    announceOnce(version);
}

void Updater::announceOnce(const QString& version)
{
    const QString key = QStringLiteral("QuilloAnnounced-") + version;
    if (defaults_.flag(key).value_or(false))
        return;
    defaults_.setFlag(key, true);
    Q_EMIT windowRequested();
}

void Updater::installAndRelaunch()
{
    relaunchAfterInstall_ = true;
    hooks_.quit();
}

void Updater::checkForUpdates()
{
    QMetaObject::invokeMethod(this, [this] { check(true); }, Qt::AutoConnection);
}

bool Updater::installOnQuit()
{
    // Two scripts would race each other over the same folders.
    if (installLaunched_ || phase_.kind != Phase::Kind::ready || !stagedApp_ || !canInstallInPlace())
        return false;
    installLaunched_ =
        InstallScript::launch(hooks_.processId(), *stagedApp_, bundle_.installFolder, relaunchAfterInstall_);
    return installLaunched_;
}

void Updater::setPhase(Phase phase)
{
    if (phase == phase_)
        return;
    phase_ = std::move(phase);
    Q_EMIT phaseChanged();
}
