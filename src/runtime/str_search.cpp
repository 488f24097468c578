// Searching for characters and substrings, and replacing a substring.
#include "runtime/str_core.h"

namespace Str {
namespace {
using detail::FirstDifference;
using detail::Length;
using detail::MoveChars;
using detail::ScanFor;
using detail::Size;

template <typename Ch>
unsigned int NextCharPos(unsigned int high, const Ch* s, Ch c, unsigned int start) {
  Size len = Length(high, s);
  if (start >= len) return NotFound;
  Size i = start + ScanFor(s + start, len - start, c);
  return i < len ? static_cast<unsigned int>(i) : NotFound;
}

template <typename Ch>
unsigned int RCharPos(unsigned int high, const Ch* s, Ch c) {
  for (Size i = Length(high, s); i > 0; --i) {
    if (s[i - 1] == c) return static_cast<unsigned int>(i - 1);
  }
  return NotFound;
}

template <typename Ch>
unsigned int Count(unsigned int high, const Ch* s, Ch c) {
  Size len = Length(high, s);
  unsigned int n = 0;
  for (Size i = 0; i < len; ++i) n += s[i] == c ? 1 : 0;
  return n;
}

// Occurrences must lie wholly inside the string, which itself lies inside high.
template <typename Ch>
unsigned int NextPos(unsigned int high, const Ch* s, unsigned int subHigh, const Ch* sub,
                     unsigned int start) {
  Size len = Length(high, s);
  Size subLen = Length(subHigh, sub);
  if (start >= len || subLen > len - start) return NotFound;
  if (subLen == 0) return start;
  for (Size i = start; i + subLen <= len; ++i) {
    Size skip = ScanFor(s + i, len - subLen + 1 - i, sub[0]);
    i += skip;
    if (i + subLen > len) break;
    if (FirstDifference(s + i, sub, subLen) == subLen) return static_cast<unsigned int>(i);
  }
  return NotFound;
}

template <typename Ch>
void Subst(unsigned int high, Ch* s, unsigned int findHigh, const Ch* find, unsigned int replHigh,
           const Ch* repl,
           void (*insert)(unsigned int, Ch*, unsigned int, const Ch*, unsigned int)) {
  unsigned int at = NextPos(high, s, findHigh, find, 0);
  if (at == NotFound) return;
  Size len = Length(high, s);
  Size findLen = Length(findHigh, find);
  // Cut the found text out (the tail keeps its terminator, if any), then insert.
  Size tail = len - at - findLen;
  MoveChars(s + at + findLen, s + at, tail);
  detail::Terminate(high, s, at + tail);
  insert(high, s, replHigh, repl, at);
}

}  // namespace

unsigned int CharPosA(unsigned int high, const char* s, char c) {
  return NextCharPos(high, s, c, 0);
}
unsigned int CharPosW(unsigned int high, const char16_t* s, char16_t c) {
  return NextCharPos(high, s, c, 0);
}
unsigned int NextCharPosA(unsigned int high, const char* s, char c, unsigned int start) {
  return NextCharPos(high, s, c, start);
}
unsigned int NextCharPosW(unsigned int high, const char16_t* s, char16_t c, unsigned int start) {
  return NextCharPos(high, s, c, start);
}
unsigned int RCharPosA(unsigned int high, const char* s, char c) {
  return RCharPos(high, s, c);
}
unsigned int RCharPosW(unsigned int high, const char16_t* s, char16_t c) {
  return RCharPos(high, s, c);
}
unsigned int CountA(unsigned int high, const char* s, char c) {
  return Count(high, s, c);
}
unsigned int CountW(unsigned int high, const char16_t* s, char16_t c) {
  return Count(high, s, c);
}

unsigned int PosA(unsigned int high, const char* s, unsigned int subHigh, const char* sub) {
  return NextPos(high, s, subHigh, sub, 0);
}
unsigned int PosW(unsigned int high, const char16_t* s, unsigned int subHigh, const char16_t* sub) {
  return NextPos(high, s, subHigh, sub, 0);
}
unsigned int NextPosA(unsigned int high, const char* s, unsigned int subHigh, const char* sub,
                      unsigned int start) {
  return NextPos(high, s, subHigh, sub, start);
}
unsigned int NextPosW(unsigned int high, const char16_t* s, unsigned int subHigh,
                      const char16_t* sub, unsigned int start) {
  return NextPos(high, s, subHigh, sub, start);
}

void SubstA(unsigned int high, char* s, unsigned int findHigh, const char* find,
            unsigned int replHigh, const char* repl) {
  Subst(high, s, findHigh, find, replHigh, repl, InsertA);
}
void SubstW(unsigned int high, char16_t* s, unsigned int findHigh, const char16_t* find,
            unsigned int replHigh, const char16_t* repl) {
  Subst(high, s, findHigh, find, replHigh, repl, InsertW);
}

}  // namespace Str
