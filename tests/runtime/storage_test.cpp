#include "tqusb/runtime/storage.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Storage, ZeroSizeGivesNullReallocateKeepsContentsFreeIsIdempotent) {
  void* p = reinterpret_cast<void*>(1);
  Storage::Allocate(&p, 0);
  EXPECT_EQ(p, nullptr);
  Storage::Allocate(&p, 4);
  std::memcpy(p, "abcd", 4);
  Storage::Reallocate(&p, 1 << 20);
  EXPECT_EQ(std::memcmp(p, "abcd", 4), 0);
  EXPECT_GE(Storage::MemorySize(p), 1u << 20);
  Storage::Reallocate(&p, 0);
  EXPECT_EQ(p, nullptr);
  Storage::Allocate(&p, 8);
  Storage::Free(&p);
  Storage::Free(&p);  // a second free of the same variable is harmless
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
