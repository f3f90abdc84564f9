// The store's steady work as the running application does it, with 100 or 500 lines on 50 servers, all
// mounted: settings come from a real settings file, the mount table from a real mountinfo text. One
// heartbeat (a tick per line, no probe due), one probe pass whose answers come at once with its stale
// checks, one mount-table refresh, and one signal-log entry with its save.
#include "fakes/fake_desktop.h"
#include "fakes/fake_keychain.h"
#include "fakes/fake_mounter.h"
#include "fakes/fake_notifier.h"
#include "model/mount_table.h"
#include "platform/user_defaults.h"
#include "store/share_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>

namespace {

struct Board {
    QTemporaryDir folder;
    QSettingsUserDefaults defaults {QDir(folder.path()).filePath(QStringLiteral("Mountwire.conf"))};
    FakeMounter mounter;
    FakeKeychain keychain;
    FakeNotifier notifier;
    FakeDesktop desktop;
    QString mountinfo = QDir(folder.path()).filePath(QStringLiteral("mountinfo"));
    QDateTime clock = QDateTime::currentDateTimeUtc();
    std::unique_ptr<ShareStore> store;

    explicit Board(int lines)
    {
        // What a user who changed a few settings has in the file.
        defaults.setDouble(QStringLiteral("probeInterval"), 15);
        defaults.setInt(QStringLiteral("retryCap"), 300);
        defaults.setBool(QStringLiteral("notifyDrops"), true);
        defaults.setBool(QStringLiteral("mw.didShowWelcome"), true);
        QByteArray table = "22 1 0:21 / /proc rw,nosuid shared:5 - proc proc rw\n"
                           "25 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
        StoreServices s;
        s.defaults = &defaults;
        s.mounter = &mounter;
        s.keychain = &keychain;
        s.notifier = &notifier;
        s.desktop = &desktop;
        s.folder = folder.path();
        s.now = [this] { return clock; };
        s.mountTable = [this] { return MountTable::networkVolumes(mountinfo); };
        s.probe = [](const QString&, int, double, StoreServices::ProbeDone done) { done(8.5); };
        s.checkHealth = [](const QString&, double, StoreServices::HealthDone done) {
            done(VolumeHealth::healthy(1 << 30, 1 << 29));
        };
        s.heartbeatSeconds = 0;
        store = std::make_unique<ShareStore>(s);
        store->start();
        for (int i = 0; i < lines; ++i) {
            const QString host = QStringLiteral("server%1.local").arg(i % 50);
            ShareSpec spec(QUuid::createUuid(), QStringLiteral("Line %1").arg(i), ShareProtocol::smb, host,
                std::nullopt, QStringLiteral("share%1").arg(i), QStringLiteral("ana"), false, true);
            table += QStringLiteral("%1 25 0:%2 / /mnt/line%3 rw,relatime shared:%1 - cifs //%4/share%3 "
                                    "rw,vers=3.1.1,username=ana\n")
                         .arg(100 + i).arg(60 + i).arg(i).arg(host).toUtf8();
            store->upsert(spec, std::nullopt);
        }
        QFile file(mountinfo);
        file.open(QIODevice::WriteOnly);
        file.write(table);
        file.close();
        store->refreshMounts();
        settle();
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::processEvents();
    }

    void pass()
    {
        bool over = false;
        store->probeAll([&] { over = true; });
        while (!over)
            QCoreApplication::processEvents();
    }
};

Board& board(int lines)
{
    static std::map<int, std::unique_ptr<Board>> boards;
    auto& slot = boards[lines];
    if (!slot)
        slot = std::make_unique<Board>(lines);
    return *slot;
}

void BM_HeartbeatTick(benchmark::State& state)
{
    Board& b = board(int(state.range(0)));
    b.pass(); // so no probe is due during the ticks
    for (auto _ : state) {
        b.store->heartbeat();
        b.clock = b.clock.addMSecs(1);
        // Each beat is its own turn of the event loop in the application.
        Board::settle();
    }
}
BENCHMARK(BM_HeartbeatTick)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);

void BM_ProbePassApplied(benchmark::State& state)
{
    Board& b = board(int(state.range(0)));
    for (auto _ : state) {
        b.clock = b.clock.addSecs(15);
        b.pass();
        Board::settle();
    }
}
BENCHMARK(BM_ProbePassApplied)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);

// A mount notice: the table read from its text and matched against every line.
void BM_MountTableRefresh(benchmark::State& state)
{
    Board& b = board(int(state.range(0)));
    for (auto _ : state) {
        b.store->refreshMounts();
        Board::settle();
    }
}
BENCHMARK(BM_MountTableRefresh)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);

// One entry in a full log of 500 (the most the store keeps), its save included.
void BM_LogEntrySaved(benchmark::State& state)
{
    Board& b = board(int(state.range(0)));
    for (int i = 0; i < 500; ++i)
        b.store->log(ActivityEvent::Kind::info, QStringLiteral("Line 1"), QStringLiteral("Filling the log"));
    for (auto _ : state) {
        b.store->log(ActivityEvent::Kind::mounted, QStringLiteral("Line 1"), QStringLiteral("Mounted at /mnt/line1"));
        b.clock = b.clock.addSecs(1);
        Board::settle();
    }
}
BENCHMARK(BM_LogEntrySaved)->Arg(100)->Unit(benchmark::kMicrosecond);

} // namespace
