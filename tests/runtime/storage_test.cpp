#include "tqusb/runtime/storage.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Storage, ZeroSizeAllocationsGiveNullAndFreeIsIdempotent) {
  void* p = reinterpret_cast<void*>(1);
  Storage::Allocate(&p, 0);
  EXPECT_EQ(p, nullptr);

  Storage::Allocate(&p, 16);
  ASSERT_NE(p, nullptr);
  Storage::Reallocate(&p, 4096);
  ASSERT_NE(p, nullptr);
  Storage::Reallocate(&p, 0);
  EXPECT_EQ(p, nullptr);

  Storage::Allocate(&p, 8);
  Storage::Free(&p);
  EXPECT_EQ(p, nullptr);
  Storage::Free(&p);  // a second free of the same variable is harmless
  EXPECT_EQ(p, nullptr);
}

TEST(Storage, ReallocateKeepsContents) {
  void* p = nullptr;
  Storage::Allocate(&p, 4);
  std::memcpy(p, "abcd", 4);
  Storage::Reallocate(&p, 1 << 20);
  EXPECT_EQ(std::memcmp(p, "abcd", 4), 0);
  Storage::Deallocate(&p, 1 << 20);
  EXPECT_EQ(p, nullptr);
}

TEST(StorageDeathTest, ExhaustionEndsTheProcessWithTheMessage) {
  EXPECT_EXIT(
      {
        void* p = nullptr;
        Storage::Allocate(&p, ~0ull >> 1);
      },
      testing::ExitedWithCode(255), "Critical Error: Not enough memory");
}

TEST(Storage, MoveAllowsOverlapSourceFirst) {
  char buf[] = "abcdef";
  Storage::MemoryMove(buf, buf + 2, 4);
  EXPECT_STREQ(buf, "ababcd");
  Storage::MemoryFill(buf, 3, 'x');
  EXPECT_EQ(std::memcmp(buf, "xxx", 3), 0);
  Storage::MemoryZero(buf, 6);
  EXPECT_EQ(buf[5], 0);
}
