// Conversion between double and 18-digit packed decimal.
#include <cmath>
#include <cstdint>

#include "tqusb/runtime/mathlib.h"

namespace MATHLIB {

namespace {

// Eighteen digits hold every integer below 10^18; larger magnitudes (the
// nineteenth digit included) saturate to eighteen nines.
constexpr double kFirstUnrepresentable = 1e18;

std::uint8_t PackTwoDigits(unsigned value) {
  return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

}  // namespace

PackedBcd LongToBcd(double v) {
  PackedBcd b{};
  if (v < 0) b.Bytes[kBcdDigitBytes] = kBcdNegative;
  const double magnitude = std::fabs(v);
  if (std::isnan(magnitude) || magnitude < 1.0) return b;
  if (magnitude >= kFirstUnrepresentable) {
    for (int i = 0; i < kBcdDigitBytes; ++i) b.Bytes[i] = 0x99;
    return b;
  }
  // Below 10^18 < 2^63 the integer part converts to 64 bits exactly.
  auto whole = static_cast<std::uint64_t>(std::trunc(magnitude));
  for (int i = 0; i < kBcdDigitBytes; i += 2) {
    const auto group = static_cast<unsigned>(whole % 10000);
    whole /= 10000;
    b.Bytes[i] = PackTwoDigits(group % 100);
    if (i + 1 < kBcdDigitBytes) b.Bytes[i + 1] = PackTwoDigits(group / 100);
  }
  return b;
}

double BcdToLong(PackedBcd b) {
  // Summed exactly in 64 bits (even nibbles of 15 stay below 2^64) and rounded
  // to double once, so every integer part that LongToBcd stores comes back.
  std::uint64_t sum = 0;
  for (int i = kBcdDigitBytes - 1; i >= 0; --i) {
    const unsigned low = b.Bytes[i] & 0x0Fu;
    const unsigned high = b.Bytes[i] >> 4;
    sum = sum * 100 + (low + 10 * high);
  }
  const double value = static_cast<double>(sum);
  return (b.Bytes[kBcdDigitBytes] & kBcdNegative) != 0 ? -value : value;
}

}  // namespace MATHLIB
