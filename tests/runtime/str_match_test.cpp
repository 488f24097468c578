#include <gtest/gtest.h>

#include <string>

#include "bounded_buffer.h"
#include "tqusb/runtime/str.h"

namespace {

struct MatchCase {
  std::string_view s, pat;
  unsigned char ignoringCase, exact;
};

TEST(StrMatch, WildcardsWithBacktracking) {
  const MatchCase cases[] = {
      {"Camera.ini", "*.INI", 1, 0},
      {"anything", "", 1, 1},
      {"", "?", 0, 0},
      {"", "**", 1, 1},
      {"abcbcd", "a*bcd", 1, 1},
      {"abcbc", "a*bcd", 0, 0},
      {"a", "a?", 0, 0},
      {"abcd", "abc", 0, 0},
      {"x", "*?*?", 0, 0},
      {"mississippi", "m*iss*ppi", 1, 1},
      {"aaab", "*a?b", 1, 1},
  };
  for (const auto& c : cases) {
    auto s = ExactA(c.s);
    auto pat = ExactA(c.pat);
    EXPECT_EQ(Str::MatchA(s.high, s.p(), pat.high, pat.p()), c.ignoringCase)
        << c.s << " ~ " << c.pat;
    EXPECT_EQ(Str::MatchCSA(s.high, s.p(), pat.high, pat.p()), c.exact)
        << c.s << " ~ " << c.pat;
  }
}

TEST(StrMatch, ManyStarsDoNotBlowUp) {
  auto s = ExactA(std::string(4000, 'a'));
  std::string pattern;
  for (int i = 0; i < 2000; ++i) pattern += "*a";
  pattern += "b";
  auto pat = ExactA(pattern);
  EXPECT_EQ(Str::MatchA(s.high, s.p(), pat.high, pat.p()), 0);
}

TEST(StrMatch, WideFormsFoldNonAsciiUnits) {
  ScopedLocale utf8(LC_CTYPE, "C.UTF-8");
  ASSERT_TRUE(utf8.ok());
  auto s = ExactW(u"\u00c9cole");
  auto pat = ExactW(u"\u00e9*E");
  EXPECT_EQ(Str::MatchW(s.high, s.p(), pat.high, pat.p()), 1);
  EXPECT_EQ(Str::MatchCSW(s.high, s.p(), pat.high, pat.p()), 0);
}

struct FindCase {
  std::string_view s, pat;
  unsigned char result;
  Str::PosLen first, second;
};

TEST(StrMatch, FindSubStrCapturesWhatEachWildcardMatched) {
  constexpr Str::PosLen kUnset{Str::NotFound, Str::NotFound};
  const FindCase cases[] = {
      {"file123.txt", "file*.t?t", 1, {4, 3}, {9, 1}},
      {"xxfILE9", "fIle?", 1, {6, 1}, kUnset},
      {"xxFILE9", "fIle?", 0, kUnset, kUnset},  // the leading literal is looked up exactly
      {"abc", "", 1, {0, 0}, kUnset},
      {"", "*", 0, kUnset, kUnset},
      {"abc", "a*z", 0, kUnset, kUnset},
      {"key=value", "*=*", 1, {0, 3}, {4, 5}},
      {"ab", "a*", 1, {1, 1}, kUnset},
  };
  for (const auto& c : cases) {
    auto s = ExactA(c.s);
    auto pat = ExactA(c.pat);
    Str::PosLen pl[3] = {{7, 7}, {7, 7}, {7, 7}};
    EXPECT_EQ(Str::FindSubStrA(s.high, s.p(), pat.high, pat.p(), 2, pl), c.result)
        << c.s << " ~ " << c.pat;
    EXPECT_EQ(pl[0].Pos, c.first.Pos) << c.pat;
    EXPECT_EQ(pl[0].Len, c.first.Len) << c.pat;
    EXPECT_EQ(pl[1].Pos, c.second.Pos) << c.pat;
    EXPECT_EQ(pl[1].Len, c.second.Len) << c.pat;
    EXPECT_EQ(pl[2].Pos, Str::NotFound) << c.pat;
  }
  // More wildcards than records: the match goes on, the extra captures are dropped.
  auto s = ExactW(u"a\u00e9c");
  auto pat = ExactW(u"??*");
  Str::PosLen one[1];
  EXPECT_EQ(Str::FindSubStrW(s.high, s.p(), pat.high, pat.p(), 0, one), 1);
  EXPECT_EQ(one[0].Pos, 0u);
  EXPECT_EQ(one[0].Len, 1u);
}

}  // namespace
