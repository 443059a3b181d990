#include "heap/large_block_cache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace zelmo::heap {
namespace {

constexpr std::size_t kMB = 1024 * 1024;

// The store never touches the blocks, so made-up addresses stand for them.
void* Block(std::uintptr_t n) { return reinterpret_cast<void*>(n * 4096); }

TEST(LargeBlockCache, TakesTheSmallestKeptBlockThatFitsWithoutWastingMoreThanHalf) {
    LargeBlockCache cache(8, 64 * kMB);
    void* evicted = nullptr;
    ASSERT_TRUE(cache.Keep(Block(1), 4 * kMB, &evicted));
    ASSERT_TRUE(cache.Keep(Block(2), 1 * kMB, &evicted));
    ASSERT_TRUE(cache.Keep(Block(3), 2 * kMB, &evicted));
    EXPECT_EQ(evicted, nullptr);

    std::size_t capacity = 0;
    EXPECT_EQ(cache.Take(1 * kMB + 1, &capacity), Block(3));  // 2 MB fits; 1 MB is too small
    EXPECT_EQ(capacity, 2 * kMB);
    EXPECT_EQ(cache.Take(1 * kMB), Block(2));
    // Only the 4 MB block is left: too large for 1 MB (more than twice), right for 2 MB.
    EXPECT_EQ(cache.Take(1 * kMB), nullptr);
    EXPECT_EQ(cache.Take(2 * kMB), Block(1));
    EXPECT_EQ(cache.keptBlocks(), 0u);
    EXPECT_EQ(cache.keptBytes(), 0u);
}

TEST(LargeBlockCache, RefusesSmallNullAndOversizedBlocks) {
    LargeBlockCache cache(8, 8 * kMB);
    void* evicted = Block(9);
    EXPECT_FALSE(cache.Keep(Block(1), LargeBlockCache::kLargeFrom - 1, &evicted));
    EXPECT_EQ(evicted, nullptr);
    EXPECT_FALSE(cache.Keep(nullptr, kMB, &evicted));
    EXPECT_FALSE(cache.Keep(Block(2), 4 * kMB + 1, &evicted));  // more than half the store
    EXPECT_EQ(cache.keptBlocks(), 0u);

    LargeBlockCache none(0, 8 * kMB);
    EXPECT_FALSE(none.Keep(Block(3), kMB, &evicted));
}

TEST(LargeBlockCache, MakesRoomByDroppingTheOldestBlockOnly) {
    LargeBlockCache cache(2, 64 * kMB);
    void* evicted = nullptr;
    ASSERT_TRUE(cache.Keep(Block(1), kMB, &evicted));
    ASSERT_TRUE(cache.Keep(Block(2), kMB, &evicted));
    ASSERT_TRUE(cache.Keep(Block(3), kMB, &evicted));  // the count is full: the oldest goes
    EXPECT_EQ(evicted, Block(1));
    EXPECT_EQ(cache.keptBlocks(), 2u);

    // By bytes: 10 MB of room, 4 + 4 kept; a 5 MB block needs only the oldest to go.
    LargeBlockCache bytes(8, 10 * kMB);
    ASSERT_TRUE(bytes.Keep(Block(4), 4 * kMB, &evicted));
    ASSERT_TRUE(bytes.Keep(Block(5), 4 * kMB, &evicted));
    ASSERT_TRUE(bytes.Keep(Block(6), 5 * kMB, &evicted));
    EXPECT_EQ(evicted, Block(4));
    EXPECT_EQ(bytes.keptBytes(), 9 * kMB);

    // When dropping one block does not make room, nothing is dropped and the new block is refused.
    LargeBlockCache tight(8, 10 * kMB);
    ASSERT_TRUE(tight.Keep(Block(7), 1 * kMB, &evicted));
    ASSERT_TRUE(tight.Keep(Block(8), 4 * kMB, &evicted));
    EXPECT_FALSE(tight.Keep(Block(9), 5 * kMB + 512 * 1024, &evicted));
    EXPECT_EQ(evicted, nullptr);
    EXPECT_EQ(tight.keptBlocks(), 2u);
    EXPECT_EQ(tight.keptBytes(), 5 * kMB);
    EXPECT_EQ(tight.Take(kMB), Block(7));  // the order is kept: the oldest is still first
}

TEST(LargeBlockCache, RoundsLargeSizesUpToWholeGranulesWithoutWrappingAround) {
    constexpr std::size_t g = LargeBlockCache::kGranule;
    EXPECT_EQ(LargeBlockCache::Rounded(LargeBlockCache::kLargeFrom), LargeBlockCache::kLargeFrom);
    EXPECT_EQ(LargeBlockCache::Rounded(LargeBlockCache::kLargeFrom + 1), LargeBlockCache::kLargeFrom + g);
    const std::size_t top = std::numeric_limits<std::size_t>::max() - 5;
    EXPECT_EQ(LargeBlockCache::Rounded(top), top);
}

}  // namespace
}  // namespace zelmo::heap
