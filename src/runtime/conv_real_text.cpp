#include "runtime/conv_real_text.h"

namespace Str::Conv {

bool FormatScientific(FormatBuffer& text, double value, unsigned digits) {
  return text.Format("%*.*E", static_cast<int>(digits + 1), static_cast<int>(digits - 1), value);
}

bool FormatFixed(FormatBuffer& text, double value, unsigned decimals) {
  // Precisions above INT_MAX cannot be expressed; such a text would not fit
  // any bounded string anyway.
  const int precision = decimals > 0x7FFFFFFFu ? 0x7FFFFFFF : static_cast<int>(decimals);
  if (decimals == 0) return text.Format("%.0f", value);
  return text.Format("%#.*f", precision, value);
}

namespace {

// Moves the exponent to a multiple of 3: a positive exponent down by e mod 3,
// a negative one down to the next multiple of 3. Returns by how many places
// (0 to 2) the decimal point must move right.
unsigned EngineeringShift(long& exponent) {
  if (exponent >= 0) {
    const long r = exponent % 3;
    exponent -= r;
    return static_cast<unsigned>(r);
  }
  const long lowered = (-exponent + 2) / 3 * 3;
  const long r = lowered + exponent;
  exponent = -lowered;
  return static_cast<unsigned>(r);
}

}  // namespace

void RewriteExponent(FormatBuffer& text, bool engineering) {
  const std::size_t point = text.Find('.');
  if (point == FormatBuffer::npos) return;
  std::size_t e = text.Find('E', point);
  if (e == FormatBuffer::npos) return;

  std::size_t i = e + 1;
  const bool negative = i < text.Size() && text[i] == '-';
  if (i < text.Size() && (text[i] == '-' || text[i] == '+')) ++i;
  long exponent = 0;
  for (; i < text.Size() && IsDecimalDigit(static_cast<unsigned char>(text[i])); ++i)
    exponent = exponent * 10 + (text[i] - '0');
  if (negative) exponent = -exponent;
  text.Truncate(e + 1);

  if (engineering) {
    const unsigned shift = EngineeringShift(exponent);
    if (shift > 0) {
      // At least one digit must remain behind the point after the move.
      const std::size_t fraction = e - point - 1;
      for (std::size_t k = fraction; k < shift + 1; ++k, ++e) text.Insert(e, '0');
      text.Erase(point, 1);
      text.Insert(point + shift, '.');
    }
  }

  char digits[24];
  std::size_t n = 0;
  unsigned long magnitude = exponent < 0 ? 0ul - static_cast<unsigned long>(exponent)
                                         : static_cast<unsigned long>(exponent);
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  text.Append(exponent < 0 ? "-" : "+", 1);
  while (n > 0) text.Append(&digits[--n], 1);
}

void TrimFractionZeros(FormatBuffer& text) {
  const std::size_t point = text.Find('.');
  if (point == FormatBuffer::npos) return;
  std::size_t end = text.Find('E', point);
  if (end == FormatBuffer::npos) end = text.Size();
  std::size_t keep = end;
  while (keep > point + 1 && text[keep - 1] == '0') --keep;
  if (keep == point + 1) keep = point;
  text.Erase(keep, end - keep);
}

}  // namespace Str::Conv
