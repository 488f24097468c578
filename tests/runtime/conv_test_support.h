#pragma once
// Helpers for the conversion tests: ASCII text in both string widths, and
// bounded buffers that reveal writes past their high index.
#include <array>
#include <string>
#include <string_view>

namespace conv_test {

inline std::u16string Widen(std::string_view s) {
  std::u16string w;
  for (char c : s) w.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return w;
}

inline std::string Narrow(std::u16string_view w) {
  std::string s;
  for (char16_t c : w) s.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return s;
}

// An 80-unit array pre-filled with '#'. Text() reads the bounded string
// (high, data) by the length rule; Untouched() tells that nothing was written
// behind index high.
template <typename Ch>
struct Buffer {
  static constexpr unsigned kSize = 80;
  std::array<Ch, kSize> data;
  unsigned high;

  explicit Buffer(unsigned h = kSize - 2) : high(h) { data.fill(static_cast<Ch>('#')); }
  Ch* get() { return data.data(); }
  std::basic_string<Ch> Raw() const {
    std::basic_string<Ch> s;
    for (unsigned i = 0; i <= high && data[i] != 0; ++i) s.push_back(data[i]);
    return s;
  }
  std::string Text() const {
    if constexpr (sizeof(Ch) == 1)
      return Raw();
    else
      return Narrow(Raw());
  }
  bool Terminated() const { return Raw().size() <= high; }
  bool Untouched() const {
    for (unsigned i = high + 1; i < kSize; ++i)
      if (data[i] != static_cast<Ch>('#')) return false;
    return true;
  }
};

}  // namespace conv_test
