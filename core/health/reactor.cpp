#include "health/reactor.h"

#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>

Reactor& Reactor::shared()
{
    // Never destroyed: completions may still arrive while static objects are torn down at exit.
    static Reactor* const instance = new Reactor;
    return *instance;
}

Reactor::Reactor()
    : epollFd(epoll_create1(EPOLL_CLOEXEC)), wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = 0;
    epoll_ctl(epollFd, EPOLL_CTL_ADD, wakeFd, &event);
    loop = std::thread([this] {
        pthread_setname_np(pthread_self(), "mountwire.probe");
        runLoop();
    });
}

Reactor::~Reactor()
{
    {
        std::lock_guard guard(lock);
        stopping = true;
    }
    wake();
    if (loop.joinable())
        loop.join();
    for (auto& [token, entry] : watches)
        close(entry.fd);
    close(wakeFd);
    close(epollFd);
}

void Reactor::post(std::function<void()> task)
{
    {
        std::lock_guard guard(lock);
        posted.push_back(std::move(task));
    }
    wake();
}

Reactor::Token Reactor::at(Clock::time_point when, std::function<void()> task)
{
    Token token;
    bool earliest;
    {
        std::lock_guard guard(lock);
        token = nextToken++;
        earliest = dueTimes.empty() || when < dueTimes.top().when;
        dueTimes.push(Due{when, token});
        timers.emplace(token, std::move(task));
    }
    if (earliest && !onLoopThread())
        wake();
    return token;
}

void Reactor::cancel(Token timer)
{
    std::function<void()> dropped;
    std::lock_guard guard(lock);
    auto found = timers.find(timer);
    if (found != timers.end()) {
        // Destroyed after the lock is released: the task may own things whose destructors post.
        dropped = std::move(found->second);
        timers.erase(found);
    }
}

Reactor::Token Reactor::watch(int fd, std::uint32_t events, std::function<void(std::uint32_t)> handler)
{
    Token token;
    {
        std::lock_guard guard(lock);
        token = nextToken++;
    }
    epoll_event event{};
    event.events = events;
    // The token, not the fd, identifies the watch: a closed fd's number may be reused in the same batch.
    event.data.u64 = token;
    if (epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &event) != 0)
        return 0;
    watches.emplace(token, Watch{fd, std::move(handler)});
    return token;
}

void Reactor::unwatch(Token watch)
{
    auto found = watches.find(watch);
    if (found == watches.end())
        return;
    epoll_ctl(epollFd, EPOLL_CTL_DEL, found->second.fd, nullptr);
    watches.erase(found);
}

void Reactor::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = write(wakeFd, &one, sizeof one);
}

int Reactor::nextWaitMs()
{
    std::lock_guard guard(lock);
    if (!posted.empty())
        return 0;
    while (!dueTimes.empty() && !timers.contains(dueTimes.top().token))
        dueTimes.pop();
    if (dueTimes.empty())
        return -1;
    const auto left = dueTimes.top().when - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    // Rounded up so a timer is never woken for early and spun on.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > 60'000 ? 60'000 : static_cast<int>(ms);
}

void Reactor::runLoop()
{
    std::array<epoll_event, 128> events;
    for (;;) {
        const int count = epoll_wait(epollFd, events.data(), static_cast<int>(events.size()), nextWaitMs());
        for (int i = 0; i < count; ++i) {
            const Token token = events[static_cast<std::size_t>(i)].data.u64;
            if (token == 0) {
                std::uint64_t drained;
                [[maybe_unused]] ssize_t got = read(wakeFd, &drained, sizeof drained);
                continue;
            }
            auto found = watches.find(token);
            if (found == watches.end())
                continue;
            // Copied: the handler may unwatch itself.
            auto handler = found->second.handler;
            handler(events[static_cast<std::size_t>(i)].events);
        }

        std::vector<std::function<void()>> tasks;
        std::vector<std::function<void()>> fired;
        {
            std::lock_guard guard(lock);
            if (stopping)
                return;
            tasks.swap(posted);
            const auto now = Clock::now();
            while (!dueTimes.empty() && dueTimes.top().when <= now) {
                auto found = timers.find(dueTimes.top().token);
                dueTimes.pop();
                if (found == timers.end())
                    continue;
                fired.push_back(std::move(found->second));
                timers.erase(found);
            }
        }
        for (auto& task : tasks)
            task();
        for (auto& task : fired)
            task();
    }
}
