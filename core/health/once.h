#pragma once

#include <mutex>
#include <utility>

// Lets exactly one of several racing completions through; every later one is a no-op.
class Once {
public:
    Once() = default;
    Once(const Once&) = delete;
    Once& operator=(const Once&) = delete;

    // Runs the action only if no earlier call ran one. The lock is not held while it runs.
    template <typename Action>
    bool run(Action&& action)
    {
        {
            std::lock_guard guard(lock);
            if (done)
                return false;
            done = true;
        }
        std::forward<Action>(action)();
        return true;
    }

private:
    std::mutex lock;
    bool done = false;
};
