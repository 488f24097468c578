#pragma once
// Helpers shared by the Str conversions: reading bounded strings unit by
// unit, storing produced text by the bounded-string writing rule, and the
// `ok` report.
#include <cstddef>
#include <type_traits>

namespace Str::Conv {

// A code unit as an unsigned number, so 8-bit characters above 127 never
// compare as negative.
template <typename Ch>
constexpr unsigned Unit(Ch c) {
  return static_cast<std::make_unsigned_t<Ch>>(c);
}

// The unit at index i of the bounded string (high, text); the end of the
// buffer reads as a terminator, so no caller ever reads past high.
template <typename Ch>
constexpr unsigned At(unsigned high, const Ch* text, std::size_t i) {
  return i <= high ? Unit(text[i]) : 0u;
}

constexpr bool IsDecimalDigit(unsigned c) {
  return c >= '0' && c <= '9';
}

inline void SetOk(unsigned char* ok, bool value) {
  if (ok != nullptr) *ok = value ? 1 : 0;
}

constexpr unsigned ClampBase(unsigned base) {
  return base < 2 ? 2 : (base > 16 ? 16 : base);
}

constexpr std::size_t Places(unsigned high) {
  return static_cast<std::size_t>(high) + 1;
}

// Stores `count` bytes of formatted text into the bounded string: characters
// from index 0 as far as index high, a NUL behind them if its index is high or
// less. 8-bit buffers get the bytes as they are; 16-bit buffers get the text
// decoded from UTF-8 (only locale-formatted text is ever non-ASCII).
// Returns the number of units the whole text needs, so callers can tell
// whether it fit (result <= high + 1).
std::size_t StoreText(const char* text, std::size_t count, unsigned high, char* buffer);
std::size_t StoreText(const char* text, std::size_t count, unsigned high, char16_t* buffer);

// Stores the empty string (every buffer has at least the place at index 0).
template <typename Ch>
void StoreEmpty(Ch* buffer) {
  buffer[0] = 0;
}

}  // namespace Str::Conv
