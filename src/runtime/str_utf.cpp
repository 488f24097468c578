#include "runtime/str_utf.h"

namespace Str::detail {

Decoded DecodeUtf8(const unsigned char* s, std::size_t n, std::size_t& i) {
  unsigned char lead = s[i++];
  if (lead < 0x80) return {lead, true};
  // Allowed range of the first continuation byte per lead byte excludes
  // overlong forms, surrogates and code points above U+10FFFF.
  unsigned need;
  unsigned char lo = 0x80, hi = 0xBF;
  char32_t cp;
  if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2;
    cp = lead & 0x0F;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3;
    cp = lead & 0x07;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return {kReplacement, false};
  }
  for (unsigned k = 0; k < need; ++k) {
    if (i >= n || s[i] < lo || s[i] > hi) return {kReplacement, false};
    cp = (cp << 6) | (s[i] & 0x3F);
    ++i;
    lo = 0x80;
    hi = 0xBF;
  }
  return {cp, true};
}

Decoded DecodeUtf16(const char16_t* s, std::size_t n, std::size_t& i) {
  char16_t u = s[i++];
  if (u < 0xD800 || u > 0xDFFF) return {u, true};
  if (u <= 0xDBFF && i < n && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
    char32_t cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(s[i]) - 0xDC00);
    ++i;
    return {cp, true};
  }
  return {kReplacement, false};
}

unsigned EncodeUtf8(char32_t cp, unsigned char out[4]) {
  if (cp < 0x80) {
    out[0] = static_cast<unsigned char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<unsigned char>(0xC0 | (cp >> 6));
    out[1] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 2;
  }
  if (cp < 0x10000) {
    out[0] = static_cast<unsigned char>(0xE0 | (cp >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return 3;
  }
  out[0] = static_cast<unsigned char>(0xF0 | (cp >> 18));
  out[1] = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
  out[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
  return 4;
}

unsigned EncodeUtf16(char32_t cp, char16_t out[2]) {
  if (cp < 0x10000) {
    out[0] = static_cast<char16_t>(cp);
    return 1;
  }
  cp -= 0x10000;
  out[0] = static_cast<char16_t>(0xD800 + (cp >> 10));
  out[1] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  return 2;
}

std::size_t Utf8ToUtf16(const char* src, std::size_t n, char16_t* dst, std::size_t cap) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(src);
  std::size_t i = 0, count = 0;
  while (i < n) {
    char16_t units[2];
    unsigned k = EncodeUtf16(DecodeUtf8(bytes, n, i).cp, units);
    if (dst != nullptr) {
      if (k > cap - count) break;
      for (unsigned j = 0; j < k; ++j) dst[count + j] = units[j];
    }
    count += k;
  }
  return count;
}

std::size_t Utf16ToUtf8(const char16_t* src, std::size_t n, char* dst, std::size_t cap) {
  std::size_t i = 0, count = 0;
  while (i < n) {
    unsigned char bytes[4];
    unsigned k = EncodeUtf8(DecodeUtf16(src, n, i).cp, bytes);
    if (dst != nullptr) {
      if (k > cap - count) break;
      for (unsigned j = 0; j < k; ++j) dst[count + j] = static_cast<char>(bytes[j]);
    }
    count += k;
  }
  return count;
}

}  // namespace Str::detail
