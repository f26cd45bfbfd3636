// The size rules of the private heap and the allocation-failure hook.
#include "runtime/heap/heap.h"

#include <cstring>
#include <gtest/gtest.h>

#include "runtime/handles/handles.h"

namespace lnc {
namespace {

class HeapTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(create_process_heap());
        fail_allocation_after(0);
    }
    void TearDown() override { fail_allocation_after(0); }
};

TEST_F(HeapTest, BlockSizeIsTheSizeAskedFor) {
    for (std::size_t size : {1u, 7u, 16u, 17u, 4096u, 100000u}) {
        void* block = allocate(size);
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(block_size(block), size);
        std::memset(block, 0xA5, size); // the whole size is usable
        release(block);
    }
}

TEST_F(HeapTest, ZeroBytesBecomeOneByteDistinctBlocks) {
    void* first = allocate(0);
    void* second = allocate(0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(block_size(first), 1u);
    static_cast<char*>(first)[0] = 'x';
    release(first);
    release(second);
}

TEST_F(HeapTest, ZeroedBlocksAreZeroAndCountTimesSize) {
    auto* block = static_cast<unsigned char*>(allocate_zeroed(100, 12));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block_size(block), 1200u);
    for (int i = 0; i < 1200; ++i) {
        ASSERT_EQ(block[i], 0) << "byte " << i;
    }
    release(block);
    void* empty = allocate_zeroed(0, 8);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(block_size(empty), 1u);
    release(empty);
}

TEST_F(HeapTest, RequestsAboveTheLargestFailWithNoMemory) {
    error_code = 0;
    EXPECT_EQ(allocate(LARGEST_REQUEST + 1), nullptr);
    EXPECT_EQ(error_code, 12);
    EXPECT_EQ(allocate_zeroed(0x10000, 0x10000), nullptr); // 2^32 bytes
    EXPECT_EQ(allocate_zeroed(SIZE_MAX / 2, 4), nullptr);  // the product overflows
    void* block = allocate(8);
    std::memcpy(block, "abcdefg", 8);
    EXPECT_EQ(reallocate(block, LARGEST_REQUEST + 1), nullptr);
    EXPECT_STREQ(static_cast<char*>(block), "abcdefg"); // the old block is untouched
    EXPECT_EQ(block_size(block), 8u);
    release(block);
}

TEST_F(HeapTest, ReallocateKeepsContentsAndTellsTheNewSize) {
    auto* block = static_cast<char*>(allocate(4));
    std::memcpy(block, "abc", 4);
    block = static_cast<char*>(reallocate(block, 5000));
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "abc");
    EXPECT_EQ(block_size(block), 5000u);
    block = static_cast<char*>(reallocate(block, 2));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::memcmp(block, "ab", 2), 0);
    EXPECT_EQ(block_size(block), 2u);
    release(block);
}

TEST_F(HeapTest, ReallocateOfNullAllocatesAndOfZeroReleases) {
    void* block = reallocate(nullptr, 24);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block_size(block), 24u);
    // The sanitizer build reports a leak if the block survives.
    EXPECT_EQ(reallocate(block, 0), nullptr);
    release(nullptr);
    EXPECT_EQ(block_size(nullptr), 0u);
}

TEST_F(HeapTest, TheChosenAllocationFailsOnce) {
    fail_allocation_after(3);
    void* first = allocate(10);
    void* second = allocate_zeroed(2, 5);
    error_code = 0;
    void* third = allocate(10);
    void* fourth = allocate(10);
    EXPECT_NE(first, nullptr);
    EXPECT_NE(second, nullptr);
    EXPECT_EQ(third, nullptr);
    EXPECT_EQ(error_code, 12);
    EXPECT_NE(fourth, nullptr);
    release(first);
    release(second);
    release(fourth);
}

TEST_F(HeapTest, AFailedReallocationLeavesTheBlock) {
    auto* block = static_cast<char*>(allocate(6));
    std::memcpy(block, "kept!", 6);
    fail_allocation_after(1);
    EXPECT_EQ(reallocate(block, 600), nullptr);
    EXPECT_STREQ(block, "kept!");
    EXPECT_EQ(block_size(block), 6u);
    release(block);
}

TEST_F(HeapTest, ZeroDisarmsTheHook) {
    fail_allocation_after(1);
    fail_allocation_after(0);
    void* block = allocate(1);
    EXPECT_NE(block, nullptr);
    release(block);
}

} // namespace
} // namespace lnc
