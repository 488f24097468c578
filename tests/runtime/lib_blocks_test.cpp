#include "tqusb/runtime/lib_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

TEST(LibBlocks, MovesOverlapInBothDirections) {
  char up[] = "abcdefgh";
  Lib::Move(up, up + 2, 5);
  EXPECT_STREQ(up, "ababcdeh");
  char down[] = "abcdefgh";
  Lib::Move(down + 2, down, 5);
  EXPECT_STREQ(down, "cdefgfgh");

  std::uint16_t words[6] = {1, 2, 3, 4, 5, 6};
  Lib::WordMove(words, words + 1, 4);
  const std::uint16_t wordsAfter[6] = {1, 1, 2, 3, 4, 6};
  EXPECT_EQ(std::memcmp(words, wordsAfter, sizeof(words)), 0);
  std::uint32_t longs[4] = {1, 2, 3, 4};
  Lib::LongWordMove(longs + 1, longs, 3);
  const std::uint32_t longsAfter[4] = {2, 3, 4, 4};
  EXPECT_EQ(std::memcmp(longs, longsAfter, sizeof(longs)), 0);
}

TEST(LibBlocks, FillsNeedNoAlignment) {
  unsigned char bytes[11] = {};
  Lib::WordFill(bytes + 1, 2, 0xBEEF);
  Lib::LongWordFill(bytes + 5, 1, 0x01020304);
  Lib::Fill(bytes + 9, 2, 0x7F);
  std::uint16_t w;
  std::uint32_t l;
  std::memcpy(&w, bytes + 3, 2);
  std::memcpy(&l, bytes + 5, 4);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(w, 0xBEEF);
  EXPECT_EQ(l, 0x01020304u);
  EXPECT_EQ(bytes[10], 0x7F);
  Lib::Fill(bytes, 0, 0xFF);
  EXPECT_EQ(bytes[0], 0);
}

TEST(LibBlocks, CompareGivesTheFirstDifferenceOrTheCount) {
  EXPECT_EQ(Lib::Compare("abcd", "abcd", 4), 4u);
  EXPECT_EQ(Lib::Compare("abcd", "abXd", 4), 2u);
  EXPECT_EQ(Lib::Compare("a", "b", 0), 0u);
  const char16_t a[] = u"\u00e9\u20acx", b[] = u"\u00e9\u20ad";
  EXPECT_EQ(Lib::WordCompare(a, b, 2), 1u);
  EXPECT_EQ(Lib::WordCompare(a, a, 3), 3u);
}

struct ScanCase {
  std::string block;
  unsigned char value;
  unsigned long long up, upNe, down, downNe;
};

TEST(LibBlocks, ScansCountElementsBeforeTheStop) {
  const ScanCase cases[] = {
      {"  ab  ", ' ', 0, 2, 0, 2}, {"xxab", 'x', 0, 2, 2, 0}, {"abcd", 'z', 4, 0, 4, 0},
      {"zzzz", 'z', 0, 4, 0, 4},   {"", 'z', 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    const char* p = c.block.data();
    auto n = c.block.size();
    const char* last = n == 0 ? p : p + n - 1;
    EXPECT_EQ(Lib::ScanR(p, n, c.value), c.up) << c.block;
    EXPECT_EQ(Lib::ScanNeR(p, n, c.value), c.upNe) << c.block;
    EXPECT_EQ(Lib::ScanL(last, n, c.value), c.down) << c.block;
    EXPECT_EQ(Lib::ScanNeL(last, n, c.value), c.downNe) << c.block;

    std::u16string wide(c.block.begin(), c.block.end());
    for (auto& u : wide) u = static_cast<char16_t>(u | 0x4E00);  // same pattern, 16-bit units
    char16_t v = static_cast<char16_t>(c.value | 0x4E00);
    const char16_t* wlast = n == 0 ? wide.data() : wide.data() + n - 1;
    EXPECT_EQ(Lib::WordScanR(wide.data(), n, v), c.up) << c.block;
    EXPECT_EQ(Lib::WordScanNeR(wide.data(), n, v), c.upNe) << c.block;
    EXPECT_EQ(Lib::WordScanL(wlast, n, v), c.down) << c.block;
    EXPECT_EQ(Lib::WordScanNeL(wlast, n, v), c.downNe) << c.block;
  }
}

}  // namespace
