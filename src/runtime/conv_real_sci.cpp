// Real to text in scientific and general form (RealToStr, CorrectedRealToStr).
#include <cmath>

#include "runtime/conv_real_text.h"
#include "tqusb/runtime/str_convert.h"

namespace Str::Conv {
namespace {

constexpr unsigned kMaxScientificDigits = 17;
constexpr unsigned kMaxCorrectedDigits = 15;

// "1.23450E+03" -> "1.2345E+3"; with engineering "12.345E+3".
void BuildScientific(FormatBuffer& text, double value, unsigned digits, bool engineering) {
  // A precision of 0 digits has no sensible reading; one digit is the least.
  if (digits == 0) digits = 1;
  if (digits > kMaxScientificDigits) digits = kMaxScientificDigits;
  if (!FormatScientific(text, value, digits)) return;
  if (text.Find('.') == FormatBuffer::npos) return;
  RewriteExponent(text, engineering);
  TrimFractionZeros(text);
}

template <typename Ch>
void RealToStr(double value, unsigned digits, bool engineering, unsigned high, Ch* buffer,
               unsigned char* ok) {
  if (buffer == nullptr || std::isnan(value)) {
    SetOk(ok, false);
    return;
  }
  FormatBuffer text;
  BuildScientific(text, value, digits, engineering);
  SetOk(ok, text.Size() > 0 && StoreWhole(text, high, buffer));
}

// The plain decimal form for magnitudes between 1e-14 and 1 whose leading
// zeros leave room for `digits` decimals (result true); the shortest general
// form ("%G") otherwise.
bool BuildCorrected(FormatBuffer& text, double value, unsigned digits) {
  const double magnitude = std::fabs(value);
  if (magnitude > 1e-14 && magnitude < 1 &&
      static_cast<unsigned>(std::fabs(std::log10(magnitude)) + 0.2) < digits) {
    FormatFixed(text, value, digits);
    TrimFractionZeros(text);
    return true;
  }
  if (!text.Format("%*.*G", static_cast<int>(digits + 1), static_cast<int>(digits - 1), value))
    return false;
  std::size_t blanks = 0;
  while (blanks < text.Size() && text[blanks] == ' ') ++blanks;
  text.Erase(0, blanks);
  TrimFractionZeros(text);
  // A text whose exponent has no point beside it keeps the exponent as the C
  // runtime printed it.
  if (text.Find('.') != FormatBuffer::npos && text.Find('E') != FormatBuffer::npos)
    RewriteExponent(text, false);
  return false;
}

template <typename Ch>
void CorrectedRealToStr(double value, unsigned digits, bool engineering, unsigned high, Ch* buffer,
                        unsigned char* ok) {
  if (buffer == nullptr || std::isnan(value)) {
    SetOk(ok, false);
    return;
  }
  unsigned d = digits >= 1 && digits <= kMaxCorrectedDigits ? digits : kMaxCorrectedDigits;
  if (high < d) d = high > 3 ? high - 2 : 1;
  FormatBuffer text;
  if (!engineering && BuildCorrected(text, value, d)) {
    // The fixed form stores as the fixed-point formatter does: what fits.
    StoreCut(text, high, buffer);
    SetOk(ok, text.Size() > 0);
    return;
  }
  if (engineering) BuildScientific(text, value, d, true);
  SetOk(ok, text.Size() > 0 && StoreWhole(text, high, buffer));
}

}  // namespace
}  // namespace Str::Conv

namespace Str {

void RealToStrA(double value, unsigned digits, unsigned char engineering, unsigned high,
                char* buffer, unsigned char* ok) {
  Conv::RealToStr(value, digits, engineering != 0, high, buffer, ok);
}
void RealToStrW(double value, unsigned digits, unsigned char engineering, unsigned high,
                char16_t* buffer, unsigned char* ok) {
  Conv::RealToStr(value, digits, engineering != 0, high, buffer, ok);
}
void CorrectedRealToStrA(double value, unsigned digits, unsigned char engineering, unsigned high,
                         char* buffer, unsigned char* ok) {
  Conv::CorrectedRealToStr(value, digits, engineering != 0, high, buffer, ok);
}
void CorrectedRealToStrW(double value, unsigned digits, unsigned char engineering, unsigned high,
                         char16_t* buffer, unsigned char* ok) {
  Conv::CorrectedRealToStr(value, digits, engineering != 0, high, buffer, ok);
}

}  // namespace Str
