#pragma once

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Collects the completions of one asynchronous call, so a test can wait for the first and check
// that no second one follows.
template <typename Result>
struct Completion {
    std::mutex lock;
    std::condition_variable arrived;
    int count = 0;
    Result result{};
    std::thread::id thread;
    Clock::time_point when;

    std::function<void(Result)> callback()
    {
        return [this](Result value) {
            std::lock_guard guard(lock);
            ++count;
            result = value;
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

inline int threadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0)
            return std::stoi(line.substr(8));
    return -1;
}

template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = 5s)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}
