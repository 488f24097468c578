#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "runtime/bounded_buffer.h"
#include "tqusb/runtime/str_convert.h"


namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr unsigned kWhole = ~0u;

struct RealCase {
  const char* text;
  double value;
  int ok;
  unsigned high = kWhole;
};

TEST(ConvRealParse, Table) {
  const RealCase cases[] = {
      {"1.5E+3", 1500, 1},  {"-.25", -0.25, 1}, {"1.e2", 100, 1},
      {"0.1", 0.1, 1},      {"", 0.0, 1},       {".", 0.0, 1},
      {"1e+", 0.0, 0},      {"1e5x", 0.0, 0},   {"e5", 0.0, 0},
      {"1.2.3", 0.0, 0},    {" 1", 0.0, 0},     {"1 ", 0.0, 0},
      {"0e500", 0.0, 1},  // zero stays zero however large the scale
      {"-1e400", -kInf, 1}, {"1e-400", 0.0, 1}, {"1e99999999999999999999", kInf, 1},
      {"1.5", 1, 1, 0},      // the digits run to the end of the buffer
      {"2.5e1x", 25, 1, 4},  // the buffer ends before the bad character
  };
  for (const RealCase& c : cases) {
    const std::string text = c.text;
    const unsigned high = c.high == kWhole ? static_cast<unsigned>(text.size()) : c.high;
    unsigned char ok = 7;
    EXPECT_EQ(Str::StrToRealA(high, text.c_str(), &ok), c.value) << "A '" << text << "'";
    EXPECT_EQ(ok, c.ok) << "A '" << text << "'";
    const std::u16string wide = Widen(text);
    ok = 7;
    EXPECT_EQ(Str::StrToRealW(high, wide.c_str(), &ok), c.value) << "W '" << text << "'";
    EXPECT_EQ(ok, c.ok) << "W '" << text << "'";
  }
}

TEST(ConvRealParse, SignAloneIsNegativeZero) {
  unsigned char ok = 0;
  const double v = Str::StrToRealA(1, "-", &ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(v, 0.0);
  EXPECT_TRUE(std::signbit(v));
}

TEST(ConvRealParse, NonAsciiUnitsAreNotDigits) {
  // U+0661 (Arabic-Indic one) and U+FF11 (fullwidth one) look like digits.
  const char16_t arabic[] = {u'1', 0x0661, 0};
  const char16_t fullwidth[] = {0xFF11, 0};
  unsigned char ok = 1;
  EXPECT_EQ(Str::StrToRealW(2, arabic, &ok), 0.0);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(Str::StrToCardW(1, fullwidth, 10, &ok), 0u);
  EXPECT_EQ(ok, 0);
  const char highBit[] = {'1', static_cast<char>(0xB9), 0};  // a byte above 127
  EXPECT_EQ(Str::StrToCardA(2, highBit, 10, &ok), 1u);
  EXPECT_EQ(ok, 0);
}

}  // namespace
