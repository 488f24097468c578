#pragma once
// Bounded-string buffers for the runtime tests: exactly high + 1 places on the
// heap, so a read or write past high is caught by the address sanitizer; ASCII
// text in both string widths; and a locale switched for one test.
#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "tqusb/runtime/str.h"

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

// High index of a buffer roomy enough for any number text.
inline constexpr unsigned kRoomy = 78;

template <typename Ch>
class Bounded {
 public:
  // Places start as '#'; init is stored from index 0 with the writing rule.
  explicit Bounded(unsigned high = kRoomy, std::basic_string_view<Ch> init = {})
      : high(high), data_(new Ch[high + 1]) {
    for (unsigned i = 0; i <= high; ++i) data_[i] = Ch('#');
    for (unsigned i = 0; i < init.size() && i <= high; ++i) data_[i] = init[i];
    if (init.size() <= high) data_[init.size()] = Ch(0);
  }
  Ch* p() { return data_.get(); }
  const Ch* p() const { return data_.get(); }
  // Every place, terminators and untouched places included.
  std::basic_string<Ch> places() const { return {data_.get(), high + 1u}; }
  // The string by the length rule.
  std::basic_string<Ch> str() const {
    unsigned n = 0;
    while (n <= high && data_[n] != Ch(0)) ++n;
    return {data_.get(), n};
  }
  // The string as 8-bit text.
  std::string Text() const {
    if constexpr (sizeof(Ch) == 1)
      return str();
    else
      return Narrow(str());
  }
  bool Terminated() const { return str().size() <= high; }

  const unsigned high;

 private:
  std::unique_ptr<Ch[]> data_;
};

using BoundedA = Bounded<char>;
using BoundedW = Bounded<char16_t>;
// An output buffer with every place unwritten ('#', no terminator).
template <typename Ch>
struct Buffer : Bounded<Ch> {
  explicit Buffer(unsigned high = kRoomy) : Bounded<Ch>(high) { this->p()[0] = Ch('#'); }
};

// A source buffer that holds exactly the text, without terminator.
template <typename Ch>
Bounded<Ch> Exact(std::basic_string_view<Ch> text) {
  return Bounded<Ch>(text.empty() ? 0u : static_cast<unsigned>(text.size() - 1), text);
}
inline BoundedA ExactA(std::string_view text) {
  return Exact<char>(text);
}
inline BoundedW ExactW(std::u16string_view text) {
  return Exact<char16_t>(text);
}

// Sets a locale for the length of a test: the process's own (for the C
// library) and the library's, which Str::InitModule takes from the environment.
class ScopedLocale {
 public:
  ScopedLocale(int category, const char* name) : category_(category) {
    const char* old = std::setlocale(category, nullptr);
    saved_ = old != nullptr ? old : "C";
    ok_ = std::setlocale(category, name) != nullptr;
    if (name != nullptr) {
      setenv("LC_ALL", name, 1);
      Str::InitModule();
    }
  }
  ~ScopedLocale() {
    std::setlocale(category_, saved_.c_str());
    unsetenv("LC_ALL");
    Str::InitModule();
  }
  bool ok() const { return ok_; }

 private:
  int category_;
  std::string saved_;
  bool ok_;
};
