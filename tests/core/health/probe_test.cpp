#include "health/probe.h"

#include "waiting.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <unistd.h>

#include <cmath>

namespace {

// A TCP port on a local address, listening or bound but closed (connections to it are refused).
struct LocalPort {
    LocalPort(const char* address, bool listening, unsigned scope = 0)
    {
        sockaddr_in6 v6{AF_INET6, 0, 0, {}, scope};
        sockaddr_in v4{AF_INET, 0, {}, {}};
        const bool isV6 = inet_pton(AF_INET6, address, &v6.sin6_addr) == 1;
        inet_pton(AF_INET, address, &v4.sin_addr);
        auto* any = isV6 ? reinterpret_cast<sockaddr*>(&v6) : reinterpret_cast<sockaddr*>(&v4);
        socklen_t length = isV6 ? sizeof v6 : sizeof v4;
        fd = socket(any->sa_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (bind(fd, any, length) == 0 && (!listening || listen(fd, 256) == 0) && getsockname(fd, any, &length) == 0)
            port = ntohs(isV6 ? v6.sin6_port : v4.sin_port);
    }
    ~LocalPort() { close(fd); }
    int fd = -1;
    int port = 0;
};

using ProbeDone = Completion<std::optional<double>>;

// Sockets of this process still in SYN_SENT towards an IPv4 address, from the kernel's own table.
int connectingTo(const QString& address)
{
    in_addr target{};
    inet_pton(AF_INET, address.toUtf8().constData(), &target);
    char wanted[9];
    std::snprintf(wanted, sizeof wanted, "%08X", target.s_addr);
    std::ifstream table("/proc/net/tcp");
    int count = 0;
    for (std::string line; std::getline(table, line);) {
        char remote[64] = {};
        unsigned state = 0;
        if (std::sscanf(line.c_str(), "%*s %*s %63s %x", remote, &state) == 2 && state == 2
            && std::string(remote).rfind(wanted, 0) == 0)
            ++count;
    }
    return count;
}

} // namespace

// A scoped link-local address joins in when the test session has one (scripts/with-services as root).
TEST(Probe, ListenersAnswerWithTheirLatencyAndClosedPortsAreRefusedAtOnce)
{
    LocalPort v4("127.0.0.1", true), v6("::1", true), closedV4("127.0.0.1", false), closedV6("::1", false);
    std::vector<std::tuple<QString, int, bool>> cases {
        {"127.0.0.1", v4.port, true}, {"::1", v6.port, true}, {"[::1]", v6.port, true},
        {" localhost ", v4.port, true}, {"127.0.0.1", closedV4.port, false}, {"::1", closedV6.port, false},
    };
    const QStringList scoped = qEnvironmentVariable("MW_LINK_LOCAL_ADDR").split(u'%');
    const LocalPort linkLocal(scoped[0].toUtf8().constData(), scoped.size() == 2,
        if_nametoindex(scoped.value(1).toUtf8().constData()));
    if (scoped.size() == 2)
        cases.emplace_back(scoped.join(u'%'), linkLocal.port, true);
    for (const auto& [host, port, answers] : cases) {
        ProbeDone done;
        const auto start = Clock::now();
        Probe::tcp(host, port, 3.0, done.callback());
        ASSERT_TRUE(done.wait()) << host.toStdString();
        EXPECT_EQ(done.result.has_value(), answers) << host.toStdString() << ":" << port;
        EXPECT_LT(done.when - start, 1s) << "well before the timeout";
        EXPECT_GT(done.result.value_or(1.0), 0.0);
        EXPECT_NE(done.thread, std::this_thread::get_id());
    }
}

TEST(Probe, SilentServerGivesUpAtTheTimeoutWithoutBlockingAndCompletesOnce)
{
    const QString blackhole = qEnvironmentVariable("MW_BLACKHOLE_ADDR");
    if (blackhole.isEmpty())
        GTEST_SKIP() << "MW_BLACKHOLE_ADDR is unset: run through scripts/with-services as root";
    // 0.1 s is far below the kernel's own one-second limit, so only the probe's timeout can end it.
    for (const double timeout : {0.1, 0.6}) {
        ProbeDone done;
        const auto start = Clock::now();
        Probe::tcp(blackhole, 445, timeout, done.callback());
        EXPECT_EQ(done.completions(), 0) << "the caller must not wait for the answer";
        ASSERT_TRUE(done.wait());
        EXPECT_EQ(done.result, std::nullopt);
        EXPECT_GE(done.when - start, std::chrono::duration<double>(timeout));
        EXPECT_LT(done.when - start, std::chrono::duration<double>(timeout + 0.8));
        EXPECT_EQ(connectingTo(blackhole), 0) << "the abandoned handshake must be cancelled";
        std::this_thread::sleep_for(1200ms);
        EXPECT_EQ(done.completions(), 1);
    }
}

TEST(Probe, UnusablePortsTimeoutsAndHostsGiveNoneWithoutALookUp)
{
    LocalPort listener("127.0.0.1", true);
    const int open = listener.port;
    const std::tuple<QString, int, double> cases[] = {
        {"127.0.0.1", -1, 3}, {"127.0.0.1", 0, 3}, {"127.0.0.1", open, 0}, {"127.0.0.1", open, std::nan("")},
        {"", open, 3}, {"bad host", open, 3}, {"fe80::1%nosuchif", open, 3}, {"::1::2", open, 3},
    };
    for (const auto& [host, port, timeout] : cases) {
        ProbeDone done;
        Probe::tcp(host, port, timeout, done.callback());
        ASSERT_TRUE(done.wait(2s)) << host.toStdString();
        EXPECT_EQ(done.result, std::nullopt) << host.toStdString() << ":" << port;
    }
    for (const auto& [requested, used] : {std::pair{70000, 65535}, {-1, 0}, {445, 445}})
        EXPECT_EQ(Probe::clampPort(requested), used);
    for (const auto& [timeout, seconds] : {std::pair{0.1, 1}, {0.2, 1}, {2.5, 3}, {3.0, 3}, {std::nan(""), 1}})
        EXPECT_EQ(Probe::connectionTimeoutSeconds(timeout), seconds) << timeout;
}
