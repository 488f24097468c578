#include <gtest/gtest.h>

#include <string>

#include "bounded_buffer.h"
#include "tqusb/runtime/str.h"

using namespace std::literals;

namespace {

struct TrimCase {
  unsigned high;
  std::string_view s;
  std::string left, right, both;
};

TEST(StrTrim, RemovesOnlyTabLineFeedReturnAndSpace) {
  const TrimCase cases[] = {
      {9, " \tab c\r\n", "ab c\r\n", " \tab c", "ab c"},
      {9, " \t\r\n", "", "", ""},
      {9, "\fab\f", "\fab\f", "\fab\f", "\fab\f"},
      {3, " ab ", "ab ", " ab", "ab"},  // a full buffer without terminator
  };
  for (const auto& c : cases) {
    BoundedA l(c.high, c.s), r(c.high, c.s), b(c.high, c.s);
    Str::LTrimA(l.high, l.p());
    Str::RTrimA(r.high, r.p());
    Str::TrimA(b.high, b.p());
    EXPECT_EQ(l.str(), c.left) << c.s;
    EXPECT_EQ(r.str(), c.right) << c.s;
    EXPECT_EQ(b.str(), c.both) << c.s;
  }
  BoundedA untouched(3);
  Str::TrimA(untouched.high, untouched.p());
  EXPECT_EQ(untouched.places(), "\0###"s);
  BoundedW w(4, u" \u00e9\u3000 ");
  Str::TrimW(w.high, w.p());
  EXPECT_EQ(w.str(), u"\u00e9\u3000");  // the ideographic space is no blank
}

struct PadCase {
  unsigned high;
  std::string_view s;
  unsigned width;
  std::string left, right;
};

TEST(StrTrim, PaddingStopsAtWidthOrHigh) {
  const PadCase cases[] = {
      {5, "ab", 4, "00ab\0#"s, "ab00\0#"s},
      {5, "ab", 99, "0000ab", "ab0000"},
      {1, "ab", 5, "ab", "ab"},
  };
  for (const auto& c : cases) {
    BoundedA l(c.high, c.s), r(c.high, c.s);
    Str::LPadChA(l.high, l.p(), c.width, '0');
    Str::RPadChA(r.high, r.p(), c.width, '0');
    EXPECT_EQ(l.places(), c.left) << c.s << " to " << c.width;
    EXPECT_EQ(r.places(), c.right) << c.s << " to " << c.width;
  }
  BoundedW w(2, u"x");
  Str::LPadChW(w.high, w.p(), 9, u'\u00b7');
  EXPECT_EQ(w.places(), u"\u00b7\u00b7x");
}

// Eight-bit forms change ASCII letters only; W forms map non-ASCII units in the locale.
TEST(StrCase, CaseMappings) {
  ScopedLocale utf8(LC_CTYPE, "C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  BoundedA a(12, "abc-XYZ-\xc3\xa9");
  Str::CapsA(a.high, a.p());
  EXPECT_EQ(a.str(), "ABC-XYZ-\xc3\xa9");
  EXPECT_EQ(Str::CapA('\xe9'), '\xe9');
  BoundedW s(3, u"\u00e9\u03c9a\xD801");  // full: no terminator to stop at
  Str::CapsW(s.high, s.p());
  EXPECT_EQ(s.places(), u"\u00c9\u03a9A\xD801");
  Str::LowsW(s.high, s.p());
  EXPECT_EQ(s.places(), u"\u00e9\u03c9a\xD801");
  EXPECT_EQ(Str::LowW(u'\u0416'), u'\u0436');
}

}  // namespace
