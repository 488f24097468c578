#include "tqusb/runtime/mathlib.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <random>

namespace {

using Bytes = std::array<std::uint8_t, 10>;

TEST(MathlibIntPow, SquaresItsWayToThePower) {
  const std::tuple<double, int, double> cases[] = {
      {2, -2, 0.25},   {0, -1, INFINITY}, {-2, 3, -8},       {10, 22, 1e22},
      {2, INT_MIN, 0}, {-1, INT_MIN, 1},  {-1, INT_MAX, -1}, {2, -1074, std::ldexp(1.0, -1074)},
  };
  for (const auto& [x, n, expected] : cases)
    EXPECT_EQ(MATHLIB::IntPow(x, n), expected) << x << "^" << n;
}

// Packing saturates at 18 nines and keeps the sign in the top bit; unpacking
// takes nibbles at face value.
TEST(MathlibBcd, PackAndUnpack) {
  const Bytes nines{0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x00};
  const std::pair<double, Bytes> packed[] = {
      {1234.9, {0x34, 0x12, 0, 0, 0, 0, 0, 0, 0, 0}},
      {-0.5, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80}},
      {999999999999999872.0, {0x72, 0x98, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0}},
      {1e18, nines},
      {-INFINITY, {0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x99, 0x80}},
      {NAN, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& [v, bytes] : packed) {
    const MATHLIB::PackedBcd b = MATHLIB::LongToBcd(v);
    EXPECT_EQ(Bytes(std::to_array(b.Bytes)), bytes) << v;
  }
  const std::pair<Bytes, double> unpacked[] = {
      {{0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0x7F}, 5},  // only the top bit is the sign
      {{0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF}, -5},
      {{0, 0xA0, 0, 0, 0, 0, 0, 0, 0, 0}, 10000},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0}, 1666666666666666665.0},
  };
  for (const auto& [bytes, expected] : unpacked) {
    MATHLIB::PackedBcd b{};
    for (int i = 0; i < 10; ++i) b.Bytes[i] = bytes[i];
    EXPECT_EQ(MATHLIB::BcdToLong(b), expected);
  }
}

}  // namespace
