#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "tqusb/runtime/storage.h"

namespace {

// Three pages: read-write, read-only, inaccessible.
class ProbeTest : public testing::Test {
 protected:
  void SetUp() override {
    page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* m = mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(m, MAP_FAILED);
    base = static_cast<char*>(m);
    std::memset(base, 'x', 2 * page);
    ASSERT_EQ(mprotect(base + page, page, PROT_READ), 0);
    ASSERT_EQ(mprotect(base + 2 * page, page, PROT_NONE), 0);
  }
  void TearDown() override { munmap(base, 3 * page); }
  std::size_t page = 0;
  char* base = nullptr;
};

TEST_F(ProbeTest, ReadWriteAndStringProbesFollowTheProtection) {
  struct Case {
    std::size_t offset, size;
    unsigned char badRead, badWrite, badString;
  };
  const Case cases[] = {
      {0, page, 0, 0, 0},           {0, 2 * page, 0, 1, 0},
      {page + 10, page, 1, 1, 1},    // runs into the inaccessible page
      {2 * page, 0, 0, 0, 0},        // an empty range is never bad
      {2 * page - 10, 10, 0, 1, 0},  // a string of 'x' exactly up to the edge
      {2 * page - 10, 11, 1, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.offset) + "+" + std::to_string(c.size));
    EXPECT_EQ(Storage::TestBadReadPtr(base + c.offset, c.size), c.badRead);
    EXPECT_EQ(Storage::TestBadWritePtr(base + c.offset, c.size), c.badWrite);
    EXPECT_EQ(Storage::TestBadStringPtr(base + c.offset, c.size), c.badString);
  }
  std::memcpy(base + page - 4, "abc", 4);  // terminated before the read-only page
  EXPECT_EQ(Storage::TestBadStringPtr(base + page - 4, 1000), 0);
  EXPECT_EQ(Storage::TestBadReadPtr(nullptr, 1), 1);
  EXPECT_EQ(Storage::TestBadReadPtr(reinterpret_cast<void*>(UINTPTR_MAX - 4), 10), 1);  // wraps
  EXPECT_EQ(Storage::TestBadStringPtr(nullptr, 1), 1);
  EXPECT_EQ(Storage::TestBadWritePtr(const_cast<char*>("literal"), 1), 1);
}

}  // namespace
