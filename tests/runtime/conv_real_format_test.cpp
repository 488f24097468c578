#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "runtime/bounded_buffer.h"
#include "tqusb/runtime/str_convert.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
// A NaN is refused and leaves the buffer as it was: its '#' filling.
const std::string kUnwritten(11, '#');

// One formatting case; `precision` is digits or decimals, `engineering`
// applies to the scientific forms only.
struct RealFormatCase {
  double value;
  unsigned precision;
  bool engineering;
  std::string text;
  int ok = 1;
  unsigned high = kRoomy;
  bool terminated = true;
};

// Calls a scientific formatter (it takes the engineering flag) or a fixed one.
template <typename F, typename Ch>
void Format(F format, const RealFormatCase& c, Ch* buffer, unsigned char* ok) {
  if constexpr (std::is_invocable_v<F, double, unsigned, unsigned char, unsigned, Ch*,
                                    unsigned char*>)
    format(c.value, c.precision, c.engineering, c.high, buffer, ok);
  else
    format(c.value, c.precision, c.high, buffer, ok);
}

// Runs a table through the A and W form of one formatter.
template <typename FA, typename FW>
void CheckTable(const std::vector<RealFormatCase>& cases, FA formatA, FW formatW) {
  for (const RealFormatCase& c : cases) {
    Buffer<char> a(c.high);
    unsigned char ok = 7;
    Format(formatA, c, a.p(), &ok);
    EXPECT_EQ(a.Text(), c.text) << "A " << c.value << " / " << c.precision;
    EXPECT_EQ(ok, c.ok) << "A " << c.value << " / " << c.precision;
    EXPECT_EQ(a.Terminated(), c.terminated) << "A " << c.value << " / " << c.precision;

    Buffer<char16_t> w(c.high);
    ok = 7;
    Format(formatW, c, w.p(), &ok);
    EXPECT_EQ(w.Text(), c.text) << "W " << c.value << " / " << c.precision;
    EXPECT_EQ(ok, c.ok) << "W " << c.value;
  }
}

TEST(ConvRealFormat, Scientific) {
  CheckTable(
      {
          {1234.5, 6, false, "1.2345E+3"},
          {-0.0, 6, false, "-0E+0"},
          {0.1, 17, false, "1.0000000000000001E-1"},
          {9.99999, 3, false, "1E+1"},  // rounding carries into the exponent
          {1.5, 1, false, "2E+00"},     // no point: the C runtime's text stays
          {kInf, 6, false, "    INF"},
          // Engineering: the exponent moves to a multiple of 3.
          {0.00012345, 6, true, "123.45E-6"},
          {100, 2, true, "100E+0"},  // zeros inserted so the point can move twice
          {0.01, 6, true, "10E-3"},
          {1e100, 3, true, "10E+99"},
          {1e-5, 1, true, "1E-05"},  // no point: not shifted
          // Fit: a full buffer without terminator is fine, one place less is not.
          {1234.5, 6, false, "1.2345E+3", 1, 8, false},
          {1234.5, 6, false, "", 0, 7},
          {kNaN, 6, false, kUnwritten, 0, 10, false},
      },
      Str::RealToStrA, Str::RealToStrW);
}

TEST(ConvRealFormat, Corrected) {
  CheckTable(
      {
          {0.5, 15, false, "0.5"},
          {1.0 / 3, 15, false, "0.333333333333333"},
          // The fixed form fills a buffer it does not fit, as the fixed-point formatter does.
          {1.0 / 3, 15, false, "0.33333333333333", 1, 15, false},
          {1e-10, 15, false, "0.0000000001"},
          {5, 15, false, "5"},                    // the general form's padding blanks are removed
          {1.5e-15, 15, false, "1.5E-15"},        // below 1e-14: general form
          {1.5e5, 2, false, "2E+05"},             // "%G" precision d - 1: one significant digit
          {1.5e5, 3, false, "1.5E+5"},            // point and exponent: exponent rewritten
          {1e5, 3, false, "1E+05"},               // exponent without point: as printed
          {3.14159265, 15, false, "3.14", 1, 6},  // d reduced to high - 2
          {3.14159265, 0, false, "3.14159265"},   // digits 0 means 15
          {12345, 6, true, "12.345E+3"},
          {0.5, 15, true, "500E-3"},
          {kNaN, 6, false, kUnwritten, 0, 10, false},
      },
      Str::CorrectedRealToStrA, Str::CorrectedRealToStrW);
}

TEST(ConvRealFormat, Fixed) {
  CheckTable(
      {
          {3.14159, 3, false, "3.142"},
          {1e20, 1, false, "100000000000000000000.0"},
          // Output longer than the buffer fills it without terminator.
          {123.456, 3, false, "123.4", 1, 4, false},
          {0.5, 5000, false, "0.5" + std::string(75, '0'), 1, 77, false},
          {kNaN, 2, false, kUnwritten, 0, 10, false},
      },
      Str::FixRealToStrA, Str::FixRealToStrW);
}

TEST(ConvRealFormat, FixedRoundedByHand) {
  CheckTable(
      {
          {2.675, 2, false, "2.67"},  // 2.67499999999999982
          {9.96, 1, false, "10.0"},
          {-9.96, 1, false, "-10.0"},
          {1.25, 0, false, "1"},
          {9.5, 0, false, "10"},
          {-0.5, 0, false, "-1"},
          {-0.04, 1, false, "-0.0"},
          {0.95, 1, false, "0.9"},                  // 0.94999999999999996
          {1.5, 20, false, "1.50000000000000000"},  // decimals clamped to 17
          {kInf, 2, false, "inf"},
          {9.96, 1, false, "10.0", 1, 3, false},
          {9.96, 1, false, "10.", 1, 2, false},
          {kNaN, 2, false, kUnwritten, 0, 10, false},
      },
      Str::CorrFixRealToStrA, Str::CorrFixRealToStrW);
}

// Engineering texts always have an exponent that is a multiple of 3 and a
// mantissa from 1 to below 1000, and read back as the value.
TEST(ConvRealFormat, EngineeringInvariants) {
  for (int exponent = -30; exponent <= 30; ++exponent) {
    for (double mantissa : {1.0, 2.5, 9.87654}) {
      const double v = mantissa * std::pow(10.0, exponent);
      Buffer<char> a;
      unsigned char ok = 0;
      Str::RealToStrA(v, 6, 1, a.high, a.p(), &ok);
      ASSERT_EQ(ok, 1);
      const std::string text = a.Text();
      const std::size_t e = text.find('E');
      ASSERT_NE(e, std::string::npos) << text;
      const int shown = std::stoi(text.substr(e + 1));
      EXPECT_EQ(shown % 3, 0) << text;
      const double m = std::stod(text.substr(0, e));
      EXPECT_GE(m, 1.0) << text;
      EXPECT_LT(m, 1000.0) << text;
      EXPECT_NEAR(Str::StrToRealA(a.high, a.p(), &ok), v, v * 1e-5) << text;
    }
  }
}

}  // namespace
