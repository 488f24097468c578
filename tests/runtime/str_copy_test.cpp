#include <gtest/gtest.h>

#include <string>

#include "str_test_buffer.h"
#include "tqusb/runtime/str.h"

using namespace std::literals;

namespace {

// Expected buffers are written as all high + 1 places; '#' marks a place the
// operation must not have touched.
struct CopyCase {
  unsigned high;
  std::string_view src;
  std::string places;
};

TEST(StrCopy, StoresAsMuchAsFitsAndTerminatesOnlyWhenShort) {
  const CopyCase cases[] = {
      {3, "abcdef", "abcd"}, {3, "abcd", "abcd"}, {3, "abc", "abc\0"s},
      {3, "", "\0###"s},     {0, "x", "x"},       {0, "", "\0"s},
  };
  for (const auto& c : cases) {
    BoundedA dst(c.high);
    auto src = ExactA(c.src);
    Str::CopyA(dst.high(), dst.p(), src.high(), src.p());
    EXPECT_EQ(dst.places(), c.places) << c.src << " into high " << c.high;
  }
  BoundedA full(3, "abcd");
  EXPECT_EQ(Str::LengthA(full.high(), full.p()), 4u);
}

TEST(StrCopy, OverlappingCopyMovesLikeMemmove) {
  BoundedA buf(7, "abcdef");
  Str::CopyA(5, buf.p() + 2, 7, buf.p());
  EXPECT_EQ(buf.places(), "ababcdef");
  BoundedA back(7, "abcdef");
  Str::CopyA(7, back.p(), 5, back.p() + 2);
  EXPECT_EQ(back.str(), "cdef");
}

TEST(StrCopy, WideFormCopiesNonAsciiUnitsUnchanged) {
  BoundedW dst(2);
  auto src = ExactW(u"\u00e9\u20ac\xD83D\xDE00");
  Str::CopyW(dst.high(), dst.p(), src.high(), src.p());
  EXPECT_EQ(dst.places(), u"\u00e9\u20ac\xD83D");
  EXPECT_EQ(Str::LengthW(dst.high(), dst.p()), 3u);
}

struct BuildCase {
  unsigned high;
  std::string_view dst, src;
  std::string places;
};

TEST(StrCopy, AppendStopsAtHighAndLeavesFullBuffersAlone) {
  const BuildCase cases[] = {
      {2, "ab", "xy", "abx"},  {2, "abc", "xy", "abc"},   {3, "ab", "x", "abx\0"s},
      {3, "ab", "", "ab\0#"s}, {3, "", "abcdef", "abcd"},
  };
  for (const auto& c : cases) {
    BoundedA dst(c.high, c.dst);
    auto src = ExactA(c.src);
    Str::AppendA(dst.high(), dst.p(), src.high(), src.p());
    EXPECT_EQ(dst.places(), c.places) << c.dst << " + " << c.src;
  }
}

TEST(StrCopy, PrependKeepsTheHeadOfTheResult) {
  const BuildCase cases[] = {
      {3, "cd", "ab", "abcd"},    {3, "cd", "xyz", "xyzc"}, {3, "cd", "abcdef", "abcd"},
      {4, "cd", "ab", "abcd\0"s}, {3, "cd", "", "cd\0#"s},
  };
  for (const auto& c : cases) {
    BoundedA dst(c.high, c.dst);
    auto src = ExactA(c.src);
    Str::PrependA(dst.high(), dst.p(), src.high(), src.p());
    EXPECT_EQ(dst.places(), c.places) << c.src << " + " << c.dst;
  }
}

TEST(StrCopy, ConcatCutsAndMayWriteOverEitherSource) {
  const BuildCase cases[] = {
      {3, "ab", "cd", "abcd"}, {3, "ab", "cde", "abcd"}, {4, "ab", "cd", "abcd\0"s},
      {1, "abc", "d", "ab"},   {3, "", "", "\0###"s},
  };
  for (const auto& c : cases) {
    BoundedA dst(c.high);
    auto a = ExactA(c.dst);
    auto b = ExactA(c.src);
    Str::ConcatA(dst.high(), dst.p(), a.high(), a.p(), b.high(), b.p());
    EXPECT_EQ(dst.places(), c.places) << c.dst << " . " << c.src;
  }
  BoundedA s(7, "ab");
  auto x = ExactA("xy");
  Str::ConcatA(s.high(), s.p(), s.high(), s.p(), x.high(), x.p());
  EXPECT_EQ(s.str(), "abxy");
  Str::ConcatA(s.high(), s.p(), x.high(), x.p(), s.high(), s.p());
  EXPECT_EQ(s.str(), "xyabxy");
}

struct EditCase {
  unsigned high;
  std::string_view dst, src;
  unsigned pos, count;
  std::string places;
};

TEST(StrCopy, InsertClampsPositionAndDropsWhatIsPushedPastHigh) {
  const EditCase cases[] = {
      {3, "abc", "XY", 1, 0, "aXYb"},      {5, "abc", "XY", 1, 0, "aXYbc\0"s},
      {5, "abc", "XY", 99, 0, "abcXY\0"s}, {3, "abcd", "X", 4, 0, "abcd"},
      {4, "abc", "XY", 0, 0, "XYabc"},     {3, "abc", "XYZW", 1, 0, "aXYZ"},
      {3, "abc", "", 1, 0, "abc\0"s},      {3, "abc", "XY", 3, 0, "abcX"},
  };
  for (const auto& c : cases) {
    BoundedA dst(c.high, c.dst);
    auto src = ExactA(c.src);
    Str::InsertA(dst.high(), dst.p(), src.high(), src.p(), c.pos);
    EXPECT_EQ(dst.places(), c.places) << c.src << " at " << c.pos;
  }
}

TEST(StrCopy, DeleteAtAndPastTheEnds) {
  const EditCase cases[] = {
      {9, "abcdef", "", 2, 10, "ab"},    {9, "abcdef", "", 6, 1, "abcdef"},
      {9, "abcdef", "", 2, 0, "abcdef"}, {9, "abcdef", "", 1, 2, "adef"},
      {5, "abcdef", "", 0, 1, "bcdef"},  {5, "abcdef", "", 5, 1, "abcde"},
  };
  for (const auto& c : cases) {
    BoundedA s(c.high, c.dst);
    Str::DeleteA(s.high(), s.p(), c.pos, c.count);
    EXPECT_EQ(s.str(), c.places) << c.pos << "," << c.count;
  }
}

TEST(StrCopy, SliceAtAndPastTheEnds) {
  const EditCase cases[] = {
      {5, "", "abcdef", 6, 1, "\0#####"s}, {5, "", "abcdef", 99, 1, "\0#####"s},
      {5, "", "abcdef", 2, 2, "cd\0###"s}, {3, "", "abcdef", 2, 99, "cdef"},
      {1, "", "abcdef", 0, 5, "ab"},       {3, "", "abcdef", 5, 1, "f\0##"s},
  };
  for (const auto& c : cases) {
    BoundedA dst(c.high, "######"sv);
    auto src = ExactA(c.src);
    Str::SliceA(dst.high(), dst.p(), src.high(), src.p(), c.pos, c.count);
    EXPECT_EQ(dst.places(), c.places) << c.pos << "," << c.count;
  }
}

struct ResultCase {
  std::string_view src;
  unsigned high;
  unsigned char result;
  std::string places;
};

TEST(StrCopy, StrToCReportsWhetherTheTerminatorFitted) {
  const ResultCase cases[] = {
      {"abc", 3, 1, "abc\0"s},
      {"abcd", 3, 0, "abcd"},
      {"", 0, 1, "\0"s},
      {"abcdef", 1, 0, "ab"},
  };
  for (const auto& c : cases) {
    BoundedA dst(c.high);
    auto src = ExactA(c.src);  // a full source buffer without terminator
    EXPECT_EQ(Str::StrToCA(src.high(), src.p(), dst.high(), dst.p()), c.result) << c.src;
    EXPECT_EQ(dst.places(), c.places) << c.src;
  }
}

TEST(StrCopy, StrToPasAcceptsAtMostHighMinusOneCharacters) {
  const ResultCase cases[] = {
      {"ab", 3, 1,
       "\x02"
       "ab#"},
      {"abc", 3, 0, "\0###"s},
      {"", 1, 1, "\0#"s},
      {"a", 0, 0, "\0"s},
  };
  for (const auto& c : cases) {
    BoundedA dst(c.high, "####"sv);
    auto src = ExactA(c.src);
    EXPECT_EQ(Str::StrToPasA(src.high(), src.p(), dst.high(), dst.p()), c.result) << c.src;
    EXPECT_EQ(dst.places(), c.places) << c.src;
  }
  std::string big(300, 'x');
  BoundedA dst(400);
  auto src = ExactA(big);
  EXPECT_EQ(Str::StrToPasA(src.high(), src.p(), dst.high(), dst.p()), 0);  // count > 255
}

TEST(StrCopy, WideBuildersWorkUnitForUnit) {
  BoundedW dst(3, u"\u00e9\u00e8");
  auto src = ExactW(u"\u20ac\u4e2d");
  Str::AppendW(dst.high(), dst.p(), src.high(), src.p());
  EXPECT_EQ(dst.places(), u"\u00e9\u00e8\u20ac\u4e2d");
  Str::DeleteW(dst.high(), dst.p(), 1, 1);
  EXPECT_EQ(dst.places(), u"\u00e9\u20ac\u4e2d\0"s);
  Str::InsertW(dst.high(), dst.p(), src.high(), src.p(), 0);
  EXPECT_EQ(dst.places(), u"\u20ac\u4e2d\u00e9\u20ac");
  BoundedW pas(3, u"####");
  EXPECT_EQ(Str::StrToPasW(src.high(), src.p(), pas.high(), pas.p()), 1);
  EXPECT_EQ(pas.places(), u"\x0002\u20ac\u4e2d#");
}

}  // namespace
