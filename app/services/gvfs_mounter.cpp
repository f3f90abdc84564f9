#include "services/gvfs_mounter.h"

#include "health/probe.h"
#include "services/mounter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMetaObject>
#include <QUrl>

#include <gio/gio.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

namespace {

struct Credentials {
    QString user;
    QString domain;
    std::optional<QString> password;
};

// An SMB user may be written DOMAIN;user or DOMAIN\user.
Credentials credentialsFor(const ShareSpec& spec, std::optional<QString> password)
{
    Credentials c;
    c.password = std::move(password);
    if (!supportsUser(spec.proto))
        return c;
    QString user = spec.user;
    qsizetype split = user.lastIndexOf(QLatin1Char(';'));
    if (split < 0)
        split = user.lastIndexOf(QLatin1Char('\\'));
    if (split >= 0) {
        c.domain = user.left(split);
        user = user.mid(split + 1);
    }
    c.user = user;
    return c;
}

struct MountCall {
    GFile* file = nullptr;
    GMountOperation* operation = nullptr;
    std::optional<ShareSpec> spec;
    Credentials credentials;
    Mounting::CertificateQuestion certificateQuestion;
    std::function<void(MountOutcome)> done;
    int asks = 0;
    bool refusedLogin = false;
    // Shared with a pending answer to a certificate question, which may outlive the call.
    std::shared_ptr<std::optional<std::int32_t>> certificateRefusal = std::make_shared<std::optional<std::int32_t>>();

