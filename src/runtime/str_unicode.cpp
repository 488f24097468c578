// UTF-8 (the 8-bit code page here) <-> UTF-16 conversions and the UTF-8 check.
#include "runtime/str_core.h"
#include "runtime/str_utf.h"

namespace Str {

void A2U(unsigned int aHigh, const char* a, unsigned int wHigh, char16_t* w) {
  detail::Size stored = detail::Utf8ToUtf16(a, detail::Length(aHigh, a), w, detail::Places(wHigh));
  detail::Terminate(wHigh, w, stored);
}

void U2A(unsigned int wHigh, const char16_t* w, unsigned int aHigh, char* a) {
  detail::Size stored = detail::Utf16ToUtf8(w, detail::Length(wHigh, w), a, detail::Places(aHigh));
  detail::Terminate(aHigh, a, stored);
}

void C_A2U(unsigned int wHigh, char16_t* w, unsigned int aHigh, const char* a) {
  A2U(aHigh, a, wHigh, w);
}

void C_U2A(unsigned int aHigh, char* a, unsigned int wHigh, const char16_t* w) {
  U2A(wHigh, w, aHigh, a);
}

void A2UP(const char* src, unsigned int srcLen, char16_t* dst, unsigned int* dstLenInOut) {
  if (dstLenInOut == nullptr) return;
  if (src == nullptr) srcLen = 0;
  std::size_t cap = *dstLenInOut;
  std::size_t count = detail::Utf8ToUtf16(src, srcLen, dst, cap);
  if (dst != nullptr && count < cap) dst[count] = u'\0';
  *dstLenInOut = static_cast<unsigned int>(count);
}

void U2AP(const char16_t* src, unsigned int srcLen, char* dst, unsigned int* dstLenInOut) {
  if (dstLenInOut == nullptr) return;
  if (src == nullptr) srcLen = 0;
  std::size_t cap = *dstLenInOut;
  std::size_t count = detail::Utf16ToUtf8(src, srcLen, dst, cap);
  if (dst != nullptr && count < cap) dst[count] = '\0';
  *dstLenInOut = static_cast<unsigned int>(count);
}

// Well-formed UTF-8 only: besides the lead/continuation byte patterns, overlong
// forms, encoded surrogates and values above U+10FFFF are refused, so whatever
// passes converts without replacement characters.
unsigned char IsUTF8(const void* data, unsigned long long size) {
  if (data == nullptr || size == 0) return 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::size_t i = 0;
  while (i < size) {
    if (!detail::DecodeUtf8(bytes, size, i).valid) return 0;
  }
  return 1;
}

}  // namespace Str
