// Removing blanks and padding with a character.
#include "runtime/str_core.h"

namespace Str {
namespace {
using detail::Length;
using detail::MoveChars;
using detail::Places;
using detail::Size;
using detail::Terminate;

// Only these four count as blanks; form feed and the like stay.
template <typename Ch>
bool IsBlank(Ch c) {
  return c == Ch(9) || c == Ch(10) || c == Ch(13) || c == Ch(32);
}

template <typename Ch>
void LTrim(unsigned int high, Ch* s) {
  Size len = Length(high, s);
  Size first = 0;
  while (first < len && IsBlank(s[first])) ++first;
  if (first == 0) return;
  MoveChars(s + first, s, len - first);
  s[len - first] = Ch(0);
}

template <typename Ch>
void RTrim(unsigned int high, Ch* s) {
  Size end = Length(high, s);
  Size len = end;
  while (end > 0 && IsBlank(s[end - 1])) --end;
  if (end < len) s[end] = Ch(0);
}

template <typename Ch>
void Trim(unsigned int high, Ch* s) {
  LTrim(high, s);
  RTrim(high, s);
}

template <typename Ch>
Size PadTarget(unsigned int high, unsigned int width) {
  return width < Places(high) ? width : Places(high);
}

template <typename Ch>
void LPadCh(unsigned int high, Ch* s, unsigned int width, Ch c) {
  Size len = Length(high, s);
  Size target = PadTarget<Ch>(high, width);
  if (len >= target) return;
  Size shift = target - len;
  MoveChars(s, s + shift, len);
  for (Size i = 0; i < shift; ++i) s[i] = c;
  Terminate(high, s, target);
}

template <typename Ch>
void RPadCh(unsigned int high, Ch* s, unsigned int width, Ch c) {
  Size len = Length(high, s);
  Size target = PadTarget<Ch>(high, width);
  if (len >= target) return;
  for (Size i = len; i < target; ++i) s[i] = c;
  Terminate(high, s, target);
}

}  // namespace

void TrimA(unsigned int high, char* s) {
  Trim(high, s);
}
void TrimW(unsigned int high, char16_t* s) {
  Trim(high, s);
}
void LTrimA(unsigned int high, char* s) {
  LTrim(high, s);
}
void LTrimW(unsigned int high, char16_t* s) {
  LTrim(high, s);
}
void RTrimA(unsigned int high, char* s) {
  RTrim(high, s);
}
void RTrimW(unsigned int high, char16_t* s) {
  RTrim(high, s);
}

void LPadChA(unsigned int high, char* s, unsigned int width, char c) {
  LPadCh(high, s, width, c);
}
void LPadChW(unsigned int high, char16_t* s, unsigned int width, char16_t c) {
  LPadCh(high, s, width, c);
}
void RPadChA(unsigned int high, char* s, unsigned int width, char c) {
  RPadCh(high, s, width, c);
}
void RPadChW(unsigned int high, char16_t* s, unsigned int width, char16_t c) {
  RPadCh(high, s, width, c);
}

}  // namespace Str
