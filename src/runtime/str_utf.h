#pragma once
// UTF-8 and UTF-16 code points, shared by the conversions and the locale
// comparisons. Malformed input decodes to U+FFFD, one replacement for each
// maximal ill-formed subsequence, so conversions never stall or lose sync.
#include <cstddef>

namespace Str::detail {

inline constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
  char32_t cp;
  bool valid;
};

// Decodes the code point at s[i] (i < n) and advances i past what it used.
Decoded DecodeUtf8(const unsigned char* s, std::size_t n, std::size_t& i);
Decoded DecodeUtf16(const char16_t* s, std::size_t n, std::size_t& i);

// Encode one valid code point; return the number of elements (1 to 4, 1 or 2).
unsigned EncodeUtf8(char32_t cp, unsigned char out[4]);
unsigned EncodeUtf16(char32_t cp, char16_t out[2]);

// Whole-run conversions. With a null dst nothing is stored and the full count
// is returned; otherwise at most cap elements are stored, never part of a
// character, and the count stored is returned.
std::size_t Utf8ToUtf16(const char* src, std::size_t n, char16_t* dst, std::size_t cap);
std::size_t Utf16ToUtf8(const char16_t* src, std::size_t n, char* dst, std::size_t cap);

}  // namespace Str::detail
