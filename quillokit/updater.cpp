#include "quillokit/updater.h"

#include "quillokit/app_folder.h"
#include "quillokit/app_install.h"
#include "quillokit/folder_tree.h"
#include "quillokit/update_bounds.h"
#include "quillokit/update_logic.h"
#include "quillokit/update_staging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
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
constexpr const char* refusedSize = "quilloRefusedSize";
constexpr qint64 reportEvery = 262144;

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
    // Path texts say little: a home reached through a link, or a prefix shared with other software, only
    // shows itself once every link is resolved and the folder's contents are held against its manifest.
    const QString folder = AppFolder::resolved(bundle_.installFolder);
    if (folder.isEmpty() || !AppFolder::isOwn(folder) || !AppFolder::version(folder) || !AppFolder::programRuns(folder))
        return false;
    const QString home = AppFolder::resolved(bundle_.homeFolder);
    const QFileInfo info(folder);
    const QFileInfo parent(info.absolutePath());
    return UpdateLogic::canInstallInPlace(folder, home.isEmpty() ? bundle_.homeFolder : home,
                                          info.isDir() && info.isWritable(), parent.isWritable());
}

bool Updater::canDownload(const UpdateFeed& feed) const
{
    if (!feed.download || !bundle_.publicKey)
        return false;
    const QUrl url(feed.download->url, QUrl::StrictMode);
    // An archive named by a secure feed comes over a secure connection too.
    const bool secureEnough = !bundle_.feedURL || UpdateLogic::allowsRedirect(*bundle_.feedURL, url);
    return isWebAddress(url) && secureEnough && canInstallInPlace();
}

std::optional<QUrl> Updater::downloadPage(const UpdateFeed& feed)
{
    const QUrl page(feed.url, QUrl::StrictMode);
    return isWebAddress(page) ? std::optional(page) : std::nullopt;
}

QString Updater::workFolder() const
{
    return UpdateStaging::workFolder(bundle_.cachesFolder, bundle_.identifier);
}

void Updater::start()
{
    if (started_)
        return;
    if (const QString installed = AppFolder::resolved(bundle_.installFolder); !installed.isEmpty())
        AppInstall::cleanUp(installed);
    if (!bundle_.feedURL)
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

    feedUserInitiated_ = userInitiated;
    feedBody_.clear();
    QNetworkReply* reply = get(*bundle_.feedURL, 20000);
    feedReply_ = reply;
    const auto tooLarge = [reply](qint64 size) {
        if (size <= UpdateBounds::feedBytes || reply->property(refusedSize).toBool())
            return;
        reply->setProperty(refusedSize, true);
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply, tooLarge] {
        tooLarge(reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply, tooLarge] {
        readFeed(reply);
        tooLarge(feedBody_.size());
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finishCheck(reply, feedUserInitiated_); });
}

QNetworkReply* Updater::get(const QUrl& url, int timeoutMs)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setTransferTimeout(timeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, bundle_.appName + QLatin1Char('/') + bundle_.currentVersion);
    QNetworkReply* reply = network_->get(request);
    // Small reads keep memory bounded whatever the server sends, and progress moving.
    reply->setReadBufferSize(reportEvery / 4);
    guardRedirects(reply);
    return reply;
}

void Updater::readFeed(QNetworkReply* reply)
{
    if (reply->property(refusedSize).toBool())
        return;
    feedBody_.append(reply->read(UpdateBounds::feedBytes + 1 - feedBody_.size()));
}

void Updater::failCheck(bool userInitiated, const QString& message)
{
    setPhase(userInitiated ? Phase::failed(message) : Phase::idle());
}

