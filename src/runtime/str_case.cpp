// Upper and lower case. The 8-bit text is UTF-8 here, so the A forms change the
// ASCII letters only and never split a multi-byte sequence; the W forms map each
// UTF-16 unit with the C library in the library's locale (Str::InitModule).
#include <cwctype>
#include <wctype.h>

#include "runtime/str_core.h"
#include "runtime/str_module_locale.h"

namespace Str {
namespace {
using detail::Length;
using detail::Size;

// A unit whose mapping lies outside the 16-bit range (none does in practice) is
// left as it is rather than truncated.
char16_t MapUnit(char16_t c, wint_t (*map)(wint_t, locale_t)) {
  wint_t mapped = map(c, detail::ModuleLocale());
  return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

template <typename Ch, typename Map>
void MapString(unsigned int high, Ch* s, Map map) {
  Size len = Length(high, s);
  for (Size i = 0; i < len; ++i) s[i] = map(s[i]);
}

}  // namespace

char CapA(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowA(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char16_t CapW(char16_t c) {
  return MapUnit(c, towupper_l);
}
char16_t LowW(char16_t c) {
  return MapUnit(c, towlower_l);
}

void CapsA(unsigned int high, char* s) {
  MapString(high, s, CapA);
}
void LowsA(unsigned int high, char* s) {
  MapString(high, s, LowA);
}
void CapsW(unsigned int high, char16_t* s) {
  MapString(high, s, CapW);
}
void LowsW(unsigned int high, char16_t* s) {
  MapString(high, s, LowW);
}

}  // namespace Str
