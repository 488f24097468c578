#include "tqusb/runtime/lib_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

TEST(LibBlocks, MovesOverlapInBothDirections) {
  char up[] = "abcdefgh", down[] = "abcdefgh";
  Lib::Move(up, up + 2, 5);
  Lib::Move(down + 2, down, 5);
  EXPECT_STREQ(up, "ababcdeh");
  EXPECT_STREQ(down, "cdefgfgh");
  std::vector<std::uint16_t> words = {1, 2, 3, 4, 5, 6};
  Lib::WordMove(words.data(), words.data() + 1, 4);
  EXPECT_EQ(words, (std::vector<std::uint16_t>{1, 1, 2, 3, 4, 6}));
  std::vector<std::uint32_t> longs = {1, 2, 3, 4};
  Lib::LongWordMove(longs.data() + 1, longs.data(), 3);
  EXPECT_EQ(longs, (std::vector<std::uint32_t>{2, 3, 4, 4}));
  EXPECT_EQ(Lib::Compare("abcd", "abXd", 4), 2u);  // the first difference, else the count
  EXPECT_EQ(Lib::Compare("abcd", "abcd", 4), 4u);
}

// The same pattern in bytes and in 16-bit units: elements before the stop.
TEST(LibBlocks, ScansCountElementsBeforeTheStop) {
  struct Case {
    std::string block;
    unsigned char value;
    unsigned long long up, upNe, down, downNe;
  };
  const Case cases[] = {
      {"  ab  ", ' ', 0, 2, 0, 2}, {"xxab", 'x', 0, 2, 2, 0}, {"abcd", 'z', 4, 0, 4, 0},
      {"zzzz", 'z', 0, 4, 0, 4},   {"", 'z', 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.block);
    const char* p = c.block.data();
    const auto n = c.block.size();
    const std::size_t lastAt = n == 0 ? 0 : n - 1;
    EXPECT_EQ(Lib::ScanR(p, n, c.value), c.up);
    EXPECT_EQ(Lib::ScanNeR(p, n, c.value), c.upNe);
    EXPECT_EQ(Lib::ScanL(p + lastAt, n, c.value), c.down);
    EXPECT_EQ(Lib::ScanNeL(p + lastAt, n, c.value), c.downNe);
    std::u16string w(c.block.begin(), c.block.end());
    for (auto& u : w) u = static_cast<char16_t>(u | 0x4E00);
    const auto v = static_cast<char16_t>(c.value | 0x4E00);
    EXPECT_EQ(Lib::WordScanR(w.data(), n, v), c.up);
    EXPECT_EQ(Lib::WordScanNeR(w.data(), n, v), c.upNe);
    EXPECT_EQ(Lib::WordScanL(w.data() + lastAt, n, v), c.down);
    EXPECT_EQ(Lib::WordScanNeL(w.data() + lastAt, n, v), c.downNe);
  }
}

}  // namespace