void Updater::finishCheck(QNetworkReply* reply, bool userInitiated)
{
    reply->deleteLater();
    feedReply_ = nullptr;
    readFeed(reply);
    const QByteArray body = std::exchange(feedBody_, {});
    if (reply->property(refusedSize).toBool() || body.size() > UpdateBounds::feedBytes) {
        failCheck(userInitiated, UpdateBounds::feedTooLarge());
        return;
    }
    const auto feed = reply->error() == QNetworkReply::NoError && statusOf(reply) == 200 ? UpdateFeed::decode(body)
                                                                                         : std::nullopt;
    if (!feed) {
        failCheck(userInitiated, checkFailed);
        return;
    }
    if (feed->notes && feed->notes->size() > UpdateBounds::notesCharacters) {
        failCheck(userInitiated, UpdateBounds::notesTooLong());
        return;
    }
    lastChecked_ = hooks_.now();
    Q_EMIT lastCheckedChanged();

    if (!UpdateLogic::isNewer(feed->version, bundle_.currentVersion)
        || !UpdateLogic::systemSupports(feed->minimumSystemVersion, bundle_.system)) {
        setPhase(Phase::upToDate());
        return;
    }
    if (automaticallyDownloads() && canDownload(*feed)) {
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
    if (!canDownload(feed)) {
        setPhase(Phase::available(feed));
        return;
    }
    const qint64 length = feed.download->length;
    if (length < 1 || length > UpdateBounds::archiveBytes) {
        setPhase(Phase::failed(length < 1 ? QStringLiteral("The update file couldn’t be downloaded.")
                                          : UpdateBounds::archiveTooLarge()));
        return;
    }
    const QString work = workFolder();
    archive_ = std::make_unique<QFile>(UpdateStaging::archiveFile(work));
    if (!UpdateStaging::prepare(work)
        || !archive_->open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
        archive_.reset();
        setPhase(Phase::failed(downloadFailedPrefix + QStringLiteral("The folder “%1” couldn’t be written.").arg(work)));
        return;
    }
    setPhase(Phase::downloading(feed, 0));
    received_ = 0;
    nextReport_ = reportEvery;

    // A server that stops sending gives up after a minute instead of leaving the download hanging.
    QNetworkReply* reply = get(QUrl(feed.download->url, QUrl::StrictMode), 60000);
    downloadReply_ = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        if (downloadReply_ != reply || !phase_.feed)
            return;
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        if (announced.isValid() && announced.toLongLong() > phase_.feed->download->length + UpdateBounds::downloadSlack)
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
    const QByteArray chunk = reply->readAll();
    received_ += chunk.size();
    if (received_ > length + UpdateBounds::downloadSlack) {
        failDownload(QStringLiteral("The download was larger than expected."));
        return;
    }
    if (archive_->write(chunk) != chunk.size()) {
        failDownload(downloadFailedPrefix + QStringLiteral("It couldn’t be saved: %1").arg(archive_->errorString()));
        return;
    }
    if (received_ >= nextReport_) {
        nextReport_ = (received_ / reportEvery + 1) * reportEvery;
        const double fraction = std::min(1.0, double(received_) / double(std::max<qint64>(length, 1)));
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
    if (received_ != phase_.feed->download->length || !archive_->flush()) {
        failDownload(QStringLiteral("The download was incomplete."));
        return;
    }
    archive_->close();
    verifyAndStage(std::exchange(archive_, {})->fileName());
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
    archive_.reset();
    received_ = 0;
    FolderTree::remove(workFolder());
    setPhase(Phase::failed(message));
}

void Updater::verifyAndStage(const QString& archive)
{
    const QString version = phase_.feed->version;
    const QString signature = phase_.feed->download->edSignature;
    const QString key = *bundle_.publicKey;
    const QString work = workFolder();
    auto result = std::make_shared<Staged>();
    // Checking the signature of a large archive takes long enough to stall the windows, so it runs here too.
    staging_.reset(QThread::create([result, archive, version, signature, key, work] {
        QFile file(archive);
        uchar* mapped = file.open(QIODevice::ReadOnly) ? file.map(0, file.size()) : nullptr;
        // Mapped rather than read: the pages come from the file, not from memory of ours.
        const QByteArray bytes = mapped ? QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), file.size())
                                        : QByteArray();
        if (!mapped || !UpdateLogic::verify(bytes, signature, key)) {
            result->folder = UpdateError{QStringLiteral("The update’s signature didn’t match, so it wasn’t installed.")};
        } else {
            result->folder = UpdateStaging::stage(bytes, version, work);
        }
        file.remove();
        const auto* staged = std::get_if<QString>(&result->folder);
        if (!staged)
            return;
        if (auto problem = UpdateStaging::validate(*staged, version)) {
            result->folder = *problem;
            return;
        }
        const auto digest = FolderTree::digest(*staged);
        if (!digest) {
            result->folder = UpdateError{QStringLiteral("The downloaded update didn’t match this app.")};
            return;
        }
        result->digest = *digest;
    }));
    QThread* thread = staging_.get();
    connect(thread, &QThread::finished, this, [this, result, version] { finishStaging(*result, version); });
    thread->start();
}

void Updater::finishStaging(const Staged& result, const QString& version)
{
    if (const auto* error = std::get_if<UpdateError>(&result.folder)) {
        FolderTree::remove(workFolder());
        setPhase(Phase::failed(error->message));
        return;
    }
    stagedApp_ = std::get<QString>(result.folder);
    stagedDigest_ = result.digest;
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
    if (installLaunched_ || phase_.kind != Phase::Kind::ready || !stagedApp_ || !canInstallInPlace())
        return false;
    installLaunched_ = true;
    const QString installed = AppFolder::resolved(bundle_.installFolder);
    const bool done = AppInstall::install(*stagedApp_, installed, stagedDigest_);
    FolderTree::remove(workFolder());
    if (relaunchAfterInstall_)
        AppInstall::relaunchAfter(hooks_.processId(), installed);
    return done;
}

void Updater::setPhase(Phase phase)
{
    if (phase == phase_)
        return;
    phase_ = std::move(phase);
    Q_EMIT phaseChanged();
}
