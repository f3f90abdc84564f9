#include "health/volume_health.h"

#include <gtest/gtest.h>

#include <limits>

TEST(VolumeHealth, SizesAreBlockCountsTimesBlockSizeAndSaturate)
{
    constexpr std::int64_t max = std::numeric_limits<std::int64_t>::max();
    constexpr std::uint64_t huge = std::numeric_limits<std::uint64_t>::max();
    const struct {
        std::uint64_t blockSize, blocks, available;
        std::int64_t total, free;
    } cases[] = {
        {4096, 1000, 250, 4'096'000, 1'024'000},
        {0, 1000, 250, 0, 0},
        {1u << 20, std::uint64_t(1) << 43, 1, max, 1u << 20},
        {huge, 2, 1, max, max},
        {1, std::uint64_t(max), std::uint64_t(max) + 1, max, max},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VolumeHealth::fromBlocks(c.blockSize, c.blocks, c.available), VolumeHealth::healthy(c.total, c.free));
    EXPECT_NE(VolumeHealth::stale(), VolumeHealth::healthy(0, 0));
}
