#include "runtime/conv_text.h"

#include <cstring>

#include "runtime/str_utf.h"

namespace Str::Conv {

std::size_t StoreText(const char* text, std::size_t count, unsigned high, char* buffer) {
  const std::size_t places = Places(high);
  const std::size_t stored = count < places ? count : places;
  std::memcpy(buffer, text, stored);
  if (stored < places) buffer[stored] = 0;
  return count;
}

// Formatted text is ASCII except for a locale's separators, which are
// decoded from UTF-8; a cut text never ends in half a surrogate pair.
std::size_t StoreText(const char* text, std::size_t count, unsigned high, char16_t* buffer) {
  const std::size_t places = Places(high);
  const std::size_t stored = detail::Utf8ToUtf16(text, count, buffer, places);
  if (stored < places) buffer[stored] = 0;
  return detail::Utf8ToUtf16(text, count, nullptr, 0);
}

}  // namespace Str::Conv
