#pragma once

#include "loopback_http.h"

#include "app/test_app.h"
#include "quillokit/app_folder.h"
#include "quillokit/quillo_defaults.h"
#include "quillokit/update_archive.h"
#include "quillokit/update_signing.h"
#include "quillokit/updater.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <memory>
#include <ostream>

// An installed version 1.0 in a folder of its own under ~/.local, with a home reached through a link and
// other software's files and the user's data in the same prefix; a key pair, a settings file and a feed
// server.
struct UpdateFixture {
    // First, so the server's sockets find an event loop to register with.
    bool applicationMade = (TestApp::instance(), true);
    QTemporaryDir root;
    QString home = root.filePath(QStringLiteral("home"));
    QString prefix = home + QStringLiteral("/.local");
    QString install = prefix + QStringLiteral("/lib/mountwire");
    QString caches = root.filePath(QStringLiteral("cache"));
    QStringList others {"bin/other-tool", "share/keyrings/login.keyring", "share/Mountwire/shares.json"};
    UpdateSigning::KeyPair keys = *UpdateSigning::makeKeyPair();
    IniQuilloDefaults defaults {root.filePath(QStringLiteral("settings.conf"))};
    LoopbackHttp http;
    int windows = 0; // how often an updater made here asked for its window

    UpdateFixture()
    {
        // Qt would send loopback requests through a proxy named in the environment.
        for (const char* name : {"http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(name);
        QDir().mkpath(root.filePath("real-home"));
        QFile::link(root.filePath("real-home"), home);
        installApp(install, "1.0");
        for (const QString& other : others)
            TestApp::writeFile(prefix + '/' + other, other.toUtf8());
        QFile::link("../lib/mountwire/bin/mountwire", prefix + "/bin/mountwire");
        defaults.setFlag(QStringLiteral("QuilloAutoUpdate"), true);
    }

    // Whether all but the application's own folder is as it was, and nothing was left beside it.
    bool othersUntouched() const
    {
        const auto same = [this](const QString& other) {
            return TestApp::readFile(prefix + '/' + other) == other.toUtf8();
        };
        return std::all_of(others.begin(), others.end(), same)
            && QDir(prefix + "/lib").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System) == QStringList {"mountwire"}
            && QFileInfo(prefix + "/bin/mountwire").canonicalFilePath() == AppFolder::resolved(AppFolder::executable(install));
    }

    // The folder as the installer leaves it.
    static void installApp(const QString& folder, const QString& version)
    {
        for (const auto& entry : appEntries(version)) {
            const QString path = folder + entry.path.mid(entry.path.indexOf('/'));
            TestApp::writeFile(path, entry.contents);
            ::chmod(QFile::encodeName(path).constData(), mode_t(entry.mode));
        }
    }

    UpdaterBundle bundle() const
    {
        return UpdaterBundle {.installFolder = install, .feedURL = http.url(QStringLiteral("/feed.json")),
            .publicKey = keys.publicKey, .currentVersion = QStringLiteral("1.0"), .appName = QStringLiteral("Mountwire"),
            .identifier = QStringLiteral("app.mountwire"), .cachesFolder = caches, .homeFolder = home,
            .system = {6, 1, 0}};
    }

    // The entries of an application folder of that version; its program marks the folder when it runs.
    static std::vector<UpdateArchive::Entry> appEntries(const QString& version, qsizetype padding = 0)
    {
        using Kind = UpdateArchive::Entry::Kind;
        std::vector<UpdateArchive::Entry> entries {
            {QStringLiteral("mountwire/manifest"), Kind::file, 0644, "bin/\nbin/mountwire\nversion\ndata\n", {}},
            {QStringLiteral("mountwire/bin/mountwire"), Kind::file, 0755,
                "#!/bin/sh\ntouch \"$(dirname \"$0\")/../../../relaunched\"\n", {}},
            {QStringLiteral("mountwire/version"), Kind::file, 0644, version.toUtf8() + '\n', {}}};
        if (padding > 0) {
            // Random bytes do not shrink in the zip, so the archive is as large as asked.
            QByteArray noise(padding, '\0');
            QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), padding / 4);
            entries.push_back({QStringLiteral("mountwire/data"), Kind::file, 0644, noise, {}});
        }
        return entries;
    }

    UpdateFeed feedFor(const QString& version, const QByteArray& archive) const
    {
        UpdateFeed feed;
        feed.version = version;
        feed.url = QStringLiteral("https://example.org/mountwire");
        feed.notes = QStringLiteral("Faster reconnects.");
        feed.download = UpdateFeed::Download {http.url(QStringLiteral("/update.zip")).toString(), archive.size(),
            *UpdateSigning::sign(archive, keys.secretKey)};
        return feed;
    }

    // Serves the feed and the archive; an app of that version when no archive is given.
    QByteArray publish(const QString& version, QByteArray archive = {})
    {
        if (archive.isEmpty())
            archive = *UpdateArchive::pack(appEntries(version));
        publish(feedFor(version, archive), archive);
        return archive;
    }

    void publish(const UpdateFeed& feed, const QByteArray& archive, bool sendLength = true)
    {
        http.route(QStringLiteral("/feed.json"), {200, feed.encode(), true, {}});
        http.route(QStringLiteral("/update.zip"), {200, archive, sendLength, {}});
    }

    std::unique_ptr<Updater> makeUpdater(UpdaterHooks hooks = {}) { return makeUpdater(bundle(), std::move(hooks)); }

    std::unique_ptr<Updater> makeUpdater(UpdaterBundle bundle, UpdaterHooks hooks = {})
    {
        if (!hooks.quit)
            hooks.quit = [] {};
        auto updater = std::make_unique<Updater>(std::move(bundle), defaults, std::move(hooks));
        QObject::connect(updater.get(), &Updater::windowRequested, [this] { ++windows; });
        return updater;
    }

    // Waits for the updater to leave checking and downloading.
    static bool settles(const Updater& updater, int timeoutMs = 10000)
    {
        return TestApp::waitUntil([&] {
            const auto kind = updater.phase().kind;
            return kind != UpdatePhase::Kind::checking && kind != UpdatePhase::Kind::downloading
                && kind != UpdatePhase::Kind::idle;
        }, timeoutMs);
    }
};

// The permission bits, setuid and sticky included, of the path itself; -1 when nothing is there.
inline int modeOf(const QString& path)
{
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

inline void PrintTo(const UpdatePhase& phase, std::ostream* out)
{
    *out << "phase " << int(phase.kind) << " \"" << phase.message.toStdString() << "\" "
         << (phase.feed ? phase.feed->version.toStdString() : std::string("-"));
}
