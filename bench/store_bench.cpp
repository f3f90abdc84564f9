// The store's steady work with 200 lines on 50 servers, all mounted: one heartbeat (a tick per line, no
// probe due) and one probe pass whose answers come at once, applied with its stale checks.
#include "fakes/fake_desktop.h"
#include "fakes/fake_keychain.h"
#include "fakes/fake_mounter.h"
#include "fakes/fake_notifier.h"
#include "fakes/fake_user_defaults.h"
#include "store/share_store.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Board {
    FakeUserDefaults defaults;
    FakeMounter mounter;
    FakeKeychain keychain;
    FakeNotifier notifier;
    FakeDesktop desktop;
    QTemporaryDir folder;
    std::vector<MountedVolume> table;
    QDateTime clock = QDateTime::currentDateTimeUtc();
    std::unique_ptr<ShareStore> store;

    Board()
    {
        StoreServices s;
        s.defaults = &defaults;
        s.mounter = &mounter;
        s.keychain = &keychain;
        s.notifier = &notifier;
        s.desktop = &desktop;
        s.folder = folder.path();
        s.now = [this] { return clock; };
        s.mountTable = [this] { return table; };
        s.probe = [](const QString&, int, double, StoreServices::ProbeDone done) { done(8.5); };
        s.checkHealth = [](const QString&, double, StoreServices::HealthDone done) {
            done(VolumeHealth::healthy(1 << 30, 1 << 29));
        };
        s.heartbeatSeconds = 0;
        store = std::make_unique<ShareStore>(s);
        store->start();
        std::vector<ShareSpec> lines;
        for (int i = 0; i < 200; ++i) {
            const QString host = QStringLiteral("server%1.local").arg(i % 50);
            ShareSpec spec(QUuid::createUuid(), QStringLiteral("Line %1").arg(i), ShareProtocol::smb, host,
                std::nullopt, QStringLiteral("share%1").arg(i), QStringLiteral("ana"), false, true);
            table.emplace_back(QStringLiteral("/mnt/line%1").arg(i), QStringLiteral("smbfs"),
                QStringLiteral("//ana@%1/share%2").arg(host).arg(i));
            store->upsert(spec, std::nullopt);
        }
        store->refreshMounts();
    }

    void pass()
    {
        bool over = false;
        store->probeAll([&] { over = true; });
        while (!over)
            QCoreApplication::processEvents();
    }
};

Board& board()
{
    static Board instance;
    return instance;
}

void BM_HeartbeatTick(benchmark::State& state)
{
    Board& b = board();
    b.pass(); // so no probe is due during the ticks
    for (auto _ : state) {
        b.store->heartbeat();
        b.clock = b.clock.addMSecs(1);
    }
}
BENCHMARK(BM_HeartbeatTick)->Unit(benchmark::kMicrosecond);

void BM_ProbePassApplied(benchmark::State& state)
{
    Board& b = board();
    for (auto _ : state) {
        b.clock = b.clock.addSecs(15);
        b.pass();
    }
}
BENCHMARK(BM_ProbePassApplied)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
