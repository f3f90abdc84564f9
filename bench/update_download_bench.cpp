// What the running application spends on one automatic update of a 64 MiB archive: the feed check, the
// download, the signature check and the staging, with the memory it takes on top of what it held before: the
// peak resident size (which counts the pages of a mapped file) and the largest anonymous memory seen while it
// ran. The feed and the archive come from a server in a child process over loopback, so its buffers are not
// counted.

#include "quillokit/app_folder.h"
#include "quillokit/quillo_defaults.h"
#include "quillokit/update_archive.h"
#include "quillokit/update_signing.h"
#include "quillokit/updater.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstring>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qsizetype archiveSize = 64 << 20;

// Kibibytes of one line of /proc/self/status.
long statusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// Answers every connection with one of two bodies, by whether the request asks for the feed. Everything the
// child sends is made before the fork, so it allocates nothing.
pid_t serve(int listener, const QByteArray& feed, const QByteArray& archive)
{
    const auto reply = [](const QByteArray& body) {
        return "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n"
             + body;
    };
    const QByteArray feedReply = reply(feed);
    const QByteArray archiveReply = reply(archive);
    const pid_t child = ::fork();
    if (child != 0)
        return child;
    for (;;) {
        const int peer = ::accept(listener, nullptr, nullptr);
        if (peer < 0)
            continue;
        char request[4096];
        const ssize_t got = ::read(peer, request, sizeof request - 1);
        request[std::max<ssize_t>(got, 0)] = '\0';
        const QByteArray& answer = std::strstr(request, "feed") ? feedReply : archiveReply;
        for (qsizetype done = 0; done < answer.size();) {
            const ssize_t wrote = ::write(peer, answer.constData() + done, size_t(answer.size() - done));
            if (wrote <= 0)
                break;
            done += wrote;
        }
        ::close(peer);
    }
}

void DownloadVerifyAndStage(benchmark::State& state)
{
    QTemporaryDir root;
    const auto keys = *UpdateSigning::makeKeyPair();
    QByteArray noise(archiveSize, '\0');
    QRandomGenerator generator(5);
    for (char& byte : noise)
        byte = char(generator.bounded(256));
    using Kind = UpdateArchive::Entry::Kind;
    const QByteArray archive = *UpdateArchive::pack({
        {QStringLiteral("mountwire/manifest"), Kind::file, 0644, "bin/\nbin/mountwire\nversion\ndata\n", {}},
        {QStringLiteral("mountwire/bin/mountwire"), Kind::file, 0755, "#!/bin/sh\n", {}},
        {QStringLiteral("mountwire/version"), Kind::file, 0644, "2.0\n", {}},
        {QStringLiteral("mountwire/data"), Kind::file, 0644, noise, {}},
    });
    noise = QByteArray();

    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 8);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(ntohs(address.sin_port));
    UpdateFeed feed;
    feed.version = QStringLiteral("2.0");
    feed.url = base;
    feed.download = UpdateFeed::Download{base + QStringLiteral("/update.zip"), archive.size(),
                                         *UpdateSigning::sign(archive, keys.secretKey)};
    const pid_t server = serve(listener, feed.encode(), archive);
    ::close(listener);

    const QString install = root.filePath(QStringLiteral("lib/mountwire"));
    for (const auto& [path, contents] : {std::pair(AppFolder::manifestFile(install), "bin/\nbin/mountwire\nversion\n"),
                                         std::pair(AppFolder::executable(install), "#!/bin/sh\n"),
                                         std::pair(AppFolder::versionFile(install), "1.0\n")}) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(contents);
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
    IniQuilloDefaults defaults(root.filePath(QStringLiteral("settings.conf")));
    UpdaterBundle bundle;
    bundle.installFolder = install;
    bundle.feedURL = QUrl(base + QStringLiteral("/feed.json"));
    bundle.publicKey = keys.publicKey;
    bundle.cachesFolder = root.filePath(QStringLiteral("cache"));
    bundle.homeFolder = root.filePath(QStringLiteral("home"));

    long peakKiB = 0;
    long anonymousKiB = 0;
    bool ready = true;
    for (auto _ : state) {
        state.PauseTiming();
        auto updater = std::make_unique<Updater>(bundle, defaults);
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        clear.close();
        const long before = statusKiB("VmRSS:");
        const long anonymousBefore = statusKiB("RssAnon:");
        const auto sample = [&] { anonymousKiB = std::max(anonymousKiB, statusKiB("RssAnon:") - anonymousBefore); };
        // Sampled now and then and at every step of the progress, so the sampling costs little.
        QTimer sampler;
        QObject::connect(&sampler, &QTimer::timeout, sample);
        sampler.start(10);
        QObject::connect(updater.get(), &Updater::phaseChanged, sample);
        state.ResumeTiming();
        updater->check(false);
        QDeadlineTimer deadline(60000);
        while (updater->phase().kind != UpdatePhase::Kind::ready && updater->phase().kind != UpdatePhase::Kind::failed
               && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.PauseTiming();
        ready = ready && updater->phase().kind == UpdatePhase::Kind::ready;
        peakKiB = std::max(peakKiB, statusKiB("VmHWM:") - before);
        updater.reset();
        state.ResumeTiming();
    }
    ::kill(server, SIGKILL);
    ::waitpid(server, nullptr, 0);
    if (!ready)
        state.SkipWithError("the update was not staged");
    state.counters["peak_MiB_over_start"] = double(peakKiB) / 1024.0;
    state.counters["anonymous_MiB_over_start"] = double(anonymousKiB) / 1024.0;
    state.SetBytesProcessed(state.iterations() * archive.size());
}
BENCHMARK(DownloadVerifyAndStage)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
