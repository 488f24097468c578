// Text to double: digits accumulate into one value, and the decimal scale
// (exponent minus fraction digits) is applied at the end as a power of ten.
#include <cmath>

#include "runtime/conv_text.h"
#include "tqusb/runtime/str_convert.h"

namespace Str::Conv {
namespace {

// Exponents beyond this already overflow or underflow any double; capping
// keeps the accumulation and the scaling loop bounded for absurd texts.
constexpr long long kExponentCap = 100000;

// Largest power of ten a double holds.
constexpr unsigned long long kLargestPower = 308;

// 10^n formed by repeated multiplication by 10, eight factors per round while
// eight or more remain.
double PowerOfTen(unsigned long long n) {
  double power = 1.0;
  while (n >= 8 && !std::isinf(power)) {
    power = power * 10 * 10 * 10 * 10 * 10 * 10 * 10 * 10;
    n -= 8;
  }
  while (n > 0 && !std::isinf(power)) {
    power *= 10;
    --n;
  }
  return power;
}

// value × 10^k, or value / 10^-k. A divisor beyond the double range is
// applied in parts, so a long mantissa with a very negative scale (a value
// near the smallest doubles) does not collapse to 0.
double Scale(double value, long long k) {
  if (k == 0 || value == 0.0) return value;  // 0 × 10^big stays 0, not NaN
  if (k > 0) return value * PowerOfTen(static_cast<unsigned long long>(k));
  unsigned long long n = 0ull - static_cast<unsigned long long>(k);
  while (n > kLargestPower && value != 0.0) {
    const unsigned long long part =
        n - kLargestPower < kLargestPower ? n - kLargestPower : kLargestPower;
    value /= PowerOfTen(part);
    n -= part;
  }
  return value / PowerOfTen(n);
}

template <typename Ch>
double ParseReal(unsigned high, const Ch* text, unsigned char* ok) {
  if (text == nullptr) {
    SetOk(ok, false);
    return 0.0;
  }
  auto refuse = [ok] {
    SetOk(ok, false);
    return 0.0;
  };
  std::size_t i = 0;
  unsigned c = At(high, text, 0);
  const bool negative = c == '-';
  if (c == '+' || c == '-') ++i;

  double value = 0.0;
  while (IsDecimalDigit(c = At(high, text, i))) {
    value = value * 10 + (c - '0');
    ++i;
  }
  long long fractionDigits = 0;
  if (c == '.') {
    while (IsDecimalDigit(c = At(high, text, ++i))) {
      value = value * 10 + (c - '0');
      ++fractionDigits;
    }
  }
  long long exponent = 0;
  if (c == 'E' || c == 'e') {
    if (i == 0) return refuse();
    c = At(high, text, ++i);
    const bool negativeExponent = c == '-';
    if (c == '+' || c == '-') c = At(high, text, ++i);
    if (!IsDecimalDigit(c)) return refuse();
    for (; IsDecimalDigit(c); c = At(high, text, ++i))
      if (exponent < kExponentCap) exponent = exponent * 10 + (c - '0');
    if (negativeExponent) exponent = -exponent;
  }
  if (c != 0) return refuse();
  SetOk(ok, true);
  const double magnitude = Scale(value, exponent - fractionDigits);
  return negative ? -magnitude : magnitude;
}

}  // namespace
}  // namespace Str::Conv

namespace Str {

double StrToRealA(unsigned high, const char* text, unsigned char* ok) {
  return Conv::ParseReal(high, text, ok);
}
double StrToRealW(unsigned high, const char16_t* text, unsigned char* ok) {
  return Conv::ParseReal(high, text, ok);
}

}  // namespace Str
