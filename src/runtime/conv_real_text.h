#pragma once
// Building blocks of the real formatters: the C runtime formats into a
// FormatBuffer, these steps edit the text, and one of the two store rules
// puts it into the caller's bounded string.
#include "runtime/conv_format_buffer.h"
#include "runtime/conv_text.h"

namespace Str::Conv {

// "%<d+1>.<d-1>E": d significant digits, one before the point.
bool FormatScientific(FormatBuffer& text, double value, unsigned digits);
// "%.0f" for no decimals, else "%#.<decimals>f" (the point always printed).
bool FormatFixed(FormatBuffer& text, double value, unsigned decimals);

// Replaces the C runtime's exponent ("E+05", "E-123") by its sign and its
// value without leading zeros ("E+5"); with `engineering` the exponent is
// first moved to a multiple of 3 and the decimal point shifted to match.
// A text without a point is left as it is.
void RewriteExponent(FormatBuffer& text, bool engineering);

// Removes trailing zeros of the fraction (between the point and an 'E' or
// the end), and the point itself when no fraction digit is left.
void TrimFractionZeros(FormatBuffer& text);

// Store rule of the checked formatters: the whole text fits the bounded
// string (a full buffer without terminator counts) or the buffer gets the
// empty string and the result is false.
template <typename Ch>
bool StoreWhole(const FormatBuffer& text, unsigned high, Ch* buffer) {
  if (StoreText(text.Data(), text.Size(), high, buffer) <= Places(high)) return true;
  StoreEmpty(buffer);
  return false;
}

// Store rule of the legacy fixed-point formatting: as much of the text as
// fits, without terminator when it fills the buffer.
template <typename Ch>
void StoreCut(const FormatBuffer& text, unsigned high, Ch* buffer) {
  StoreText(text.Data(), text.Size(), high, buffer);
}

}  // namespace Str::Conv
