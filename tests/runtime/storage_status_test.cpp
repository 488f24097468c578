#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "runtime/memory_map.h"
#include "tqusb/runtime/storage.h"

namespace {

TEST(StorageStatus, MemorySizeCoversTheAllocation) {
  EXPECT_EQ(Storage::MemorySize(nullptr), 0u);
  void* p = nullptr;
  Storage::Allocate(&p, 100);
  EXPECT_GE(Storage::MemorySize(p), 100u);
  Storage::Reallocate(&p, 5000);
  EXPECT_GE(Storage::MemorySize(p), 5000u);
  Storage::Free(&p);
}

TEST(StorageStatus, MemoryStatusIsConsistent) {
  Storage::TMemoryStatus status;
  std::memset(&status, 0xAB, sizeof status);
  Storage::GetMemoryStatus(&status);
  EXPECT_GT(status.TotalPhys, 0u);
  EXPECT_LE(status.AvailPhys, status.TotalPhys);
  EXPECT_LE(status.MemoryLoad, 100u);
  EXPECT_GE(status.TotalPageFile, status.TotalPhys);
  EXPECT_LE(status.AvailPageFile, status.TotalPageFile);
  EXPECT_GT(status.TotalVirtual, 0u);
  EXPECT_LE(status.AvailVirtual, status.TotalVirtual);
  Storage::GetMemoryStatus(nullptr);
  Storage::InitModule();
}

TEST(MemoryMap, ParsesRangesAndPermissions) {
  const auto map = runtime::ParseMemoryMap(
      "7f0000002000-7f0000003000 rw-p 00000000 00:00 0\n"
      "garbage line\n"
      "55aa00000000-55aa00001000 r-xp 00000000 08:01 123 /usr/bin/prog\n"
      "7f0000001000-7f0000002000 ---p 00000000 00:00 0 \n"
      "7f0000009000-7f0000008000 rw-p 00000000 00:00 0\n"  // end before start
      "7f000000a000-7f000000b000 -w-p 00000000 00:00 0");
  ASSERT_EQ(map.size(), 4u);
  EXPECT_EQ(map[0].start, 0x55aa00000000u);  // sorted by address
  EXPECT_TRUE(map[0].readable);
  EXPECT_FALSE(map[0].writable);
  EXPECT_FALSE(map[1].readable);
  EXPECT_EQ(map[2].end, 0x7f0000003000u);
  EXPECT_TRUE(map[2].writable);
  EXPECT_FALSE(map[3].readable);
  EXPECT_TRUE(map[3].writable);

  struct Case {
    std::uintptr_t p;
    std::uint64_t size;
    bool write;
    bool ok;
  };
  const Case cases[] = {
      {0x7f0000002000, 0x1000, true, true},
      {0x7f0000002fff, 1, false, true},
      {0x7f0000001fff, 2, false, false},       // starts in the inaccessible range
      {0x7f0000002800, 0x1000, false, false},  // runs past the end into a gap
      {0x55aa00000000, 0x10, true, false},     // read-only
      {0x1000, 0, false, true},                // empty range
      {UINTPTR_MAX - 4, 10, false, false},     // wraps around
  };
  for (const Case& c : cases) {
    EXPECT_EQ(runtime::RangeAccessible(map, c.p, c.size, c.write), c.ok) << std::hex << c.p;
  }
}

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

TEST_F(ProbeTest, ReadAndWriteFollowTheProtection) {
  struct Case {
    std::size_t offset, size;
    unsigned char badRead, badWrite;
  };
  const Case cases[] = {
      {0, page, 0, 0},     {0, 2 * page, 0, 1},      // the second page is read-only
      {page, page, 0, 1},  {page + 10, page, 1, 1},  // runs into the inaccessible page
      {2 * page, 1, 1, 1}, {2 * page, 0, 0, 0},      // an empty range is never bad
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.offset) + "+" + std::to_string(c.size));
    EXPECT_EQ(Storage::TestBadReadPtr(base + c.offset, c.size), c.badRead);
    EXPECT_EQ(Storage::TestBadWritePtr(base + c.offset, c.size), c.badWrite);
  }
  EXPECT_EQ(Storage::TestBadReadPtr(nullptr, 1), 1);
  EXPECT_EQ(Storage::TestBadWritePtr(nullptr, 1), 1);
  int local = 0;
  EXPECT_EQ(Storage::TestBadWritePtr(&local, sizeof local), 0);
  EXPECT_EQ(Storage::TestBadWritePtr(const_cast<char*>("literal"), 1), 1);
  EXPECT_EQ(Storage::TestBadReadPtr("literal", 8), 0);
}

TEST_F(ProbeTest, StringsAreCheckedUpToTheirTerminator) {
  char* end = base + 2 * page;  // the inaccessible page starts here
  // "abc" and its terminator right before the inaccessible page.
  std::memcpy(base + page - 4, "abc", 4);  // first page is still writable
  EXPECT_EQ(Storage::TestBadStringPtr(base + page - 4, 1000), 0);
  // A run of 'x' up to the inaccessible page with no terminator.
  EXPECT_EQ(Storage::TestBadStringPtr(end - 10, 5), 0);   // stops after size bytes
  EXPECT_EQ(Storage::TestBadStringPtr(end - 10, 10), 0);  // exactly up to the edge
  EXPECT_EQ(Storage::TestBadStringPtr(end - 10, 11), 1);
  EXPECT_EQ(Storage::TestBadStringPtr(base + page, 2 * page), 1);  // no terminator before
  EXPECT_EQ(Storage::TestBadStringPtr(end, 0), 0);
  EXPECT_EQ(Storage::TestBadStringPtr(nullptr, 1), 1);
  EXPECT_EQ(Storage::TestBadStringPtr("", 100), 0);
}

}  // namespace
