// Ordinal comparison on unsigned character values.
#include <type_traits>

#include "runtime/str_core.h"

namespace Str {
namespace {
using detail::FirstDifference;
using detail::Length;
using detail::Size;

template <typename Ch>
int Compare(unsigned int aHigh, const Ch* a, unsigned int bHigh, const Ch* b) {
  Size aLen = Length(aHigh, a);
  Size bLen = Length(bHigh, b);
  Size common = aLen < bLen ? aLen : bLen;
  Size i = FirstDifference(a, b, common);
  if (i < common) {
    using U = std::make_unsigned_t<Ch>;
    return static_cast<U>(a[i]) < static_cast<U>(b[i]) ? -1 : 1;
  }
  if (aLen == bLen) return 0;
  return aLen < bLen ? -1 : 1;
}

}  // namespace

int CompareA(unsigned int aHigh, const char* a, unsigned int bHigh, const char* b) {
  return Compare(aHigh, a, bHigh, b);
}
int CompareW(unsigned int aHigh, const char16_t* a, unsigned int bHigh, const char16_t* b) {
  return Compare(aHigh, a, bHigh, b);
}

unsigned char SameA(unsigned int aHigh, const char* a, unsigned int bHigh, const char* b) {
  return Compare(aHigh, a, bHigh, b) == 0 ? 1 : 0;
}
unsigned char SameW(unsigned int aHigh, const char16_t* a, unsigned int bHigh, const char16_t* b) {
  return Compare(aHigh, a, bHigh, b) == 0 ? 1 : 0;
}

}  // namespace Str
