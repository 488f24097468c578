// Floating-point wrappers and the integer power.
#include "tqusb/runtime/mathlib.h"

#include <cmath>

namespace MATHLIB {

int (*MathError)(Exception*) = nullptr;

double ACos(double x) {
  return std::acos(x);
}
double ASin(double x) {
  return std::asin(x);
}
double ATan(double x) {
  return std::atan(x);
}
double ATan2(double y, double x) {
  return std::atan2(y, x);
}
double Cos(double x) {
  return std::cos(x);
}
double Sin(double x) {
  return std::sin(x);
}
double Tan(double x) {
  return std::tan(x);
}
double CosH(double x) {
  return std::cosh(x);
}
double SinH(double x) {
  return std::sinh(x);
}
double TanH(double x) {
  return std::tanh(x);
}
double Exp(double x) {
  return std::exp(x);
}
double Log(double x) {
  return std::log(x);
}
double Log10(double x) {
  return std::log10(x);
}
double Sqrt(double x) {
  return std::sqrt(x);
}
double Pow(double x, double y) {
  return std::pow(x, y);
}
double Mod(double x, double y) {
  return std::fmod(x, y);
}

double IntPow(double x, int n) {
  if (n == 0) return 1.0;
  double base = n < 0 ? 1.0 / x : x;
  // Unsigned magnitude: -INT_MIN does not fit an int.
  unsigned exponent = n < 0 ? 0u - static_cast<unsigned>(n) : static_cast<unsigned>(n);
  double result = 1.0;
  while (exponent != 0) {
    if (exponent & 1u) result *= base;
    exponent >>= 1;
    base *= base;
  }
  return result;
}

}  // namespace MATHLIB
