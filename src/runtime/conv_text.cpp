#include "runtime/conv_text.h"

#include <cstring>

namespace Str::Conv {

std::size_t StoreText(const char* text, std::size_t count, unsigned high, char* buffer) {
  const std::size_t places = Places(high);
  const std::size_t stored = count < places ? count : places;
  std::memcpy(buffer, text, stored);
  if (stored < places) buffer[stored] = 0;
  return count;
}

namespace {

// Decodes one UTF-8 sequence starting at text[i]; advances i. Malformed or
// cut sequences, overlong forms and surrogates become U+FFFD.
char32_t DecodeUtf8(const char* text, std::size_t count, std::size_t& i) {
  const unsigned lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  unsigned follow;
  char32_t cp;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    follow = 1, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    follow = 2, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    follow = 3, cp = lead & 0x07, minimum = 0x10000;
  } else {
    return 0xFFFD;
  }
  for (unsigned k = 0; k < follow; ++k) {
    if (i >= count || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0xFFFD;
  return cp;
}

}  // namespace

std::size_t StoreText(const char* text, std::size_t count, unsigned high, char16_t* buffer) {
  const std::size_t places = Places(high);
  std::size_t units = 0;
  auto put = [&](char16_t unit) {
    if (units < places) buffer[units] = unit;
    ++units;
  };
  for (std::size_t i = 0; i < count;) {
    const char32_t cp = DecodeUtf8(text, count, i);
    if (cp < 0x10000) {
      put(static_cast<char16_t>(cp));
    } else {
      put(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      put(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  if (units < places) buffer[units] = 0;
  return units;
}

}  // namespace Str::Conv
