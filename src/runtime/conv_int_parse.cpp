// Text to integer: one routine per accumulator width, shared by the unsigned
// (Card) and signed (Int) forms and by the 8-bit and 16-bit strings.
#include <limits>

#include "runtime/conv_text.h"
#include "tqusb/runtime/str_convert.h"

namespace Str::Conv {
namespace {

// Digit values indexed from '0' up to 'F'; the seven characters ':' to '@'
// between the two runs are not digits in any base.
constexpr unsigned char kNotDigit = 255;
// clang-format off
constexpr unsigned char kDigitValue['F' - '0' + 1] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9,                                                 // '0' to '9'
    kNotDigit, kNotDigit, kNotDigit, kNotDigit, kNotDigit, kNotDigit, kNotDigit,  // ':' to '@'
    10, 11, 12, 13, 14, 15,                                                       // 'A' to 'F'
};
// clang-format on

template <typename Acc>
struct Magnitude {
  Acc value = 0;
  bool negative = false;  // the text begins with '-'
  bool good = true;
};

// Parses an optional sign and digits in the clamped base. A digit beyond the
// base and an overflowing accumulation both mark the result bad but are still
// accumulated (wrapping), so the caller always gets a value.
template <typename Acc, typename Ch>
Magnitude<Acc> ParseMagnitude(unsigned high, const Ch* text, unsigned base) {
  Magnitude<Acc> m;
  if (text == nullptr) {
    m.good = false;
    return m;
  }
  base = ClampBase(base);
  std::size_t i = 0;
  const unsigned first = At(high, text, 0);
  if (first == '+' || first == '-') {
    m.negative = first == '-';
    i = 1;
  }
  if (At(high, text, i) == 0) {
    m.good = false;
    return m;
  }
  constexpr Acc kMax = std::numeric_limits<Acc>::max();
  for (unsigned c; (c = At(high, text, i)) != 0; ++i) {
    if (c >= 'a' && c <= 'f') c -= 'a' - 'A';
    if (c < '0' || c > 'F') {
      m.good = false;
      break;
    }
    const Acc digit = kDigitValue[c - '0'];
    if (digit > base - 1) m.good = false;
    if (m.value > (kMax - digit) / base) m.good = false;
    m.value = static_cast<Acc>(m.value * base + digit);
  }
  return m;
}

template <typename Acc, typename Ch>
Acc ParseUnsigned(unsigned high, const Ch* text, unsigned base, unsigned char* ok) {
  const Magnitude<Acc> m = ParseMagnitude<Acc>(high, text, base);
  SetOk(ok, m.good && !m.negative);
  return m.value;
}

// Returns the signed value as the unsigned accumulator's bit pattern; the
// callers convert it (modular conversion, so a refused magnitude still gives
// a defined value).
template <typename Acc, typename Ch>
Acc ParseSigned(unsigned high, const Ch* text, unsigned base, unsigned char* ok) {
  const Magnitude<Acc> m = ParseMagnitude<Acc>(high, text, base);
  constexpr Acc kLimit = std::numeric_limits<Acc>::max() >> 1;
  SetOk(ok, m.good && m.value <= kLimit);
  return m.negative ? static_cast<Acc>(Acc{0} - m.value) : m.value;
}

}  // namespace
}  // namespace Str::Conv

namespace Str {

using Conv::ParseSigned;
using Conv::ParseUnsigned;
using U32 = unsigned int;
using U64 = unsigned long long;

unsigned int StrToCardA(unsigned high, const char* text, unsigned base, unsigned char* ok) {
  return ParseUnsigned<U32>(high, text, base, ok);
}
int StrToIntA(unsigned high, const char* text, unsigned base, unsigned char* ok) {
  return static_cast<int>(ParseSigned<U32>(high, text, base, ok));
}
unsigned long long StrToCard64A(unsigned high, const char* text, unsigned base, unsigned char* ok) {
  return ParseUnsigned<U64>(high, text, base, ok);
}
unsigned long long StrToCardPtrA(unsigned high, const char* text, unsigned base,
                                 unsigned char* ok) {
  return ParseUnsigned<U64>(high, text, base, ok);
}
long long StrToInt64A(unsigned high, const char* text, unsigned base, unsigned char* ok) {
  return static_cast<long long>(ParseSigned<U64>(high, text, base, ok));
}
long long StrToIntPtrA(unsigned high, const char* text, unsigned base, unsigned char* ok) {
  return static_cast<long long>(ParseSigned<U64>(high, text, base, ok));
}

unsigned int StrToCardW(unsigned high, const char16_t* text, unsigned base, unsigned char* ok) {
  return ParseUnsigned<U32>(high, text, base, ok);
}
int StrToIntW(unsigned high, const char16_t* text, unsigned base, unsigned char* ok) {
  return static_cast<int>(ParseSigned<U32>(high, text, base, ok));
}
unsigned long long StrToCard64W(unsigned high, const char16_t* text, unsigned base,
                                unsigned char* ok) {
  return ParseUnsigned<U64>(high, text, base, ok);
}
unsigned long long StrToCardPtrW(unsigned high, const char16_t* text, unsigned base,
                                 unsigned char* ok) {
  return ParseUnsigned<U64>(high, text, base, ok);
}
long long StrToInt64W(unsigned high, const char16_t* text, unsigned base, unsigned char* ok) {
  return static_cast<long long>(ParseSigned<U64>(high, text, base, ok));
}
long long StrToIntPtrW(unsigned high, const char16_t* text, unsigned base, unsigned char* ok) {
  return static_cast<long long>(ParseSigned<U64>(high, text, base, ok));
}

}  // namespace Str
