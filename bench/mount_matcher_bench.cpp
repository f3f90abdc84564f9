// What every mount-table refresh of a large board costs: reading the kernel's mountinfo text from a file
// (with the local mounts a desktop has around the network ones) and pairing the saved shares with the
// mounted volumes. Shares and volumes are listed in opposite orders, as a board and a table often are.
#include "model/mount_matcher.h"
#include "model/mount_table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Board {
    std::vector<ShareSpec> shares;
    QTemporaryDir folder;
    QString mountinfo = QDir(folder.path()).filePath(QStringLiteral("mountinfo"));

    explicit Board(int count)
    {
        QByteArray text;
        for (int i = 0; i < 30; ++i)
            text += QStringLiteral("%1 1 0:%1 / /sys/fs/local%1 rw,nosuid shared:%1 - tmpfs tmpfs rw\n").arg(i).toUtf8();
        for (int i = 0; i < count; ++i) {
            const QString host = QStringLiteral("server%1.local").arg(i % 50);
            shares.emplace_back(QUuid::createUuid(), QString(), ShareProtocol::smb, host, std::nullopt,
                QStringLiteral("Share %1").arg(i), QString(), false, true);
            const int v = count - 1 - i;
            text += QStringLiteral("%1 25 0:%1 / /mnt/v%2 rw,relatime shared:%1 - cifs //SERVER%3._smb._tcp.local/"
                                   "Share\\040%2 rw,vers=3.1.1,username=anna\n")
                        .arg(100 + i).arg(v).arg(v % 50).toUtf8();
        }
        QFile file(mountinfo);
        file.open(QIODevice::WriteOnly);
        file.write(text);
    }
};

void readAndAssign(benchmark::State& state)
{
    const Board board(int(state.range(0)));
    for (auto _ : state) {
        const std::vector<MountedVolume> volumes = MountTable::networkVolumes(board.mountinfo);
        auto assigned = MountMatcher::assign(board.shares, volumes);
        benchmark::DoNotOptimize(assigned);
        if (std::size_t(assigned.size()) != board.shares.size())
            state.SkipWithError("not every share found its volume");
    }
}

void assignOnly(benchmark::State& state)
{
    const Board board(int(state.range(0)));
    const std::vector<MountedVolume> volumes = MountTable::networkVolumes(board.mountinfo);
    for (auto _ : state) {
        auto assigned = MountMatcher::assign(board.shares, volumes);
        benchmark::DoNotOptimize(assigned);
    }
}

} // namespace

BENCHMARK(readAndAssign)->Arg(200)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(assignOnly)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
