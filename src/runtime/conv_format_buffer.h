#pragma once
// A growable 8-bit text for formatting numbers with the C runtime and editing
// the result (exponent rewriting, rounding) before it is stored in a bounded
// string. Short texts live in the object itself; a longer one (fixed-point
// output of a huge value with many decimals) moves to the heap.
#include <locale.h>

#include <cstdarg>
#include <cstddef>

namespace Str::Conv {

class FormatBuffer {
 public:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  FormatBuffer() = default;
  FormatBuffer(const FormatBuffer&) = delete;
  FormatBuffer& operator=(const FormatBuffer&) = delete;
  ~FormatBuffer();

  // Replaces the text by printf-style output, however long it is, with '.'
  // as the decimal point whatever locale the host process set. Returns false
  // when the C runtime reports an error (nothing produced).
  bool Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
  // The same with the numeric conventions of `numeric` (the user's decimal
  // separator, for the locale-aware formatter).
  bool FormatIn(locale_t numeric, const char* format, ...) __attribute__((format(printf, 3, 4)));

  const char* Data() const { return data_; }
  std::size_t Size() const { return size_; }
  char operator[](std::size_t i) const { return data_[i]; }
  char& operator[](std::size_t i) { return data_[i]; }

  // Index of the first `c` at or after `from`, or npos.
  std::size_t Find(char c, std::size_t from = 0) const;
  void Insert(std::size_t pos, const char* text, std::size_t count);
  void Insert(std::size_t pos, char c) { Insert(pos, &c, 1); }
  void Erase(std::size_t pos, std::size_t count);
  void Truncate(std::size_t size);
  void Append(const char* text, std::size_t count) { Insert(size_, text, count); }

 private:
  void Reserve(std::size_t capacity);
  bool FormatList(locale_t numeric, const char* format, va_list args);

  char inline_[384];
  char* data_ = inline_;
  std::size_t size_ = 0;
  std::size_t capacity_ = sizeof inline_;
};

}  // namespace Str::Conv
