#include <gtest/gtest.h>

#include <string>

#include "bounded_buffer.h"
#include "tqusb/runtime/str.h"

using namespace std::literals;

namespace {

struct ItemCase {
  std::string_view src, seps;
  unsigned n;
  std::string item;
};

TEST(StrItem, SeparatorRunsCountAsOneAndLeadingOnesAreSkipped) {
  const ItemCase cases[] = {
      {",,a,,b", ",", 1, "b"}, {",,a,,b", ",", 2, ""}, {"a b;;c", " ;", 2, "c"},
      {"abc", "", 0, "abc"},   {",,,", ",", 0, ""},    {"x,", ",", 0, "x"},
  };
  for (const auto& c : cases) {
    BoundedA dst(9, "#########"sv);
    auto src = ExactA(c.src);
    auto seps = ExactA(c.seps);
    Str::ItemSA(dst.high, dst.p(), src.high, src.p(), seps.high, seps.p(), c.n);
    EXPECT_EQ(dst.str(), c.item) << c.src << " item " << c.n;
  }
  BoundedA small(2);
  auto src = ExactA("one,three");
  auto comma = ExactA(",");
  Str::ItemSA(small.high, small.p(), src.high, src.p(), comma.high, comma.p(), 1);
  EXPECT_EQ(small.places(), "thr");
}

TEST(StrItem, BitmapSetsAndWideSeparators) {
  unsigned char set[32] = {};
  set['/' >> 3] |= 1 << ('/' & 7);
  set[0xFF >> 3] |= 1 << (0xFF & 7);
  BoundedA dst(9);
  auto src = ExactA(
      "a/b\xff"
      "c");
  Str::ItemA(dst.high, dst.p(), src.high, src.p(), set, 2);
  EXPECT_EQ(dst.str(), "c");

  // Units of 128 or more never belong to a W bitmap, but any unit may be listed.
  unsigned char wset[16] = {};
  wset[' ' >> 3] |= 1 << (' ' & 7);
  BoundedW wdst(9);
  auto wsrc = ExactW(u"\u00e9 x\u20acy");
  Str::ItemW(wdst.high, wdst.p(), wsrc.high, wsrc.p(), wset, 1);
  EXPECT_EQ(wdst.str(), u"x\u20acy");
  auto euro = ExactW(u"\u20ac");
  Str::ItemSW(wdst.high, wdst.p(), wsrc.high, wsrc.p(), euro.high, euro.p(), 1);
  EXPECT_EQ(wdst.str(), u"y");
}

}  // namespace
