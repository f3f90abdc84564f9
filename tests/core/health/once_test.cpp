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
        std::atomic<int> ran{0};
        std::atomic<int> winners{0};
        std::barrier start(threads);
        std::vector<std::thread> racers;
        for (int i = 0; i < threads; ++i) {
            racers.emplace_back([&] {
                start.arrive_and_wait();
                if (once.run([&] { ++ran; }))
                    ++winners;
            });
        }
        for (auto& racer : racers)
            racer.join();
        ASSERT_EQ(ran.load(), 1) << "round " << round;
        ASSERT_EQ(winners.load(), 1);
    }
}

TEST(Once, TheActionMayUseTheGuardAgainWithoutDeadlock)
{
    Once once;
    int ran = 0;
    once.run([&] {
        ++ran;
        once.run([&] { ++ran; });
    });
    EXPECT_EQ(ran, 1);
}
