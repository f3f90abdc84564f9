#pragma once

#include <cstdint>

// What a check of a mount point found: its size and free space in bytes, or that it did not answer in time.
struct VolumeHealth {
    enum class Kind { healthy, stale };

    Kind kind = Kind::stale;
    std::int64_t total = 0;
    std::int64_t available = 0;

    static VolumeHealth healthy(std::int64_t total, std::int64_t available) { return {Kind::healthy, total, available}; }
    static VolumeHealth stale() { return {}; }

    // Byte counts from block counts; a product beyond the signed 64-bit range saturates.
    static VolumeHealth fromBlocks(std::uint64_t blockSize, std::uint64_t blocks, std::uint64_t availableBlocks);

    bool isStale() const { return kind == Kind::stale; }

    friend bool operator==(const VolumeHealth&, const VolumeHealth&) = default;
};
