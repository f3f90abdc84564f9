#include "health/probe.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>

using namespace std::chrono_literals;

namespace {

using Clock = std::chrono::steady_clock;

// Collects a probe's completions so a test can wait for the first and check there is no second.
struct Completion {
    std::mutex lock;
    std::condition_variable arrived;
    int count = 0;
    std::optional<double> ms;
    std::thread::id thread;
    Clock::time_point when;

    std::function<void(std::optional<double>)> callback()
    {
        return [this](std::optional<double> result) {
            std::lock_guard guard(lock);
            ++count;
            ms = result;
            thread = std::this_thread::get_id();
            when = Clock::now();
            arrived.notify_all();
        };
    }

    bool wait(std::chrono::milliseconds limit = 10s)
    {
        std::unique_lock guard(lock);
        return arrived.wait_for(guard, limit, [this] { return count > 0; });
    }

    int completions()
    {
        std::lock_guard guard(lock);
        return count;
    }
};

// A TCP socket on a loopback or local address, listening or merely holding its port closed.
class LocalSocket {
public:
    LocalSocket(const std::string& address, bool listening, unsigned scope = 0)
    {
        sockaddr_storage storage{};
        socklen_t length;
        if (address.find(':') != std::string::npos) {
            auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
            v6->sin6_family = AF_INET6;
            v6->sin6_scope_id = scope;
            inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr);
            length = sizeof *v6;
        } else {
            auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
            v4->sin_family = AF_INET;
            inet_pton(AF_INET, address.c_str(), &v4->sin_addr);
            length = sizeof *v4;
        }
        fd = socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (bind(fd, reinterpret_cast<sockaddr*>(&storage), length) != 0 || (listening && listen(fd, 256) != 0))
            return;
        getsockname(fd, reinterpret_cast<sockaddr*>(&storage), &length);
        port = ntohs(storage.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&storage)->sin6_port
                                                   : reinterpret_cast<sockaddr_in*>(&storage)->sin_port);
    }
    ~LocalSocket() { close(fd); }
    LocalSocket(const LocalSocket&) = delete;
    LocalSocket& operator=(const LocalSocket&) = delete;

    int port = 0;

private:
    int fd = -1;
};

std::optional<QString> environment(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return QString::fromUtf8(value);
}

int threadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

// Sockets of this process still trying to reach the given IPv4 address (state SYN_SENT).
int connectingTo(const QString& address)
{
    in_addr target{};
    inet_pton(AF_INET, address.toUtf8().constData(), &target);
    char wanted[9];
    std::snprintf(wanted, sizeof wanted, "%08X", target.s_addr);
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    int count = 0;
    while (std::getline(table, line)) {
        char remote[64] = {};
        unsigned state = 0;
        if (std::sscanf(line.c_str(), "%*s %*s %63s %x", remote, &state) == 2
            && std::string(remote).rfind(wanted, 0) == 0 && state == 2)
            ++count;
    }
    return count;
}

} // namespace

TEST(Probe, MeasuresTheHandshakeWithALoopbackListener)
{
    LocalSocket v4("127.0.0.1", true);
    LocalSocket v6("::1", true);
    ASSERT_NE(v4.port, 0);
    ASSERT_NE(v6.port, 0);
    const struct {
        QString host;
        int port;
    } cases[] = {
        {"127.0.0.1", v4.port}, {"::1", v6.port}, {"[::1]", v6.port},
        {" localhost ", v4.port},
    };
    for (const auto& c : cases) {
        Completion done;
        Probe::tcp(c.host, c.port, 3.0, done.callback());
        ASSERT_TRUE(done.wait()) << c.host.toStdString();
        ASSERT_TRUE(done.ms.has_value()) << c.host.toStdString();
        EXPECT_GT(*done.ms, 0.0);
        EXPECT_LT(*done.ms, 3000.0);
        EXPECT_NE(done.thread, std::this_thread::get_id());
    }
}

TEST(Probe, AnswersOverAScopedLinkLocalAddress)
{
    const auto address = environment("MW_LINK_LOCAL_ADDR");
    if (!address)
        GTEST_SKIP() << "MW_LINK_LOCAL_ADDR is unset: run through scripts/with-services as root";
    const QStringList parts = address->split(u'%');
    ASSERT_EQ(parts.size(), 2);
    LocalSocket listener(parts[0].toStdString(), true, if_nametoindex(parts[1].toUtf8().constData()));
    ASSERT_NE(listener.port, 0);

    Completion done;
    Probe::tcp(*address, listener.port, 3.0, done.callback());
    ASSERT_TRUE(done.wait());
    EXPECT_TRUE(done.ms.has_value());
}

TEST(Probe, ClosedPortGivesNoneWellBeforeTheTimeout)
{
    LocalSocket v4("127.0.0.1", false);
    LocalSocket v6("::1", false);
    for (const auto& [host, port] : {std::pair{QString("127.0.0.1"), v4.port}, std::pair{QString("::1"), v6.port}}) {
        Completion done;
        const auto start = Clock::now();
        Probe::tcp(host, port, 3.0, done.callback());
        ASSERT_TRUE(done.wait());
        EXPECT_EQ(done.ms, std::nullopt);
        EXPECT_LT(done.when - start, 1s) << host.toStdString();
    }
}

