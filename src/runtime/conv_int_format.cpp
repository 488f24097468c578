// Integer to text in bases 2 to 16, for every width and both string types.
#include <algorithm>

#include "runtime/conv_text.h"
#include "tqusb/runtime/str_convert.h"

namespace Str::Conv {
namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// Digits are produced least significant first from index 0 (behind a '-' for
// a negative value), then reversed; when the buffer runs full first, the
// low-order digits that were produced remain, in order.
template <typename U, typename Ch>
void FormatMagnitude(U magnitude, bool negative, unsigned high, Ch* buffer, unsigned base,
                     unsigned char* ok) {
  if (buffer == nullptr) {
    SetOk(ok, false);
    return;
  }
  base = ClampBase(base);
  const std::size_t places = Places(high);
  std::size_t pos = 0;
  if (negative) buffer[pos++] = '-';
  const std::size_t first = pos;
  bool complete = true;
  do {
    if (pos >= places) {
      complete = false;
      break;
    }
    buffer[pos++] = static_cast<Ch>(kDigits[magnitude % base]);
    magnitude = static_cast<U>(magnitude / base);
  } while (magnitude != 0);
  if (pos < places) buffer[pos] = 0;
  std::reverse(buffer + first, buffer + pos);
  SetOk(ok, complete);
}

// The magnitude of the most negative value is taken as unsigned, so it
// formats correctly.
template <typename U, typename S, typename Ch>
void FormatSigned(S value, unsigned high, Ch* buffer, unsigned base, unsigned char* ok) {
  const U bits = static_cast<U>(value);
  FormatMagnitude<U>(value < 0 ? static_cast<U>(U{0} - bits) : bits, value < 0, high, buffer, base,
                     ok);
}

}  // namespace
}  // namespace Str::Conv

namespace Str {

using Conv::FormatMagnitude;
using Conv::FormatSigned;
using U32 = unsigned int;
using U64 = unsigned long long;

void CardToStrA(unsigned int value, unsigned high, char* buffer, unsigned base, unsigned char* ok) {
  FormatMagnitude<U32>(value, false, high, buffer, base, ok);
}
void Card64ToStrA(unsigned long long value, unsigned high, char* buffer, unsigned base,
                  unsigned char* ok) {
  FormatMagnitude<U64>(value, false, high, buffer, base, ok);
}
void CardPtrToStrA(unsigned long long value, unsigned high, char* buffer, unsigned base,
                   unsigned char* ok) {
  FormatMagnitude<U64>(value, false, high, buffer, base, ok);
}
void IntToStrA(int value, unsigned high, char* buffer, unsigned base, unsigned char* ok) {
  FormatSigned<U32>(value, high, buffer, base, ok);
}
void Int64ToStrA(long long value, unsigned high, char* buffer, unsigned base, unsigned char* ok) {
  FormatSigned<U64>(value, high, buffer, base, ok);
}
void IntPtrToStrA(long long value, unsigned high, char* buffer, unsigned base, unsigned char* ok) {
  FormatSigned<U64>(value, high, buffer, base, ok);
}

void CardToStrW(unsigned int value, unsigned high, char16_t* buffer, unsigned base,
                unsigned char* ok) {
  FormatMagnitude<U32>(value, false, high, buffer, base, ok);
}
void Card64ToStrW(unsigned long long value, unsigned high, char16_t* buffer, unsigned base,
                  unsigned char* ok) {
  FormatMagnitude<U64>(value, false, high, buffer, base, ok);
}
void CardPtrToStrW(unsigned long long value, unsigned high, char16_t* buffer, unsigned base,
                   unsigned char* ok) {
  FormatMagnitude<U64>(value, false, high, buffer, base, ok);
}
void IntToStrW(int value, unsigned high, char16_t* buffer, unsigned base, unsigned char* ok) {
  FormatSigned<U32>(value, high, buffer, base, ok);
}
void Int64ToStrW(long long value, unsigned high, char16_t* buffer, unsigned base,
                 unsigned char* ok) {
  FormatSigned<U64>(value, high, buffer, base, ok);
}
void IntPtrToStrW(long long value, unsigned high, char16_t* buffer, unsigned base,
                  unsigned char* ok) {
  FormatSigned<U64>(value, high, buffer, base, ok);
}

}  // namespace Str
