#pragma once
// The string operations the scanners need, by character width, so that the A
// and W scanners share one implementation.
#include <cstring>
#include <string>

#include "runtime/str_utf.h"
#include "tqusb/runtime/str.h"
#include "tqusb/runtime/str_convert.h"

namespace vscan::detail {

template <class Char>
struct Text;

template <>
struct Text<char> {
  static constexpr bool kWide = false;
  static unsigned Length(unsigned high, const char* s) {
    return s == nullptr ? 0 : Str::LengthA(high, s);
  }
  static std::string ToUtf8(unsigned high, const char* s) {
    return s == nullptr ? std::string() : std::string(s, Length(high, s));
  }
  // Stores the UTF-8 text terminated into (high, out) when it fits there.
  static bool FromUtf8(const std::string& u, unsigned high, char* out) {
    if (u.size() > high) return false;
    std::memcpy(out, u.data(), u.size());
    out[u.size()] = '\0';
    return true;
  }
  static std::string Literal(const char* s) { return s; }
  static void Copy(unsigned dh, char* d, unsigned sh, const char* s) { Str::CopyA(dh, d, sh, s); }
  static void Concat(unsigned dh, char* d, unsigned ah, const char* a, unsigned bh, const char* b) {
    Str::ConcatA(dh, d, ah, a, bh, b);
  }
  static void Append(unsigned dh, char* d, unsigned sh, const char* s) {
    Str::AppendA(dh, d, sh, s);
  }
  static void Trim(unsigned h, char* s) { Str::TrimA(h, s); }
  static void Caps(unsigned h, char* s) { Str::CapsA(h, s); }
  static int Compare(unsigned ah, const char* a, unsigned bh, const char* b) {
    return Str::CompareA(ah, a, bh, b);
  }
  static unsigned CharPos(unsigned h, const char* s, char c) { return Str::CharPosA(h, s, c); }
  static void Slice(unsigned dh, char* d, unsigned sh, const char* s, unsigned pos, unsigned n) {
    Str::SliceA(dh, d, sh, s, pos, n);
  }
  static void Item(unsigned dh, char* d, unsigned sh, const char* s, const char* seps, unsigned n) {
    Str::ItemSA(dh, d, sh, s, static_cast<unsigned>(std::strlen(seps)) - 1, seps, n);
  }
  static void IntToStr(int v, unsigned h, char* b, unsigned base, unsigned char* ok) {
    Str::IntToStrA(v, h, b, base, ok);
  }
  static int StrToInt(unsigned h, const char* b, unsigned base, unsigned char* ok) {
    return Str::StrToIntA(h, b, base, ok);
  }
};

template <>
struct Text<char16_t> {
  static constexpr bool kWide = true;
  static unsigned Length(unsigned high, const char16_t* s) {
    return s == nullptr ? 0 : Str::LengthW(high, s);
  }
  static std::string ToUtf8(unsigned high, const char16_t* s) {
    unsigned n = Length(high, s);
    std::string u(Str::detail::Utf16ToUtf8(s, n, nullptr, 0), '\0');
    Str::detail::Utf16ToUtf8(s, n, u.data(), u.size());
    return u;
  }
  static bool FromUtf8(const std::string& u, unsigned high, char16_t* out) {
    std::size_t n = Str::detail::Utf8ToUtf16(u.data(), u.size(), nullptr, 0);
    if (n > high) return false;
    Str::detail::Utf8ToUtf16(u.data(), u.size(), out, n);
    out[n] = u'\0';
    return true;
  }
  static std::u16string Literal(const char* s) {
    std::u16string w;
    for (; *s != '\0'; ++s) w += static_cast<char16_t>(*s);  // ASCII literals only
    return w;
  }
  static void Copy(unsigned dh, char16_t* d, unsigned sh, const char16_t* s) {
    Str::CopyW(dh, d, sh, s);
  }
  static void Concat(unsigned dh, char16_t* d, unsigned ah, const char16_t* a, unsigned bh,
                     const char16_t* b) {
    Str::ConcatW(dh, d, ah, a, bh, b);
  }
  static void Append(unsigned dh, char16_t* d, unsigned sh, const char16_t* s) {
    Str::AppendW(dh, d, sh, s);
  }
  static void Trim(unsigned h, char16_t* s) { Str::TrimW(h, s); }
  static void Caps(unsigned h, char16_t* s) { Str::CapsW(h, s); }
  static int Compare(unsigned ah, const char16_t* a, unsigned bh, const char16_t* b) {
    return Str::CompareW(ah, a, bh, b);
  }
  static unsigned CharPos(unsigned h, const char16_t* s, char16_t c) {
    return Str::CharPosW(h, s, c);
  }
  static void Slice(unsigned dh, char16_t* d, unsigned sh, const char16_t* s, unsigned pos,
                    unsigned n) {
    Str::SliceW(dh, d, sh, s, pos, n);
  }
  static void Item(unsigned dh, char16_t* d, unsigned sh, const char16_t* s, const char* seps,
                   unsigned n) {
    std::u16string w = Literal(seps);
    Str::ItemSW(dh, d, sh, s, static_cast<unsigned>(w.size()) - 1, w.c_str(), n);
  }
  static void IntToStr(int v, unsigned h, char16_t* b, unsigned base, unsigned char* ok) {
    Str::IntToStrW(v, h, b, base, ok);
  }
  static int StrToInt(unsigned h, const char16_t* b, unsigned base, unsigned char* ok) {
    return Str::StrToIntW(h, b, base, ok);
  }
};

}  // namespace vscan::detail