TEST(Probe, GivesUpAfterTimeoutWithoutBlockingAndAbandonsTheConnection)
{
    const auto blackhole = environment("MW_BLACKHOLE_ADDR");
    if (!blackhole)
        GTEST_SKIP() << "MW_BLACKHOLE_ADDR is unset: run through scripts/with-services as root";

    for (const double timeout : {0.1, 0.6}) {
        Completion done;
        const auto start = Clock::now();
        Probe::tcp(*blackhole, 445, timeout, done.callback());
        EXPECT_EQ(done.completions(), 0) << "the caller must not wait for the answer";
        ASSERT_TRUE(done.wait());
        EXPECT_EQ(done.ms, std::nullopt);
        const double waited = std::chrono::duration<double>(done.when - start).count();
        EXPECT_GE(waited, timeout);
        // The kernel's own limit is a whole second; the probe's timeout must win over it.
        EXPECT_LT(waited, timeout + 0.8);
        EXPECT_EQ(connectingTo(*blackhole), 0);
    }
}

TEST(Probe, CompletesExactlyOnceHoweverItEnds)
{
    LocalSocket open("127.0.0.1", true);
    LocalSocket closed("127.0.0.1", false);
    const auto blackhole = environment("MW_BLACKHOLE_ADDR");
    std::vector<std::pair<QString, int>> targets{{"127.0.0.1", open.port}, {"127.0.0.1", closed.port}, {"", 1}};
    if (blackhole)
        targets.emplace_back(*blackhole, 139);

    std::vector<std::unique_ptr<Completion>> completions;
    for (const auto& [host, port] : targets) {
        completions.push_back(std::make_unique<Completion>());
        Probe::tcp(host, port, 0.2, completions.back()->callback());
    }
    for (auto& done : completions)
        ASSERT_TRUE(done->wait());
    // Long enough for a kernel-side failure or a stray timer to show up as a second completion.
    std::this_thread::sleep_for(1200ms);
    for (auto& done : completions)
        EXPECT_EQ(done->completions(), 1);
}

TEST(Probe, UnusablePortsAndHostsGiveNoneWithoutALookUp)
{
    LocalSocket listener("127.0.0.1", true);
    const struct {
        QString host;
        int port;
        double timeout;
    } cases[] = {
        {"127.0.0.1", -1, 3.0},
        {"127.0.0.1", 0, 3.0},
        {"127.0.0.1", listener.port, 0.0},
        {"127.0.0.1", listener.port, -1.0},
        {"127.0.0.1", listener.port, std::nan("")},
        {"", listener.port, 3.0},
        {"   ", listener.port, 3.0},
        {"bad host", listener.port, 3.0},
        {"fe80::1%nosuchif", listener.port, 3.0},
        {"::1::2", listener.port, 3.0},
    };
    for (const auto& c : cases) {
        Completion done;
        Probe::tcp(c.host, c.port, c.timeout, done.callback());
        ASSERT_TRUE(done.wait(2s)) << c.host.toStdString();
        EXPECT_EQ(done.ms, std::nullopt) << c.host.toStdString() << " port " << c.port;
    }
}

TEST(Probe, PortsAndKernelTimeoutAreClampedIntoRange)
{
    for (const auto& [requested, used] : {std::pair{70000, 65535}, {-1, 0}, {445, 445}, {65535, 65535}, {0, 0}})
        EXPECT_EQ(Probe::clampPort(requested), used) << requested;
    for (const auto& [timeout, seconds] : {std::pair{0.1, 1}, {0.2, 1}, {1.0, 1}, {2.5, 3}, {3.0, 3}, {std::nan(""), 1}})
        EXPECT_EQ(Probe::connectionTimeoutSeconds(timeout), seconds) << timeout;
}

TEST(Probe, ManyProbesAtOnceShareAFewThreads)
{
    LocalSocket listener("127.0.0.1", true);
    Completion warmUp;
    Probe::tcp("localhost", listener.port, 3.0, warmUp.callback());
    ASSERT_TRUE(warmUp.wait());
    const int before = threadCount();

    std::vector<std::unique_ptr<Completion>> completions;
    int peak = before;
    for (int i = 0; i < 200; ++i) {
        completions.push_back(std::make_unique<Completion>());
        Probe::tcp(i % 2 ? "127.0.0.1" : "localhost", listener.port, 3.0, completions.back()->callback());
        peak = std::max(peak, threadCount());
    }
    int answered = 0;
    for (auto& done : completions) {
        ASSERT_TRUE(done->wait());
        answered += done->ms.has_value();
        peak = std::max(peak, threadCount());
    }
    EXPECT_EQ(answered, 200);
    // The event loop is already running; at most the few resolver threads may join it.
    EXPECT_LE(peak - before, 4);
}
