// What checking and unpacking a downloaded update costs on the staging thread, before the version is ready.

#include "quillokit/update_archive.h"
#include "quillokit/update_logic.h"
#include "quillokit/update_signing.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// An application folder of 200 files, 16 MiB in all, that does not compress.
const QByteArray& archive()
{
    static const QByteArray zip = [] {
        std::vector<UpdateArchive::Entry> entries;
        QRandomGenerator generator(11);
        for (int i = 0; i < 200; ++i) {
            QByteArray contents(80 * 1024 + 1966, '\0');
            for (char& byte : contents)
                byte = char(generator.bounded(256));
            entries.push_back({QStringLiteral("mountwire/lib/part%1").arg(i), UpdateArchive::Entry::Kind::file, 0644,
                               contents, {}});
        }
        return *UpdateArchive::pack(entries);
    }();
    return zip;
}

void VerifySignature(benchmark::State& state)
{
    const auto keys = *UpdateSigning::makeKeyPair();
    const QString signature = *UpdateSigning::sign(archive(), keys.secretKey);
    for (auto _ : state)
        benchmark::DoNotOptimize(UpdateLogic::verify(archive(), signature, keys.publicKey));
    state.SetBytesProcessed(state.iterations() * archive().size());
}
BENCHMARK(VerifySignature)->Unit(benchmark::kMillisecond);

void UnpackArchive(benchmark::State& state)
{
    QTemporaryDir root;
    for (auto _ : state) {
        const QString folder = root.filePath(QStringLiteral("stage"));
        QDir().mkpath(folder);
        benchmark::DoNotOptimize(UpdateArchive::unpack(archive(), folder));
        state.PauseTiming();
        QDir(folder).removeRecursively();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * archive().size());
}
BENCHMARK(UnpackArchive)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
