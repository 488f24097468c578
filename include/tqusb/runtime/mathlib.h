#pragma once
// MATHLIB: one set of names for the C runtime's floating-point functions, an
// integer power, and conversion between double and the 10-byte packed decimal
// format of the x87 FPU.
#include <cstdint>

#include "tqusb/export.h"

namespace MATHLIB {

// 18 decimal digits, two per byte, least significant byte first (low nibble
// the lower digit) in Bytes[0..8]; Bytes[9] holds the sign in its top bit.
struct PackedBcd {
  std::uint8_t Bytes[10];
};
static_assert(sizeof(PackedBcd) == 10);

inline constexpr int kBcdDigitBytes = 9;
inline constexpr std::uint8_t kBcdNegative = 0x80;

// What a math-error hook is handed, laid out like the C runtime's record.
struct Exception {
  int type;
  char* name;
  double arg1;
  double arg2;
  double retval;
};

// A hook for math errors, for the library's users; no operation here calls it.
TQ_API extern int (*MathError)(Exception*);

TQ_API double ACos(double x);
TQ_API double ASin(double x);
TQ_API double ATan(double x);
TQ_API double ATan2(double y, double x);
TQ_API double Cos(double x);
TQ_API double Sin(double x);
TQ_API double Tan(double x);
TQ_API double CosH(double x);
TQ_API double SinH(double x);
TQ_API double TanH(double x);
TQ_API double Exp(double x);
TQ_API double Log(double x);  // natural logarithm
TQ_API double Log10(double x);
TQ_API double Sqrt(double x);
TQ_API double Pow(double x, double y);
TQ_API double Mod(double x, double y);  // remainder with the sign of x

// x to the power n by repeated squaring; 1.0 for n = 0.
TQ_API double IntPow(double x, int n);

// The integer part of v as packed decimal. Magnitudes of 10^18 and above
// (infinities too) give eighteen nines, below 1 (and NaN) zero digits; the
// sign byte is 0x80 for v < 0.
TQ_API PackedBcd LongToBcd(double v);
// Digits above 9 count at face value.
TQ_API double BcdToLong(PackedBcd b);

}  // namespace MATHLIB
