// Pairing 200 saved shares with 200 mounted volumes, as after every mount-table refresh of a large board.
#include "model/mount_matcher.h"

#include <benchmark/benchmark.h>

namespace {

void assignTwoHundred(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    std::vector<ShareSpec> shares;
    std::vector<MountedVolume> volumes;
    for (int i = 0; i < count; ++i) {
        const QString host = QStringLiteral("server%1.local").arg(i % 50);
        const QString path = QStringLiteral("Share %1").arg(i);
        shares.emplace_back(QUuid::createUuid(), QString(), ShareProtocol::smb, host, std::nullopt, path, QString(),
            false, true);
        // Reverse order so each share walks far before it finds its volume.
        const int v = count - 1 - i;
        volumes.emplace_back(QStringLiteral("/mnt/v%1").arg(v), QStringLiteral("smbfs"),
            QStringLiteral("//anna@SERVER%1._smb._tcp.local/Share%20%2").arg(v % 50).arg(v));
    }
    for (auto _ : state) {
        auto assigned = MountMatcher::assign(shares, volumes);
        benchmark::DoNotOptimize(assigned);
        if (assigned.size() != count)
            state.SkipWithError("not every share found its volume");
    }
}

} // namespace

BENCHMARK(assignTwoHundred)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
