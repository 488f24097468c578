#include "tqusb/runtime/mathlib.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <numbers>
#include <random>

namespace {

using Bytes = std::array<std::uint8_t, 10>;

Bytes BytesOf(const MATHLIB::PackedBcd& b) {
  Bytes out{};
  for (int i = 0; i < 10; ++i) out[i] = b.Bytes[i];
  return out;
}

MATHLIB::PackedBcd FromBytes(const Bytes& bytes) {
  MATHLIB::PackedBcd b{};
  for (int i = 0; i < 10; ++i) b.Bytes[i] = bytes[i];
  return b;
}

constexpr Bytes kNines{0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x00};
constexpr Bytes kNegativeNines{0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x80};

// The wrappers whose argument order or sign rule could be mixed up.
TEST(MathlibWrappers, ArgumentOrderAndSigns) {
  EXPECT_DOUBLE_EQ(MATHLIB::ATan2(1.0, -1.0), 3 * std::numbers::pi / 4);
  EXPECT_DOUBLE_EQ(MATHLIB::Mod(-7.0, 3.0), -1.0);
  EXPECT_DOUBLE_EQ(MATHLIB::Pow(2.0, 10.0), 1024.0);
  EXPECT_DOUBLE_EQ(MATHLIB::Log(std::numbers::e), 1.0);
  EXPECT_DOUBLE_EQ(MATHLIB::Log10(1000.0), 3.0);
  EXPECT_DOUBLE_EQ(MATHLIB::ACos(0.5), std::numbers::pi / 3);
  EXPECT_DOUBLE_EQ(MATHLIB::SinH(1.0), std::sinh(1.0));
}

TEST(MathlibIntPow, SquaresItsWayToThePower) {
  struct Case {
    double x;
    int n;
    double expected;
  };
  const Case cases[] = {
      {2, 10, 1024},
      {2, -2, 0.25},
      {0, 0, 1},
      {0, -1, INFINITY},
      {-2, 3, -8},
      {10, 22, 1e22},
      {2, INT_MIN, 0},
      {-1, INT_MIN, 1},
      {-1, INT_MAX, -1},
      {1, INT_MAX, 1},
      {2, 1023, std::ldexp(1.0, 1023)},
      {2, -1074, std::ldexp(1.0, -1074)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MATHLIB::IntPow(c.x, c.n), c.expected) << c.x << "^" << c.n;
  }
}

TEST(MathlibBcd, LongToBcdPacksTheIntegerPart) {
  struct Case {
    double v;
    Bytes bytes;
  };
  const Case cases[] = {
      {1234.9, {0x34, 0x12, 0, 0, 0, 0, 0, 0, 0, 0}},
      {-5.0, {0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
      {0.5, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {-0.5, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
      {99999999.0, {0x99, 0x99, 0x99, 0x99, 0, 0, 0, 0, 0, 0}},
      {100000000.0, {0, 0, 0, 0, 0x01, 0, 0, 0, 0, 0}},
      {123456789012345678.0,  // nearest double: 123456789012345680
       {0x80, 0x56, 0x34, 0x12, 0x90, 0x78, 0x56, 0x34, 0x12, 0}},
      {999999999999999872.0,  // the largest double below 10^18
       {0x72, 0x98, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0}},
      {1e18, kNines},
      {2e18, kNines},
      {-2e18, kNegativeNines},
      {INFINITY, kNines},
      {-INFINITY, kNegativeNines},
      {NAN, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(BytesOf(MATHLIB::LongToBcd(c.v)), c.bytes) << c.v;
}

TEST(MathlibBcd, BcdToLongTakesNibblesAtFaceValue) {
  struct Case {
    Bytes bytes;
    double expected;
  };
  const Case cases[] = {
      {{0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F}, 5},  // only the top bit is the sign
      {{0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}, -5},
      {{0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 10},
      {{0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 165},
      {{0, 0xA0, 0, 0, 0, 0, 0, 0, 0, 0}, 10000},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0},
       1666666666666666665.0},  // 165 * (100^9 - 1) / 99, rounded once
      {kNines, 999999999999999999.0},
  };
  for (const Case& c : cases) EXPECT_EQ(MATHLIB::BcdToLong(FromBytes(c.bytes)), c.expected);
}

// The integer part of every double below 10^18 comes back exactly, which
// needs the digits summed without intermediate rounding.
TEST(MathlibBcd, RoundTripsTheIntegerPartExactly) {
  std::mt19937_64 rng(1234);
  std::uniform_real_distribution<double> exponent(0.0, 18.0);
  std::bernoulli_distribution negative(0.5);
  for (int i = 0; i < 200000; ++i) {
    double v = std::pow(10.0, exponent(rng));
    if (v >= 1e18) continue;
    if (negative(rng)) v = -v;
    const MATHLIB::PackedBcd b = MATHLIB::LongToBcd(v);
    for (int k = 0; k < MATHLIB::kBcdDigitBytes; ++k) {
      ASSERT_LE(b.Bytes[k] & 0x0F, 9) << v;
      ASSERT_LE(b.Bytes[k] >> 4, 9) << v;
    }
    ASSERT_EQ(MATHLIB::BcdToLong(b), std::trunc(v)) << std::fixed << v;
  }
}

}  // namespace
