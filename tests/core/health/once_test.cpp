#include "health/once.h"

#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

TEST(Once, ExactlyOneOfManyRacingThreadsCompletes)
{
    constexpr int threads = 16;
    for (int round = 0; round < 200; ++round) {
        Once once;
        std::atomic<int> ran{0}, winners{0};
        std::barrier start(threads);
        std::vector<std::thread> racers;
        for (int i = 0; i < threads; ++i)
            racers.emplace_back([&] {
                start.arrive_and_wait();
                winners += once.run([&] { ++ran; });
            });
        for (auto& racer : racers)
            racer.join();
        ASSERT_EQ(ran.load(), 1) << "round " << round;
        ASSERT_EQ(winners.load(), 1);
    }
}
