#include "health/volume_health.h"

#include <limits>

namespace {

std::int64_t saturatingBytes(std::uint64_t blocks, std::uint64_t blockSize)
{
    constexpr auto max = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t product;
    if (__builtin_mul_overflow(blocks, blockSize, &product) || product > max)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(product);
}

} // namespace

VolumeHealth VolumeHealth::fromBlocks(std::uint64_t blockSize, std::uint64_t blocks, std::uint64_t availableBlocks)
{
    return healthy(saturatingBytes(blocks, blockSize), saturatingBytes(availableBlocks, blockSize));
}
