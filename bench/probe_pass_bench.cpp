// One probe pass over 500 servers: 250 loopback listeners that answer and 250 ports of a target that
// never answers. The silent target must exist already: run through scripts/with-services as root,
// which sets MW_BLACKHOLE_ADDR; without it the benchmark reports an error and measures nothing.
// A pass should end within 1.1 × the timeout on a handful of threads.
#include "health/probe.h"

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr int servers = 500;
constexpr double timeout = 3.0;

int threadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

struct Listeners {
    explicit Listeners(int count)
    {
        for (int i = 0; i < count; ++i) {
            sockaddr_in address{};
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            socklen_t length = sizeof address;
            if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 64) != 0) {
                close(fd);
                continue;
            }
            getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
            fds.push_back(fd);
            ports.push_back(ntohs(address.sin_port));
        }
    }
    ~Listeners()
    {
        for (int fd : fds)
            close(fd);
    }
    std::vector<int> fds;
    std::vector<int> ports;
};

void ProbePassOverFiveHundredServers(benchmark::State& state)
{
    const char* blackhole = std::getenv("MW_BLACKHOLE_ADDR");
    if (!blackhole || !*blackhole) {
        state.SkipWithError("MW_BLACKHOLE_ADDR is unset: run through scripts/with-services as root");
        return;
    }
    Listeners listeners(servers / 2);
    if (listeners.ports.size() != servers / 2) {
        state.SkipWithError("could not open the loopback listeners");
        return;
    }

    int peakThreads = threadCount();
    double slowest = 0;
    int answered = 0;
    int unanswered = 0;
    for (auto _ : state) {
        std::mutex lock;
        std::condition_variable finished;
        int left = servers;
        answered = unanswered = 0;
        auto done = [&](std::optional<double> ms) {
            std::lock_guard guard(lock);
            (ms ? answered : unanswered)++;
            if (--left == 0)
                finished.notify_one();
        };
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < servers / 2; ++i) {
            Probe::tcp("127.0.0.1", listeners.ports[static_cast<std::size_t>(i)], timeout, done);
            Probe::tcp(QString::fromUtf8(blackhole), 20000 + i, timeout, done);
        }
        std::unique_lock guard(lock);
        while (!finished.wait_for(guard, std::chrono::milliseconds(5), [&] { return left == 0; }))
            peakThreads = std::max(peakThreads, threadCount());
        slowest = std::max(slowest, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        // Emptied accept queues keep every pass alike.
        guard.unlock();
        for (int fd : listeners.fds) {
            for (;;) {
                const int accepted = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
                if (accepted < 0)
                    break;
                close(accepted);
            }
        }
    }
    state.counters["answered"] = answered;
    state.counters["unanswered"] = unanswered;
    state.counters["slowest_pass_s"] = slowest;
    state.counters["slowest_over_timeout"] = slowest / timeout;
    state.counters["peak_threads"] = peakThreads;
    if (slowest > 1.1 * timeout)
        state.SkipWithError("a pass took longer than 1.1 × the timeout");
}

} // namespace

BENCHMARK(ProbePassOverFiveHundredServers)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
