#pragma once
// A bounded-string buffer for tests: exactly high + 1 places on the heap, so a
// read or write past high is caught by the address sanitizer.
#include <clocale>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "tqusb/runtime/str.h"

template <typename Ch>
class Bounded {
 public:
  // Places start as '#'; init is stored from index 0 with the writing rule.
  Bounded(unsigned high, std::basic_string_view<Ch> init = {})
      : high_(high), data_(new Ch[high + 1]) {
    for (unsigned i = 0; i <= high; ++i) data_[i] = Ch('#');
    for (unsigned i = 0; i < init.size() && i <= high; ++i) data_[i] = init[i];
    if (init.size() <= high) data_[init.size()] = Ch(0);
  }
  unsigned high() const { return high_; }
  Ch* p() { return data_.get(); }
  const Ch* p() const { return data_.get(); }
  // Every place, terminators and untouched places included.
  std::basic_string<Ch> places() const { return {data_.get(), high_ + 1u}; }
  // The string by the length rule.
  std::basic_string<Ch> str() const {
    unsigned n = 0;
    while (n <= high_ && data_[n] != Ch(0)) ++n;
    return {data_.get(), n};
  }

 private:
  unsigned high_;
  std::unique_ptr<Ch[]> data_;
};

using BoundedA = Bounded<char>;
using BoundedW = Bounded<char16_t>;

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

#include <clocale>
#include <cstdlib>

// Switches one locale category for the length of a test (the W case mappings and
// the collation depend on it) and restores the previous setting.
// Sets a locale for the length of a test: the process's own (for the C
// library) and the library's, which Str::InitModule takes from the environment.
class ScopedLocale {
 public:
  ScopedLocale(int category, const char* name) : category_(category) {
    const char* old = std::setlocale(category, nullptr);
    saved_ = old != nullptr ? old : "C";
    ok_ = std::setlocale(category, name) != nullptr;
    if (name != nullptr) SetLibraryLocale(name);
  }
  ~ScopedLocale() {
    std::setlocale(category_, saved_.c_str());
    unsetenv("LC_ALL");
    Str::InitModule();
  }
  bool ok() const { return ok_; }

 private:
  static void SetLibraryLocale(const char* name) {
    setenv("LC_ALL", name, 1);
    Str::InitModule();
  }
  int category_;
  std::string saved_;
  bool ok_;
};
