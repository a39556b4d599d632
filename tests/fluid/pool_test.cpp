#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

#include "fluid/pool.h"

namespace {

class PoolTest : public ::testing::Test {
protected:
    void SetUp() override { pool = AllocInit("NEIGHBOURS"); }
    void TearDown() override {
        AllocSetPool(pool);
        AllocFreePool();
    }
    MemPool* pool = nullptr;
};

uint8_t* At(void* p) { return static_cast<uint8_t*>(p); }

TEST_F(PoolTest, RequestsAreRoundedToFourBytesAndNeverFillABlockToItsEnd) {
    EXPECT_STREQ(pool->name, "NEIGHBOURS");
    uint8_t* a = At(Alloc(1));
    uint8_t* b = At(Alloc(0));  // does not advance
    uint8_t* c = At(Alloc(5));
    uint8_t* d = At(Alloc(4));
    EXPECT_EQ((std::vector<uint8_t*>{a, b, c, d}),
              (std::vector<uint8_t*>{pool->first->start, a + 4, b, c + 8}));
    EXPECT_EQ(PoolBytesInUse(pool), 16);

    Alloc(kPoolBlockSize - 24);
    // 4 bytes fit with room to spare; the last 4 would fill the block to its end.
    EXPECT_EQ(At(Alloc(4)), pool->first->start + kPoolBlockSize - 8);
    uint8_t* moved = At(Alloc(4));
    ASSERT_NE(pool->first->next, nullptr);
    EXPECT_EQ(moved, pool->first->next->start);
    EXPECT_EQ(pool->blocks, 1);
    EXPECT_EQ(pool->switches, 1);

    // A whole block's worth always starts a block of its own.
    uint8_t* whole = At(Alloc(kPoolBlockSize));
    EXPECT_EQ(whole, pool->current->start);
    EXPECT_EQ(pool->blocks, 2);
}

TEST_F(PoolTest, RewindReusesEveryBlockInOrderBeforeAddingOne) {
    MemBlock* first = pool->first;
    Alloc(kPoolBlockSize / 2 + 4);
    Alloc(kPoolBlockSize / 2 + 4);  // second block
    Alloc(kPoolBlockSize / 2 + 4);  // third block
    MemBlock* second = first->next;
    MemBlock* third = second->next;
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(pool->blocks, 2);

    AllocReset();
    EXPECT_EQ(pool->current, first);
    EXPECT_EQ(pool->switches, 0);
    EXPECT_EQ(At(Alloc(kPoolBlockSize / 2 + 4)), first->start);
    // The old second block still holds its previous fill; reaching it rewinds it.
    EXPECT_EQ(At(Alloc(kPoolBlockSize / 2 + 4)), second->start);
    EXPECT_EQ(At(Alloc(kPoolBlockSize / 2 + 4)), third->start);
    EXPECT_EQ(pool->blocks, 2);
    EXPECT_EQ(PoolBlockCount(pool), 3);
    Alloc(kPoolBlockSize / 2 + 4);
    EXPECT_EQ(PoolBlockCount(pool), 4);
}

TEST_F(PoolTest, TheCurrentPoolBelongsToEachThread) {
    MemPool* other = AllocInit("VOXELS");
    EXPECT_EQ(AllocSetPool(pool), other);
    MemPool* seen_by_worker = reinterpret_cast<MemPool*>(1);
    std::thread([&] { seen_by_worker = AllocSetPool(other); }).join();
    EXPECT_EQ(seen_by_worker, nullptr);
    // The worker's choice did not change this thread's current pool.
    EXPECT_EQ(At(Alloc(4)), pool->first->start);
    EXPECT_EQ(AllocSetPool(other), pool);
    AllocFreePool();
    EXPECT_EQ(AllocSetPool(pool), nullptr);
}

using PoolDeathTest = PoolTest;

TEST_F(PoolDeathTest, MisuseEndsTheProcessWithItsMessage) {
    EXPECT_EXIT(Alloc(kPoolBlockSize + 1), ::testing::ExitedWithCode(1),
                "Alloc - requested block is bigger than allowed block size");
    EXPECT_EXIT(
        {
            AllocSetPool(nullptr);
            Alloc(4);
        },
        ::testing::ExitedWithCode(1), "Alloc - current memory pool is not initialised");
}

}  // namespace
