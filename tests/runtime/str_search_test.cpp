#include <gtest/gtest.h>

#include <string>

#include "bounded_buffer.h"
#include "tqusb/runtime/str.h"

using namespace std::literals;

namespace {

constexpr unsigned kNone = Str::NotFound;

struct CompareCase {
  std::string_view a, b;
  int result;
};

TEST(StrSearch, CompareIsOrdinalOnUnsignedValuesAndAPrefixIsLess) {
  const CompareCase cases[] = {
      {"ab", "abc", -1}, {"abc", "abc", 0}, {"", "a", -1}, {"\xff", "a", 1}, {"a\x01", "a", 1},
  };
  for (const auto& c : cases) {
    auto a = ExactA(c.a);
    auto b = ExactA(c.b);
    EXPECT_EQ(Str::CompareA(a.high, a.p(), b.high, b.p()), c.result) << c.a << " ? " << c.b;
    EXPECT_EQ(Str::SameA(a.high, a.p(), b.high, b.p()), c.result == 0 ? 1 : 0);
  }
  auto hi = ExactW(u"\xE000");
  auto lo = ExactW(u"\xD800\xDC00");
  EXPECT_EQ(Str::CompareW(hi.high, hi.p(), lo.high, lo.p()), 1);  // units, not code points
  BoundedW roomy(9, u"\xE000");
  EXPECT_EQ(Str::SameW(hi.high, hi.p(), roomy.high, roomy.p()), 1);
}

TEST(StrSearch, CharacterPositionsStayWithinTheString) {
  BoundedA s(9, "abcabc");
  EXPECT_EQ(Str::CharPosA(s.high, s.p(), '#'), kNone);  // behind the terminator
  EXPECT_EQ(Str::NextCharPosA(s.high, s.p(), 'c', 3), 5u);
  EXPECT_EQ(Str::NextCharPosA(s.high, s.p(), 'c', 99), kNone);
  EXPECT_EQ(Str::RCharPosA(s.high, s.p(), 'a'), 3u);
  auto full = ExactA("xyz");
  EXPECT_EQ(Str::RCharPosA(full.high, full.p(), 'z'), 2u);
  auto w = ExactW(u"\u00e9t\u00e9");
  EXPECT_EQ(Str::CountW(w.high, w.p(), u'\u00e9'), 2u);
}

struct PosCase {
  std::string_view s, sub;
  unsigned start, result;
};

TEST(StrSearch, SubstringPositions) {
  const PosCase cases[] = {
      {"abcabc", "abc", 1, 3},   {"abc", "", 2, 2},   {"", "", 0, kNone},
      {"abc", "abcd", 0, kNone}, {"aab", "ab", 0, 1}, {"abc", "c", 3, kNone},
  };
  for (const auto& c : cases) {
    auto s = ExactA(c.s);
    auto sub = ExactA(c.sub);
    EXPECT_EQ(Str::NextPosA(s.high, s.p(), sub.high, sub.p(), c.start), c.result)
        << c.sub << " in " << c.s << " from " << c.start;
  }
  auto w = ExactW(u"x\u4e2d\u6587\u4e2d");
  auto sub = ExactW(u"\u6587\u4e2d");
  EXPECT_EQ(Str::PosW(w.high, w.p(), sub.high, sub.p()), 2u);
}

struct SubstCase {
  unsigned high;
  std::string_view s, find, repl;
  std::string result;
};

TEST(StrSearch, SubstReplacesTheFirstOccurrenceWithinHigh) {
  const SubstCase cases[] = {
      {20, "hello world", "world", "there", "hello there"},
      {10, "abcb", "b", "XYZ", "aXYZcb"},
      {4, "abcde", "b", "XY", "aXYcd"},
      {4, "abcde", "bcd", "", "ae"},
  };
  for (const auto& c : cases) {
    BoundedA s(c.high, c.s);
    auto find = ExactA(c.find);
    auto repl = ExactA(c.repl);
    Str::SubstA(s.high, s.p(), find.high, find.p(), repl.high, repl.p());
    EXPECT_EQ(s.str(), c.result) << c.s;
  }
}

}  // namespace
