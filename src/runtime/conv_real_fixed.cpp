// Real to text in fixed-point form (FixRealToStr) and fixed point rounded by
// hand on the decimal text (CorrFixRealToStr).
#include <cmath>

#include "runtime/conv_real_text.h"
#include "tqusb/runtime/str_convert.h"

namespace Str::Conv {
namespace {

// The 17-decimal text shows the binary value exactly enough that rounding it
// by hand rounds what the value really is (2.675 is 2.67499999999999982).
constexpr unsigned kExactDecimals = 17;

// Every double's decimal expansion ends within 1074 fraction digits; beyond
// that the fixed-point text only continues with zeros, which are added by
// hand as far as the buffer needs them instead of being formatted.
constexpr unsigned kLongestExpansion = 1100;

// Rounds a fixed-point text half up to `decimals` fraction digits: the kept
// digits get the carry of the first dropped digit, a carry out of the leading
// digit adds a "1" in front of it (behind a minus sign), and the point goes
// when no decimal is kept.
void RoundText(FormatBuffer& text, unsigned decimals) {
  const std::size_t point = text.Find('.');
  if (point == FormatBuffer::npos || text.Size() - point - 1 <= decimals) return;
  std::size_t cut = decimals == 0 ? point : point + decimals + 1;
  const std::size_t dropped = decimals == 0 ? point + 1 : cut;
  if (text[dropped] >= '5') {
    std::size_t i = dropped;  // the carry starts at the digit before the first dropped one
    bool carry = true;
    while (carry && i > 0) {
      const char c = text[--i];
      if (c == '.') continue;
      if (c < '0' || c > '9') {
        ++i;  // a sign: the new leading digit goes behind it
        break;
      }
      if (c == '9') {
        text[i] = '0';
      } else {
        text[i] = static_cast<char>(c + 1);
        carry = false;
      }
    }
    if (carry) {
      text.Insert(i, '1');
      ++cut;
    }
  }
  text.Truncate(cut);
}

template <typename Ch>
void FixRealToStr(double value, unsigned decimals, unsigned high, Ch* buffer, unsigned char* ok) {
  if (buffer == nullptr || std::isnan(value)) {
    SetOk(ok, false);
    return;
  }
  FormatBuffer text;
  const unsigned precision = decimals < kLongestExpansion ? decimals : kLongestExpansion;
  const bool produced = FormatFixed(text, value, precision);
  if (produced && decimals > precision && std::isfinite(value)) {
    static constexpr char kZeros[16] = {'0', '0', '0', '0', '0', '0', '0', '0',
                                        '0', '0', '0', '0', '0', '0', '0', '0'};
    std::size_t missing = decimals - precision;
    while (missing > 0 && text.Size() < Places(high)) {
      const std::size_t n = missing < sizeof kZeros ? missing : sizeof kZeros;
      text.Append(kZeros, n);
      missing -= n;
    }
  }
  if (produced) StoreCut(text, high, buffer);
  SetOk(ok, produced);
}

template <typename Ch>
void CorrFixRealToStr(double value, unsigned decimals, unsigned high, Ch* buffer,
                      unsigned char* ok) {
  if (buffer == nullptr || std::isnan(value)) {
    SetOk(ok, false);
    return;
  }
  FormatBuffer text;
  const bool produced = FormatFixed(text, value, kExactDecimals);
  if (produced) {
    RoundText(text, decimals < kExactDecimals ? decimals : kExactDecimals);
    StoreCut(text, high, buffer);
  }
  SetOk(ok, produced);
}

}  // namespace
}  // namespace Str::Conv

namespace Str {

void FixRealToStrA(double value, unsigned decimals, unsigned high, char* buffer,
                   unsigned char* ok) {
  Conv::FixRealToStr(value, decimals, high, buffer, ok);
}
void FixRealToStrW(double value, unsigned decimals, unsigned high, char16_t* buffer,
                   unsigned char* ok) {
  Conv::FixRealToStr(value, decimals, high, buffer, ok);
}
void CorrFixRealToStrA(double value, unsigned decimals, unsigned high, char* buffer,
                       unsigned char* ok) {
  Conv::CorrFixRealToStr(value, decimals, high, buffer, ok);
}
void CorrFixRealToStrW(double value, unsigned decimals, unsigned high, char16_t* buffer,
                       unsigned char* ok) {
  Conv::CorrFixRealToStr(value, decimals, high, buffer, ok);
}

}  // namespace Str
