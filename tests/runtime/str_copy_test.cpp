#include <gtest/gtest.h>

#include <string>

#include "bounded_buffer.h"
#include "tqusb/runtime/str.h"

using namespace std::literals;

namespace {

enum Edit { Copy, Append, Prepend, Insert, Delete, Slice };
const char* const kEditNames[] = {"copy", "append", "prepend", "insert", "delete", "slice"};

void RunEdit(Edit edit, BoundedA& d, BoundedA& s, unsigned pos, unsigned count) {
  switch (edit) {
    case Copy:
      return Str::CopyA(d.high, d.p(), s.high, s.p());
    case Append:
      return Str::AppendA(d.high, d.p(), s.high, s.p());
    case Prepend:
      return Str::PrependA(d.high, d.p(), s.high, s.p());
    case Insert:
      return Str::InsertA(d.high, d.p(), s.high, s.p(), pos);
    case Delete:
      return Str::DeleteA(d.high, d.p(), pos, count);
    case Slice:
      return Str::SliceA(d.high, d.p(), s.high, s.p(), pos, count);
  }
}

// Expected buffers are written as high + 1 places; '#' marks a place the
// operation must not have touched (only the first places.size() are
// compared). Each operation is run into a full buffer, one place short and
// an empty result.
struct EditCase {
  Edit edit;
  unsigned high;
  std::string_view dst, src;
  unsigned pos, count;
  std::string places;
};

TEST(StrCopy, EditsStoreWhatFitsAndTerminateOnlyWhenShort) {
  const EditCase cases[] = {
      {Copy, 3, "", "abcdef", 0, 0, "abcd"},
      {Copy, 3, "", "abc", 0, 0, "abc\0"s},
      {Copy, 3, "", "", 0, 0, "\0###"s},
      {Append, 2, "ab", "xy", 0, 0, "abx"},
      {Append, 2, "abc", "xy", 0, 0, "abc"},
      {Append, 3, "ab", "x", 0, 0, "abx\0"s},
      {Append, 3, "ab", "", 0, 0, "ab\0#"s},
      {Prepend, 3, "cd", "xyz", 0, 0, "xyzc"},
      {Prepend, 4, "cd", "ab", 0, 0, "abcd\0"s},
      {Insert, 3, "abc", "XY", 1, 0, "aXYb"},
      {Insert, 5, "abc", "XY", 1, 0, "aXYbc\0"s},
      {Insert, 5, "abc", "XY", 99, 0, "abcXY\0"s},
      {Insert, 3, "abcd", "X", 4, 0, "abcd"},
      {Insert, 3, "abc", "XYZW", 1, 0, "aXYZ"},
      {Delete, 9, "abcdef", "", 2, 10, "ab\0"s},
      {Delete, 5, "abcdef", "", 6, 1, "abcdef"},
      {Delete, 5, "abcdef", "", 5, 1, "abcde\0"s},
      {Delete, 9, "abcdef", "", 1, 2, "adef\0"s},
      {Slice, 5, "######", "abcdef", 6, 1, "\0#####"s},
      {Slice, 5, "######", "abcdef", 2, 2, "cd\0###"s},
      {Slice, 3, "######", "abcdef", 2, 99, "cdef"},
  };
  for (const auto& c : cases) {
    BoundedA dst(c.high, c.dst);
    auto src = ExactA(c.src);
    RunEdit(c.edit, dst, src, c.pos, c.count);
    EXPECT_EQ(dst.places().substr(0, c.places.size()), c.places)
        << kEditNames[c.edit] << " " << c.dst << " / " << c.src << " @" << c.pos;
  }
}

TEST(StrCopy, OverlappingSourcesMoveLikeMemmove) {
  BoundedA buf(7, "abcdef");
  Str::CopyA(5, buf.p() + 2, 7, buf.p());
  EXPECT_EQ(buf.places(), "ababcdef");
  BoundedA back(7, "abcdef");
  Str::CopyA(7, back.p(), 5, back.p() + 2);
  EXPECT_EQ(back.str(), "cdef");
  BoundedA s(7, "ab");
  auto x = ExactA("xy");
  Str::ConcatA(s.high, s.p(), s.high, s.p(), x.high, x.p());
  EXPECT_EQ(s.str(), "abxy");
  Str::ConcatA(s.high, s.p(), x.high, x.p(), s.high, s.p());
  EXPECT_EQ(s.str(), "xyabxy");
}

TEST(StrCopy, WideFormsWorkUnitForUnitOnNonAsciiUnits) {
  BoundedW dst(2);
  auto src = ExactW(u"\u00e9\u20ac\xD83D\xDE00");
  Str::CopyW(dst.high, dst.p(), src.high, src.p());
  EXPECT_EQ(dst.places(), u"\u00e9\u20ac\xD83D");
  BoundedW app(3, u"\u00e9\u00e8");
  auto tail = ExactW(u"\u20ac\u4e2d");
  Str::AppendW(app.high, app.p(), tail.high, tail.p());
  Str::DeleteW(app.high, app.p(), 1, 1);
  EXPECT_EQ(app.places(), u"\u00e9\u20ac\u4e2d\0"s);
  Str::InsertW(app.high, app.p(), tail.high, tail.p(), 0);
  EXPECT_EQ(app.places(), u"\u20ac\u4e2d\u00e9\u20ac");
}

TEST(StrCopy, ToCAndPascalReportWhetherTheResultFitted) {
  struct Case {
    std::string_view src;
    unsigned high;
    unsigned char toC;
    std::string cPlaces;
    unsigned char toPas;
    std::string pasPlaces;
  };
  const Case cases[] = {
      {"ab", 3, 1, "ab\0#"s, 1,
       "\x02"
       "ab#"},
      {"abc", 3, 1, "abc\0"s, 0, "\0###"s},  // Pascal needs the count place too
      {"abcd", 3, 0, "abcd", 0, "\0###"s},
      {"", 1, 1, "\0#"s, 1, "\0#"s},
  };
  for (const auto& c : cases) {
    auto src = ExactA(c.src);  // a full source buffer without terminator
    BoundedA cs(c.high), pas(c.high, "####"sv);
    EXPECT_EQ(Str::StrToCA(src.high, src.p(), cs.high, cs.p()), c.toC) << c.src;
    EXPECT_EQ(cs.places(), c.cPlaces) << c.src;
    EXPECT_EQ(Str::StrToPasA(src.high, src.p(), pas.high, pas.p()), c.toPas) << c.src;
    EXPECT_EQ(pas.places(), c.pasPlaces) << c.src;
  }
  auto big = ExactA(std::string(300, 'x'));
  BoundedA dst(400);
  EXPECT_EQ(Str::StrToPasA(big.high, big.p(), dst.high, dst.p()), 0);  // count > 255
}

}  // namespace
