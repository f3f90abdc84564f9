#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <queue>
#include <thread>
#include <unordered_map>
#include <vector>

// One event-loop thread shared by every probe and stale-check timeout in the process: waits on
// sockets with epoll, runs timers and tasks posted from any thread. Handlers run on the loop
// thread and must be quick.
class Reactor {
public:
    using Clock = std::chrono::steady_clock;
    using Token = std::uint64_t;

    // The process-wide loop, started on first use and kept until the process ends.
    static Reactor& shared();

    Reactor();
    ~Reactor();
    Reactor(const Reactor&) = delete;
    Reactor& operator=(const Reactor&) = delete;

    // Any thread.
    void post(std::function<void()> task);
    Token at(Clock::time_point when, std::function<void()> task);
    void cancel(Token timer);

    // Loop thread only. The handler gets the epoll event bits.
    Token watch(int fd, std::uint32_t events, std::function<void(std::uint32_t)> handler);
    void unwatch(Token watch);

    bool onLoopThread() const { return std::this_thread::get_id() == loop.get_id(); }

private:
    void runLoop();
    void wake();
    int nextWaitMs();

    struct Due {
        Clock::time_point when;
        Token token;
        bool operator>(const Due& other) const { return when > other.when; }
    };
    struct Watch {
        int fd;
        std::function<void(std::uint32_t)> handler;
    };

    int epollFd = -1;
    int wakeFd = -1;
    bool stopping = false; // guarded by lock

    std::mutex lock;
    std::vector<std::function<void()>> posted;
    std::priority_queue<Due, std::vector<Due>, std::greater<>> dueTimes;
    std::unordered_map<Token, std::function<void()>> timers;
    Token nextToken = 1; // guarded by lock; shared by timers and watches

    std::unordered_map<Token, Watch> watches; // loop thread only
    std::thread loop;
};
