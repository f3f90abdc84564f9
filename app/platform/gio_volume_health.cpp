#include "platform/gio_volume_health.h"

#include "health/stale_detector.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <gio/gio.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>

struct GioVolumeHealthState {
    std::set<QString> out; // main thread only
};

namespace {

struct Query {
    QString path;
    std::weak_ptr<GioVolumeHealthState> owner;
    GCancellable* cancellable = g_cancellable_new();
    GioVolumeHealth::Done done;
    bool completed = false;

    ~Query() { g_object_unref(cancellable); }

    void complete(std::optional<VolumeHealth> health)
    {
        if (completed)
            return;
        completed = true;
        auto callback = std::move(done);
        callback(health);
    }
};

std::optional<VolumeHealth> figures(GFileInfo* info)
{
    if (!info || !g_file_info_has_attribute(info, G_FILE_ATTRIBUTE_FILESYSTEM_SIZE)
        || !g_file_info_has_attribute(info, G_FILE_ATTRIBUTE_FILESYSTEM_FREE))
        return std::nullopt;
    const guint64 size = g_file_info_get_attribute_uint64(info, G_FILE_ATTRIBUTE_FILESYSTEM_SIZE);
    const guint64 free = g_file_info_get_attribute_uint64(info, G_FILE_ATTRIBUTE_FILESYSTEM_FREE);
    if (size == 0)
        return std::nullopt;
    return VolumeHealth::fromBlocks(1, size, std::min(free, size));
}

void answered(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<std::shared_ptr<Query>> held(static_cast<std::shared_ptr<Query>*>(data));
    const std::shared_ptr<Query>& query = *held;
    GError* error = nullptr;
    GFileInfo* info = g_file_query_filesystem_info_finish(G_FILE(source), result, &error);
    if (auto state = query->owner.lock())
        state->out.erase(query->path);
    query->complete(figures(info));
    if (info)
        g_object_unref(info);
    if (error)
        g_error_free(error);
}

double bounded(double seconds)
{
    return std::isnan(seconds) ? 0.0 : std::clamp(seconds, 0.0, 86400.0);
}

} // namespace

GioVolumeHealth::GioVolumeHealth(Check statfs)
    : statfs_(std::move(statfs))
    , state_(std::make_shared<GioVolumeHealthState>())
{
    if (!statfs_) {
        statfs_ = [detector = StaleDetector()](const QString& path, double timeout, Done done) mutable {
            detector.check(path, timeout, std::move(done));
        };
    }
}

std::size_t GioVolumeHealth::queriesOut() const
{
    return state_->out.size();
}

void GioVolumeHealth::querySpace(const QString& path, double timeout, Done done)
{
    auto query = std::make_shared<Query>();
    query->path = path;
    query->owner = state_;
    query->done = std::move(done);
    if (!state_->out.insert(path).second) {
        query->complete(std::nullopt);
        return;
    }
    GFile* file = g_file_new_for_path(QFile::encodeName(path).constData());
    g_file_query_filesystem_info_async(file, G_FILE_ATTRIBUTE_FILESYSTEM_SIZE "," G_FILE_ATTRIBUTE_FILESYSTEM_FREE,
        G_PRIORITY_DEFAULT, query->cancellable, answered, new std::shared_ptr<Query>(query));
    g_object_unref(file);
    // A daemon that does not answer in time is asked to stop; its late answer only frees the path.
    QTimer::singleShot(std::chrono::milliseconds(qint64(bounded(timeout) * 1000)), QCoreApplication::instance(),
        [query] {
            if (query->completed)
                return;
            g_cancellable_cancel(query->cancellable);
            query->complete(std::nullopt);
        });
}

void GioVolumeHealth::check(const QString& path, double timeout, Done done)
{
    const auto started = std::chrono::steady_clock::now();
    statfs_(path, timeout, [this_ = *this, path, timeout, started, done = std::move(done)](
                               std::optional<VolumeHealth> health) mutable {
        if (!health || health->isStale() || health->total > 0) {
            done(health);
            return;
        }
        const double left = timeout - std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this_ = std::move(this_), path, left, health, done = std::move(done)]() mutable {
                if (left <= 0) {
                    done(health);
                    return;
                }
                this_.querySpace(path, left, [health, done = std::move(done)](std::optional<VolumeHealth> space) {
                    done(space ? space : health);
                });
            },
            Qt::QueuedConnection);
    });
}