    ~MountCall()
    {
        if (operation)
            g_object_unref(operation);
        if (file)
            g_object_unref(file);
    }
};

void answerPassword(GMountOperation* op, const char*, const char*, const char*, GAskPasswordFlags flags,
    gpointer data)
{
    auto* call = static_cast<MountCall*>(data);
    // A second ask means the server turned the first answer down; asking again would loop.
    if (++call->asks > 1) {
        call->refusedLogin = true;
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    const Credentials& c = call->credentials;
    if (c.user.isEmpty() && (flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED)) {
        g_mount_operation_set_anonymous(op, TRUE);
        g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
        return;
    }
    g_mount_operation_set_anonymous(op, FALSE);
    g_mount_operation_set_username(op, c.user.toUtf8().constData());
    if (flags & G_ASK_PASSWORD_NEED_DOMAIN)
        g_mount_operation_set_domain(op, c.domain.isEmpty() ? "WORKGROUP" : c.domain.toUtf8().constData());
    g_mount_operation_set_password(op, c.password.value_or(QString()).toUtf8().constData());
    g_mount_operation_set_password_save(op, G_PASSWORD_SAVE_NEVER);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

// An unmount's questions (which process to close) need a person; there is none.
void refuseQuestion(GMountOperation* op, const char*, const char**, gpointer)
{
    g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
}

void refuseProcesses(GMountOperation* op, const char*, GArray*, const char**, gpointer)
{
    g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
}

// Says no to a question. The WebDAV backend reads an aborted question as its first choice, which is
// yes, so a refusal picks the last choice (no) instead.
void refuse(GMountOperation* op, int choices)
{
    if (choices < 2) {
        g_mount_operation_reply(op, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    g_mount_operation_set_choice(op, choices - 1);
    g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
}

// The WebDAV backend asks only whether to accept a certificate it could not verify (yes first, no
// last); the store decides, possibly after the user has looked at it.
void askAboutCertificate(GMountOperation* op, const char*, const char** choices, gpointer data)
{
    auto* call = static_cast<MountCall*>(data);
    const int count = choices ? int(g_strv_length(const_cast<char**>(choices))) : 0;
    if (!call->spec || call->spec->proto != ShareProtocol::webdavs || !call->certificateQuestion) {
        *call->certificateRefusal = Mounter::Status::certificateUntrusted;
        refuse(op, count);
        return;
    }
    // GIO's own handler would answer "unhandled" from an idle callback while the store still decides.
    g_signal_stop_emission_by_name(op, "ask-question");
    g_object_ref(op);
    call->certificateQuestion(*call->spec, [op, count, refusal = call->certificateRefusal](std::int32_t status) {
        if (status == 0) {
            g_mount_operation_set_choice(op, 0);
            g_mount_operation_reply(op, G_MOUNT_OPERATION_HANDLED);
        } else {
            *refusal = status;
            refuse(op, count);
        }
        g_object_unref(op);
    });
}

GMountOperation* silentOperation(gpointer data)
{
    GMountOperation* op = g_mount_operation_new();
    g_signal_connect(op, "ask-question", G_CALLBACK(refuseQuestion), data);
    g_signal_connect(op, "show-processes", G_CALLBACK(refuseProcesses), data);
    return op;
}

std::optional<QString> fusePathOf(GMount* mount)
{
    GFile* root = g_mount_get_root(mount);
    char* path = g_file_get_path(root);
    g_object_unref(root);
    if (path == nullptr)
        return std::nullopt;
    QString result = QString::fromLocal8Bit(path);
    g_free(path);
    return result;
}

void foundMount(GObject* source, GAsyncResult* result, gpointer data)
{
    auto* call = static_cast<MountCall*>(data);
    GMount* mount = g_file_find_enclosing_mount_finish(G_FILE(source), result, nullptr);
    std::optional<QString> mountPoint;
    if (mount != nullptr) {
        mountPoint = fusePathOf(mount);
        g_object_unref(mount);
    }
    auto done = std::move(call->done);
    delete call;
    done(MountOutcome::mounted(std::move(mountPoint)));
}

void mounted(GObject* source, GAsyncResult* result, gpointer data)
{
    auto* call = static_cast<MountCall*>(data);
    GError* error = nullptr;
    g_file_mount_enclosing_volume_finish(G_FILE(source), result, &error);
    std::int32_t status = 0;
    if (error != nullptr) {
        if (*call->certificateRefusal)
            status = **call->certificateRefusal;
        else
            status = call->refusedLogin ? Mounter::Status::loginRefused : GvfsMounter::statusFromError(error);
        g_error_free(error);
    }
    if (status == 0 || status == Mounter::Status::alreadyMounted) {
        g_file_find_enclosing_mount_async(call->file, G_PRIORITY_DEFAULT, nullptr, foundMount, call);
        return;
    }
    auto done = std::move(call->done);
    const std::optional<ShareSpec> spec = std::move(call->spec);
    delete call;
    // The NFS backend says "does not exist" whenever it got no list of exports, also from a server that
    // is down; only a server that still answers on its port has really no such export.
    if (status == Mounter::Status::noSuchShare && spec && spec->proto == ShareProtocol::nfs) {
        QObject* context = QCoreApplication::instance();
        Probe::tcp(spec->host, spec->effectivePort(), 3, [context, done = std::move(done)](std::optional<double> ms) {
            QMetaObject::invokeMethod(
                context, [done, ms] { done(MountOutcome::failed(ms ? Mounter::Status::noSuchShare : Mounter::Status::hostDown)); },
                Qt::QueuedConnection);
        });
        return;
    }
    done(MountOutcome::failed(status));
}

struct UnmountCall {
    GMount* mount = nullptr;
    GMountOperation* operation = nullptr;
    std::function<void(std::optional<QString>)> done;

    ~UnmountCall()
    {
        if (operation)
            g_object_unref(operation);
        if (mount)
            g_object_unref(mount);
    }
};

void unmounted(GObject* source, GAsyncResult* result, gpointer data)
{
    auto* call = static_cast<UnmountCall*>(data);
    GError* error = nullptr;
    std::optional<QString> problem;
    if (!g_mount_unmount_with_operation_finish(G_MOUNT(source), result, &error)) {
        problem = error ? QString::fromUtf8(error->message) : QStringLiteral("The volume could not be unmounted.");
        g_clear_error(&error);
    }
    auto done = std::move(call->done);
    delete call;
    done(std::move(problem));
}

QString canonical(const QString& path)
{
    QString clean = QDir::cleanPath(path);
    while (clean.size() > 1 && clean.endsWith(QLatin1Char('/')))
        clean.chop(1);
    return clean;
}

// The daemon's mount whose FUSE path is `path`, if any. Reads the monitor's cached list only.
GMount* gvfsMountAt(const QString& path)
{
    GVolumeMonitor* monitor = g_volume_monitor_get();
    GList* mounts = g_volume_monitor_get_mounts(monitor);
    GMount* found = nullptr;
    const QString wanted = canonical(path);
    for (GList* it = mounts; it != nullptr; it = it->next) {
        auto* mount = G_MOUNT(it->data);
        if (found == nullptr) {
            std::optional<QString> fuse = fusePathOf(mount);
            if (fuse && canonical(*fuse) == wanted)
                found = G_MOUNT(g_object_ref(mount));
        }
    }
    g_list_free_full(mounts, g_object_unref);
    g_object_unref(monitor);
    return found;
}

// Some backends report the client library's errno only as its text at the end of the message
// ("Failed to mount Windows share: No such file or directory").
std::optional<int> errnoFromMessage(const char* message)
{
    if (message == nullptr)
        return std::nullopt;
    const QByteArray text(message);
    std::optional<int> best;
    qsizetype bestLength = 0;
    for (int code = 1; code < 256; ++code) {
        for (const char* name : {strerrordesc_np(code), g_strerror(code)}) {
            if (name == nullptr)
                continue;
            const QByteArray candidate(name);
            if (candidate.size() > bestLength && !candidate.startsWith("Unknown error") && text.endsWith(candidate)) {
                best = code;
                bestLength = candidate.size();
            }
        }
    }
    return best;
}

} // namespace

std::optional<QString> GvfsMounter::gioUri(const ShareSpec& spec)
{
    std::optional<QUrl> url = spec.url();
    if (!url || !url->isValid())
        return std::nullopt;
    QUrl uri = *url;
    if (spec.proto == ShareProtocol::webdav)
        uri.setScheme(QStringLiteral("dav"));
    else if (spec.proto == ShareProtocol::webdavs)
        uri.setScheme(QStringLiteral("davs"));
    return uri.toString(QUrl::FullyEncoded);
}

std::int32_t GvfsMounter::statusFromError(const GError* error)
{
    if (error == nullptr)
        return 0;
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
        case G_IO_ERROR_ALREADY_MOUNTED:
        case G_IO_ERROR_EXISTS:
            return Mounter::Status::alreadyMounted;
        case G_IO_ERROR_PERMISSION_DENIED:
            return Mounter::Status::permissionDenied;
        case G_IO_ERROR_NOT_FOUND:
        case G_IO_ERROR_NOT_DIRECTORY:
            return Mounter::Status::noSuchShare;
        case G_IO_ERROR_TIMED_OUT:
            return Mounter::Status::timedOut;
        case G_IO_ERROR_CONNECTION_REFUSED:
            return Mounter::Status::connectionRefused;
        case G_IO_ERROR_HOST_NOT_FOUND:
        case G_IO_ERROR_HOST_UNREACHABLE:
            return Mounter::Status::hostUnreachable;
        case G_IO_ERROR_NETWORK_UNREACHABLE:
            return Mounter::Status::networkUnreachable;
        case G_IO_ERROR_CANCELLED:
        case G_IO_ERROR_FAILED_HANDLED:
            return Mounter::Status::cancelled;
        case G_IO_ERROR_INVALID_ARGUMENT:
        case G_IO_ERROR_INVALID_FILENAME:
            return Mounter::Status::invalidArgument;
        case G_IO_ERROR_NOT_SUPPORTED:
            return Mounter::Status::notSupported;
        case G_IO_ERROR_CONNECTION_CLOSED:
            return Mounter::statusFromErrno(ECONNRESET);
        default:
            break;
        }
        if (std::optional<int> code = errnoFromMessage(error->message))
            return Mounter::statusFromErrno(*code);
        return Mounter::Status::ioError;
    }
    return Mounter::Status::ioError;
}

void GvfsMounter::mount(const ShareSpec& spec, std::optional<QString> password,
    std::function<void(MountOutcome)> done)
{
    std::optional<QString> uri = gioUri(spec);
    if (!uri) {
        // Called back later all the same, so callers never see `done` run inside mount().
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [done = std::move(done)] { done(MountOutcome::failed(Mounter::Status::invalidArgument)); },
            Qt::QueuedConnection);
        return;
    }
    auto* call = new MountCall;
    call->spec = spec;
    call->credentials = credentialsFor(spec, std::move(password));
    call->certificateQuestion = certificateQuestion;
    call->done = std::move(done);
    call->file = g_file_new_for_uri(uri->toUtf8().constData());
    call->operation = g_mount_operation_new();
    g_signal_connect(call->operation, "ask-question", G_CALLBACK(askAboutCertificate), call);
    g_signal_connect(call->operation, "show-processes", G_CALLBACK(refuseProcesses), call);
    g_signal_connect(call->operation, "ask-password", G_CALLBACK(answerPassword), call);
    g_file_mount_enclosing_volume(call->file, G_MOUNT_MOUNT_NONE, call->operation, nullptr, mounted, call);
}

void GvfsMounter::unmount(const QString& path, bool force, std::function<void(std::optional<QString>)> done)
{
    if (GMount* mount = gvfsMountAt(path)) {
        auto* call = new UnmountCall;
        call->mount = mount;
        call->done = std::move(done);
        call->operation = silentOperation(call);
        g_mount_unmount_with_operation(mount, force ? G_MOUNT_UNMOUNT_FORCE : G_MOUNT_UNMOUNT_NONE,
            call->operation, nullptr, unmounted, call);
        return;
    }
    // A kernel mount; umount2 may wait on a dead server, so it runs on its own thread.
    QObject* context = QCoreApplication::instance();
    std::thread([path = path.toLocal8Bit(), force, done = std::move(done), context]() mutable {
        std::optional<QString> problem;
        if (::umount2(path.constData(), force ? MNT_FORCE : 0) != 0)
            problem = QString::fromLocal8Bit(std::strerror(errno));
        QMetaObject::invokeMethod(
            context, [done = std::move(done), problem] { done(problem); }, Qt::QueuedConnection);
    }).detach();
}
