#pragma once

#include "app/test_app.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_keychain.h"
#include "fakes/fake_mounter.h"
#include "fakes/fake_network_path_monitor.h"
#include "fakes/fake_notifier.h"
#include "fakes/fake_user_defaults.h"
#include "fakes/fake_volume_notices.h"
#include "fakes/fake_wake_notices.h"
#include "store/fmt.h"
#include "store/share_store.h"

#include <QTemporaryDir>

#include <map>
#include <memory>

#include <gtest/gtest.h>

// A store wired to in-process fakes: a clock the test moves, a mount table and probe answers it sets, and
// a temporary data folder. The heartbeat only runs when the test calls beat().
struct StoreRig {
    FakeUserDefaults defaults;
    FakeMounter mounter;
    FakeKeychain keychain;
    FakeNotifier notifier;
    FakeDesktop desktop;
    FakeVolumeNotices volumeNotices;
    FakeWakeNotices wakeNotices;
    FakeNetworkPathMonitor pathMonitor;
    QTemporaryDir folder;

    QDateTime clock = QDateTime(QDate(2026, 3, 2), QTime(14, 0), Qt::UTC);
    std::vector<MountedVolume> table;
    // Answer per "host:port"; a missing entry answers 12 ms.
    std::map<QString, std::optional<double>> answers;
    int probes = 0;
    // Health answers per path; a missing entry is healthy. Held answers wait for the test to run them.
    std::map<QString, std::optional<VolumeHealth>> health;
    bool holdHealth = false;
    std::vector<std::function<void()>> heldHealth;
    std::optional<QString> typedPassword; // what the prompt answers; nothing = Cancel
    int prompts = 0;
    std::unique_ptr<ShareStore> store;

    StoreRig()
    {
        TestApp::instance();
        make();
    }

    StoreServices services()
    {
        return StoreServices {.defaults = &defaults, .mounter = &mounter, .keychain = &keychain, .notifier = &notifier,
            .desktop = &desktop, .volumeNotices = &volumeNotices, .wakeNotices = &wakeNotices,
            .pathMonitor = &pathMonitor, .folder = folder.path(), .now = [this] { return clock; },
            .mountTable = [this] { return table; },
            .probe = [this](const QString& host, int port, double, StoreServices::ProbeDone done) {
                ++probes;
                const auto found = answers.find(host + QLatin1Char(':') + QString::number(port));
                done(found == answers.end() ? std::optional<double>(12) : found->second);
            },
            .checkHealth = [this](const QString& path, double, StoreServices::HealthDone done) {
                const auto found = health.find(path);
                const auto answer = found == health.end() ? std::optional(VolumeHealth::healthy(1000, 400)) : found->second;
                if (holdHealth)
                    heldHealth.push_back([done, answer] { done(answer); });
                else
                    done(answer);
            },
            .askPassword = [this](const ShareSpec&) {
                ++prompts;
                return typedPassword;
            },
            .fetchCertificate = {}, .askCertificate = {}, .heartbeatSeconds = 0};
    }

    // A new store over the same folder and settings, as after a restart; or over these services.
    ShareStore& make() { return make(services()); }
    ShareStore& make(const StoreServices& with)
    {
        store.reset();
        store = std::make_unique<ShareStore>(with);
        return *store;
    }

    ShareStore& started()
    {
        store->start();
        return *store;
    }

    // Lets queued answers (mounts, probes, keychain reads) arrive.
    void settle() { TestApp::spin(20); }

    // Runs one of the store's passes and waits for it; false when it did not end in time.
    bool run(void (ShareStore::*pass)(std::function<void()>), int timeoutMs = 2000)
    {
        bool over = false;
        (store.get()->*pass)([&] { over = true; });
        TestApp::waitUntil([&] { return over; }, timeoutMs);
        settle();
        return over;
    }
    void beat() { run(&ShareStore::heartbeat); }
    bool probePass(int timeoutMs = 2000) { return run(&ShareStore::probeAll, timeoutMs); }

    void advance(double seconds) { clock = clock.addMSecs(qint64(seconds * 1000)); }

    // Saves a line through the store and returns it.
    ShareSpec add(const QString& name, const QString& host, bool keepConnected = true, bool askEveryTime = false,
        int port = 445)
    {
        ShareSpec spec(QUuid::createUuid(), name, ShareProtocol::smb, host, port == 445 ? std::nullopt : std::optional(port),
            name.toLower(), QStringLiteral("ana"), askEveryTime, keepConnected);
        store->upsert(spec, std::nullopt);
        return *store->share(spec.id);
    }

    // A line whose mount failed as an unreachable host's would, now waiting for its retry.
    ShareSpec waitingLine(const QString& name)
    {
        const ShareSpec spec = add(name, QStringLiteral("nas.local"));
        mounter.defaultOutcome = MountOutcome::failed(64);
        store->mount(spec);
        settle();
        return spec;
    }

    static MountedVolume volumeFor(const ShareSpec& spec, const QString& mountPoint)
    {
        return MountedVolume(mountPoint, QStringLiteral("smbfs"),
            QStringLiteral("//%1@%2/%3").arg(spec.user, spec.host, spec.path));
    }

    // The mount table now shows the line mounted, and the desktop says so.
    void appear(const ShareSpec& spec, const QString& mountPoint)
    {
        table.push_back(volumeFor(spec, mountPoint));
        volumeNotices.fireMount(mountPoint);
        // The table is read at most once per turn of the event loop.
        settle();
    }

    void vanish(const QString& mountPoint)
    {
        std::erase_if(table, [&](const MountedVolume& v) { return v.mountPoint == mountPoint; });
        volumeNotices.fireUnmount(mountPoint);
        settle();
    }

    static QString server(const ShareSpec& spec) { return spec.host + ':' + QString::number(spec.effectivePort()); }
    void down(const ShareSpec& spec) { answers[server(spec)] = std::nullopt; }
    void up(const ShareSpec& spec) { answers.erase(server(spec)); }

    // The log's messages, oldest first, which reads like the story it tells.
    QStringList story() const
    {
        QStringList lines;
        for (auto it = store->events().rbegin(); it != store->events().rend(); ++it)
            lines << (it->shareName ? *it->shareName + QStringLiteral(": ") : QString()) + it->message;
        return lines;
    }

    // The file as it stands, after the store wrote what it holds back (the log waits up to a second).
    QByteArray file(const QString& name, bool flushed = true) const
    {
        if (flushed && store)
            store->flush();
        return TestApp::readFile(folder.filePath(name));
    }

    // Replaces a file after the store wrote what it still held, as between two runs.
    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        if (store)
            store->flush();
        TestApp::writeFile(folder.filePath(name), bytes);
    }

    LinkMachine::Phase phase(const ShareSpec& spec) const { return store->record(spec.id)->machine.phase(); }
};

// Each test gets a started store of its own.
struct StartedStore : ::testing::Test {
    StoreRig rig;
    StartedStore() { rig.started(); }
};
