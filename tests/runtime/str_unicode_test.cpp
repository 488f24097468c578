#include <gtest/gtest.h>

#include <string>

#include "bounded_buffer.h"
#include "tqusb/runtime/str.h"

using namespace std::literals;

namespace {

struct Utf8Case {
  std::string_view utf8;
  std::u16string_view utf16;
};

TEST(StrUnicode, Utf8ToUtf16ReplacesEachIllFormedSequence) {
  const Utf8Case cases[] = {
      {"a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", u"a\u00e9\u20ac\xD83D\xDE00"},
      {"a\xff"
       "b",
       u"a\xFFFD"
       "b"},
      {"\xe2\x82", u"\xFFFD"},                            // cut by the end
      {"\xe2\x82x", u"\xFFFDx"},                          // cut by another character
      {"\xed\xa0\x80", u"\xFFFD\xFFFD\xFFFD"},            // an encoded surrogate
      {"\xc0\xaf", u"\xFFFD\xFFFD"},                      // overlong
      {"\xf4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // above U+10FFFF
      {"", u""},
  };
  for (const auto& c : cases) {
    auto a = ExactA(c.utf8);
    BoundedW w(15);
    Str::A2U(a.high, a.p(), w.high, w.p());
    EXPECT_EQ(w.str(), c.utf16) << c.utf8;
  }
}

TEST(StrUnicode, Utf16ToUtf8ReplacesLoneSurrogates) {
  const Utf8Case cases[] = {
      {"a\xc3\xa9\xf0\x9f\x98\x80", u"a\u00e9\xD83D\xDE00"},
      {"\xef\xbf\xbdx", u"\xD800x"},
      {"\xef\xbf\xbd\xef\xbf\xbd", u"\xDE00\xD83D"},
      {"x\xef\xbf\xbd", u"x\xDBFF"},
  };
  for (const auto& c : cases) {
    auto w = ExactW(c.utf16);
    BoundedA a(15);
    Str::U2A(w.high, w.p(), a.high, a.p());
    EXPECT_EQ(a.str(), c.utf8);
  }
}

TEST(StrUnicode, ConversionsNeverSplitACharacterAtHigh) {
  auto a = ExactA("a\xf0\x9f\x98\x80");
  BoundedW w1(1), w2(2), w0(0);
  Str::A2U(a.high, a.p(), w1.high, w1.p());
  Str::C_A2U(w2.high, w2.p(), a.high, a.p());
  Str::A2U(a.high, a.p(), w0.high, w0.p());
  EXPECT_EQ(w1.places(), u"a\0"s);
  EXPECT_EQ(w2.places(), u"a\xD83D\xDE00");
  EXPECT_EQ(w0.places(), u"a");

  auto w = ExactW(u"\u00e9\u20ac");
  BoundedA a1(1), a3(3), a4(4);
  Str::U2A(w.high, w.p(), a1.high, a1.p());
  Str::U2A(w.high, w.p(), a3.high, a3.p());
  Str::C_U2A(a4.high, a4.p(), w.high, w.p());
  EXPECT_EQ(a1.places(), "\xc3\xa9");
  EXPECT_EQ(a3.places(), "\xc3\xa9\0#"s);
  EXPECT_EQ(a4.places(), "\xc3\xa9\xe2\x82\xac");  // exactly full: no terminator
}

// The pointer forms count the units needed when given no buffer and stop at
// a character boundary when the buffer is short.
TEST(StrUnicode, PointerFormsCountAndTerminateWhenShort) {
  const char* text = "h\xc3\xa9\xf0\x9f\x98\x80";
  unsigned n = 99;
  Str::A2UP(text, 7, nullptr, &n);
  EXPECT_EQ(n, 4u);
  char16_t w[5] = {u'#', u'#', u'#', u'#', u'#'};
  n = 3;
  Str::A2UP(text, 7, w, &n);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(std::u16string(w, 3), u"h\u00e9\0"s);
  char a[8];
  n = 6;
  Str::U2AP(u"\u00e9\xD83D\xDE00", 3, a, &n);
  EXPECT_EQ(n, 6u);  // exactly full: no terminator
  EXPECT_EQ(std::string(a, 6), "\xc3\xa9\xf0\x9f\x98\x80");
}

struct IsUtf8Case {
  std::string_view bytes;
  unsigned char result;
};

TEST(StrUnicode, IsUtf8AcceptsWellFormedSequencesOnly) {
  const IsUtf8Case cases[] = {
      {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80", 1},
      {"\x80", 0},
      {"\xe2\x82", 0},
      {"\xc3\x28", 0},
      {"\xf8\x88\x80\x80\x80", 0},
      {"\xc0\x80", 0},
      {"\xed\xa0\x80", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Str::IsUTF8(c.bytes.data(), c.bytes.size()), c.result) << c.bytes;
  }
}

}  // namespace
