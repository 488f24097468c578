#pragma once
// Shared building blocks of the bounded-string operations. The A and W forms are
// written once as templates over the character type; these helpers pick the
// byte or 16-bit block operation of Lib for each type.
#include "tqusb/runtime/lib_blocks.h"
#include "tqusb/runtime/str.h"

namespace Str::detail {

// Counts and indices are kept 64-bit inside so that high + 1 never wraps.
using Size = unsigned long long;

inline Size Places(unsigned int high) {
  return Size(high) + 1;
}

inline Size ScanFor(const char* p, Size n, char c) {
  return Lib::ScanR(p, n, static_cast<unsigned char>(c));
}
inline Size ScanFor(const char16_t* p, Size n, char16_t c) {
  return Lib::WordScanR(p, n, c);
}

inline Size FirstDifference(const char* a, const char* b, Size n) {
  return Lib::Compare(a, b, n);
}
inline Size FirstDifference(const char16_t* a, const char16_t* b, Size n) {
  return Lib::WordCompare(a, b, n);
}

template <typename Ch>
void MoveChars(const Ch* src, Ch* dst, Size n) {
  Lib::Move(src, dst, n * sizeof(Ch));
}

// Characters before the first NUL, scanning at most high + 1 places.
template <typename Ch>
Size Length(unsigned int high, const Ch* s) {
  return ScanFor(s, Places(high), Ch(0));
}

// The writing rule: a NUL goes behind the text only when its index is high or less.
template <typename Ch>
void Terminate(unsigned int high, Ch* s, Size end) {
  if (end <= high) s[end] = Ch(0);
}

// Stores the first n characters of src at dst[at...], as far as index high, and
// terminates when there is room. Returns the index behind the last stored one.
template <typename Ch>
Size PutAt(unsigned int high, Ch* dst, Size at, const Ch* src, Size n) {
  if (at > high) return at;
  Size room = Places(high) - at;
  Size stored = n < room ? n : room;
  MoveChars(src, dst + at, stored);
  Terminate(high, dst, at + stored);
  return at + stored;
}

// Upper-casing used by the case-insensitive comparisons (the CapA/CapW mapping).
inline char Upper(char c) {
  return CapA(c);
}
inline char16_t Upper(char16_t c) {
  return CapW(c);
}

}  // namespace Str::detail
