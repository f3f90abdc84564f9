#include "health/probe.h"

#include "health/once.h"
#include "health/reactor.h"
#include "health/resolver_pool.h"

#include <QUrl>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <memory>

namespace {

using Clock = Reactor::Clock;

// One probe, driven on the reactor's thread from its start to its single completion.
struct Attempt {
    QByteArray service;
    int kernelTimeoutMs = 0;
    Clock::time_point start;
    std::function<void(std::optional<double>)> done;

    Once once;
    std::atomic<bool> finished{false};
    std::vector<ResolverPool::Address> addresses;
    std::size_t next = 0;
    int fd = -1;
    Reactor::Token watch = 0;
    Reactor::Token timer = 0;
};

void finish(const std::shared_ptr<Attempt>& attempt, std::optional<double> ms)
{
    attempt->once.run([&] {
        attempt->finished = true;
        Reactor& reactor = Reactor::shared();
        reactor.cancel(attempt->timer);
        if (attempt->watch)
            reactor.unwatch(attempt->watch);
        // Closing a socket that is still connecting abandons the handshake.
        if (attempt->fd >= 0)
            close(attempt->fd);
        attempt->fd = -1;
        auto done = std::move(attempt->done);
        done(ms);
    });
}

double elapsedMs(const Attempt& attempt)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - attempt.start).count();
}

void connectNext(const std::shared_ptr<Attempt>& attempt);

void onSocketEvent(const std::shared_ptr<Attempt>& attempt, std::uint32_t events)
{
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(attempt->fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error == 0 && (events & EPOLLOUT) && !(events & (EPOLLERR | EPOLLHUP))) {
        finish(attempt, elapsedMs(*attempt));
        return;
    }
    Reactor::shared().unwatch(attempt->watch);
    attempt->watch = 0;
    close(attempt->fd);
    attempt->fd = -1;
    connectNext(attempt);
}

// Tries the resolved addresses in order; a refusal moves on to the next one at once.
void connectNext(const std::shared_ptr<Attempt>& attempt)
{
    while (!attempt->finished && attempt->next < attempt->addresses.size()) {
        const ResolverPool::Address& address = attempt->addresses[attempt->next++];
        const int fd = socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd < 0)
            continue;
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &attempt->kernelTimeoutMs, sizeof attempt->kernelTimeoutMs);
        attempt->fd = fd;
        if (connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0) {
            finish(attempt, elapsedMs(*attempt));
            return;
        }
        if (errno == EINPROGRESS) {
            attempt->watch = Reactor::shared().watch(fd, EPOLLOUT | EPOLLERR | EPOLLHUP,
                                                     [attempt](std::uint32_t events) { onSocketEvent(attempt, events); });
            if (attempt->watch)
                return;
        }
        close(fd);
        attempt->fd = -1;
    }
    finish(attempt, std::nullopt);
}

// The host as getaddrinfo wants it: brackets around an IPv6 literal dropped, names in their ASCII form.
QByteArray hostBytes(const QString& host)
{
    QString text = host.trimmed();
    if (text.size() >= 2 && text.front() == u'[' && text.back() == u']')
        text = text.mid(1, text.size() - 2);
    if (text.isEmpty() || text.contains(QChar(0)) || text.contains(u' '))
        return {};
    return text.toUtf8();
}

void begin(const std::shared_ptr<Attempt>& attempt, const QString& host)
{
    const QByteArray bytes = hostBytes(host);
    if (bytes.isEmpty()) {
        finish(attempt, std::nullopt);
        return;
    }
    if (auto addresses = ResolverPool::numeric(bytes, attempt->service)) {
        attempt->addresses = std::move(*addresses);
        connectNext(attempt);
        return;
    }
    // A colon or a zone mark belongs only to an address literal, never to a name worth asking DNS about.
    if (bytes.contains(':') || bytes.contains('%')) {
        finish(attempt, std::nullopt);
        return;
    }
    const QByteArray ace = QUrl::toAce(host.trimmed());
    if (ace.isEmpty()) {
        finish(attempt, std::nullopt);
        return;
    }
    ResolverPool::shared().resolve(
        ace, attempt->service, [attempt] { return !attempt->finished.load(); },
        [attempt](std::vector<ResolverPool::Address> addresses) {
            Reactor::shared().post([attempt, addresses = std::move(addresses)]() mutable {
                if (attempt->finished)
                    return;
                attempt->addresses = std::move(addresses);
                connectNext(attempt);
            });
        });
}

} // namespace

namespace Probe {

int clampPort(int port)
{
    return std::clamp(port, 0, 65535);
}

int connectionTimeoutSeconds(double timeout)
{
    if (!(timeout > 1))
        return 1;
    if (timeout > 86400)
        return 86400;
    return static_cast<int>(std::ceil(timeout));
}

void tcp(const QString& host, int port, double timeout, std::function<void(std::optional<double> ms)> done)
{
    auto attempt = std::make_shared<Attempt>();
    attempt->start = Clock::now();
    attempt->done = std::move(done);
    Reactor& reactor = Reactor::shared();

    const int clamped = clampPort(port);
    if (clamped == 0 || !(timeout > 0) || std::isnan(timeout)) {
        reactor.post([attempt] { finish(attempt, std::nullopt); });
        return;
    }
    attempt->service = QByteArray::number(clamped);
    attempt->kernelTimeoutMs = connectionTimeoutSeconds(timeout) * 1000;

    // Capped so a huge timeout cannot overflow the clock; a day is already far beyond any use.
    const double seconds = std::min(timeout, 86400.0);
    const auto deadline = attempt->start + std::chrono::duration_cast<Clock::duration>(
                                               std::chrono::duration<double>(seconds));
    // The timer is armed before the connection starts, on the same thread, so it always has a token
    // to cancel by the time a completion can happen.
    reactor.post([attempt, host, deadline] {
        attempt->timer = Reactor::shared().at(deadline, [attempt] { finish(attempt, std::nullopt); });
        begin(attempt, host);
    });
}

} // namespace Probe
