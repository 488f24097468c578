#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "runtime/bounded_buffer.h"
#include "tqusb/runtime/str_convert.h"


namespace {

constexpr unsigned kWhole = ~0u;  // high index: the text's own terminator ends it

template <typename T>
struct ParseCase {
  const char* text;
  unsigned base;
  T value;
  int ok;
  unsigned high = kWhole;
};

unsigned HighOf(const std::string& text, unsigned high) {
  return high == kWhole ? static_cast<unsigned>(text.size()) : high;
}

// Runs one parse table through the A and the W form of an operation.
template <typename T, typename FA, typename FW>
void CheckParse(const std::vector<ParseCase<T>>& cases, FA parseA, FW parseW) {
  for (const auto& c : cases) {
    const std::string text = c.text;
    const unsigned high = HighOf(text, c.high);
    unsigned char ok = 7;
    EXPECT_EQ(parseA(high, text.c_str(), c.base, &ok), c.value)
        << "A '" << text << "' base " << c.base;
    EXPECT_EQ(ok, c.ok) << "A '" << text << "' base " << c.base;
    const std::u16string wide = Widen(text);
    ok = 7;
    EXPECT_EQ(parseW(high, wide.c_str(), c.base, &ok), c.value) << "W '" << text << "'";
    EXPECT_EQ(ok, c.ok) << "W '" << text << "'";
  }
}

TEST(ConvIntParse, Card32) {
  CheckParse<unsigned>(
      {
          {"4294967295", 10, 4294967295u, 1},
          {"4294967297", 10, 1, 0},
          {"FFFFFFFF", 16, 4294967295u, 1},
          {"100000000", 16, 0, 0},
          {"12", 2, 4, 0},    // digit 2 is out of range but accumulated
          {"101", 0, 5, 1},   // base clamped up to 2
          {"F", 99, 15, 1},   // base clamped down to 16
          {":", 16, 255, 0},  // the gap between '9' and 'A' is no digit
          {"", 10, 0, 0},
          {"12x", 10, 12, 0},
          {" 12", 10, 0, 0},
          {"-5", 10, 5, 0},           // unsigned refuses the sign, keeps the magnitude
          {"123456", 10, 123, 1, 2},  // the buffer ends without terminator
          {"-7", 10, 0, 0, 0},        // a sign filling the whole buffer
      },
      Str::StrToCardA, Str::StrToCardW);
}

TEST(ConvIntParse, Int32) {
  CheckParse<int>(
      {
          {"-5", 10, -5, 1},
          {"2147483647", 10, INT_MAX, 1},
          {"-2147483647", 10, -INT_MAX, 1},
          {"-2147483648", 10, INT_MIN, 0},  // magnitude above 0x7FFFFFFF
          {"2147483648", 10, INT_MIN, 0},
          {"-7FFFFFFF", 16, -INT_MAX, 1},
          {"-12x", 10, -12, 0},
          {"4294967296", 10, 0, 0},
      },
      Str::StrToIntA, Str::StrToIntW);
}

TEST(ConvIntParse, Card64AndPtr) {
  const std::vector<ParseCase<unsigned long long>> cases = {
      {"18446744073709551615", 10, ULLONG_MAX, 1},
      {"18446744073709551616", 10, 0, 0},  // exactly 2^64
      {"10000000000000000", 16, 0, 0},
      {"-1", 10, 1, 0},
      {"1111111111111111111111111111111111111111111111111111111111111111", 2, ULLONG_MAX, 1},
  };
  CheckParse(cases, Str::StrToCard64A, Str::StrToCard64W);
  CheckParse(cases, Str::StrToCardPtrA, Str::StrToCardPtrW);
}

TEST(ConvIntParse, Int64AndPtr) {
  const std::vector<ParseCase<long long>> cases = {
      {"9223372036854775807", 10, LLONG_MAX, 1},
      {"-9223372036854775807", 10, -LLONG_MAX, 1},
      {"-9223372036854775808", 10, LLONG_MIN, 0},
      {"9223372036854775808", 10, LLONG_MIN, 0},
      {"-ff", 16, -255, 1},
  };
  CheckParse(cases, Str::StrToInt64A, Str::StrToInt64W);
  CheckParse(cases, Str::StrToIntPtrA, Str::StrToIntPtrW);
}

template <typename T>
struct FormatCase {
  T value;
  unsigned base;
  std::string text;
  int ok;
  unsigned high = kRoomy;
  bool terminated = true;
};

// Runs one format table through the A and W form; also checks that nothing
// is written behind the high index.
template <typename T, typename FA, typename FW>
void CheckFormat(const std::vector<FormatCase<T>>& cases, FA formatA, FW formatW) {
  for (const auto& c : cases) {
    Buffer<char> a(c.high);
    unsigned char ok = 7;
    formatA(c.value, c.high, a.p(), c.base, &ok);
    EXPECT_EQ(a.Text(), c.text) << "A " << c.value << " base " << c.base;
    EXPECT_EQ(ok, c.ok) << "A " << c.value;
    EXPECT_EQ(a.Terminated(), c.terminated) << "A " << c.value;

    Buffer<char16_t> w(c.high);
    ok = 7;
    formatW(c.value, c.high, w.p(), c.base, &ok);
    EXPECT_EQ(w.Text(), c.text) << "W " << c.value;
    EXPECT_EQ(ok, c.ok) << "W " << c.value;
  }
}

TEST(ConvIntFormat, Card32) {
  CheckFormat<unsigned>(
      {
          {255, 16, "FF", 1},
          {255, 1, "11111111", 1},  // base clamped up to 2
          {4294967295u, 10, "4294967295", 1},
          {12345, 10, "345", 0, 2, false},    // the low-order digits, in order
          {12345, 10, "12345", 1, 4, false},  // exactly full: no terminator
          {7, 10, "7", 1, 0, false},
      },
      Str::CardToStrA, Str::CardToStrW);
}

TEST(ConvIntFormat, Int32) {
  CheckFormat<int>(
      {
          {INT_MIN, 10, "-2147483648", 1},
          {INT_MIN, 16, "-80000000", 1},
          {-12345, 10, "-345", 0, 3, false},  // the sign stays, digits are cut
          {-5, 10, "-", 0, 0, false},
          {-5, 10, "-5", 1, 1, false},
      },
      Str::IntToStrA, Str::IntToStrW);
}

TEST(ConvIntFormat, SixtyFourBit) {
  const std::vector<FormatCase<unsigned long long>> cards = {
      {ULLONG_MAX, 10, "18446744073709551615", 1},
      {ULLONG_MAX, 16, "FFFFFFFFFFFFFFFF", 1},
      {ULLONG_MAX, 10, "51615", 0, 4, false},
  };
  CheckFormat(cards, Str::Card64ToStrA, Str::Card64ToStrW);
  CheckFormat(cards, Str::CardPtrToStrA, Str::CardPtrToStrW);
  const std::vector<FormatCase<long long>> ints = {
      {LLONG_MIN, 10, "-9223372036854775808", 1},
      {LLONG_MIN, 2, "-1" + std::string(63, '0'), 1},
  };
  CheckFormat(ints, Str::Int64ToStrA, Str::Int64ToStrW);
  CheckFormat(ints, Str::IntPtrToStrA, Str::IntPtrToStrW);
}

}  // namespace
