#include "runtime/conv_format_buffer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "tqusb/runtime/storage.h"

namespace Str::Conv {

FormatBuffer::~FormatBuffer() {
  if (data_ != inline_) {
    void* block = data_;
    Storage::Free(&block);
  }
}

void FormatBuffer::Reserve(std::size_t capacity) {
  if (capacity <= capacity_) return;
  void* block = nullptr;
  Storage::Allocate(&block, capacity);
  std::memcpy(block, data_, size_);
  if (data_ != inline_) {
    void* old = data_;
    Storage::Free(&old);
  }
  data_ = static_cast<char*>(block);
  capacity_ = capacity;
}

namespace {

// The "C" numeric conventions. glibc hands out its built-in object for "C",
// so nothing is allocated and nothing needs freeing.
locale_t CNumeric() {
  static const locale_t c = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
  return c;
}

// Installs a locale on the calling thread only (the process's global locale,
// which the host owns, and every other thread are left alone) for the
// lifetime of the object.
class ThreadLocale {
 public:
  explicit ThreadLocale(locale_t locale)
      : previous_(locale != static_cast<locale_t>(0) ? uselocale(locale)
                                                     : static_cast<locale_t>(0)) {}
  ~ThreadLocale() {
    if (previous_ != static_cast<locale_t>(0)) uselocale(previous_);
  }
  ThreadLocale(const ThreadLocale&) = delete;
  ThreadLocale& operator=(const ThreadLocale&) = delete;

 private:
  locale_t previous_;
};

}  // namespace

bool FormatBuffer::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const bool produced = FormatList(CNumeric(), format, args);
  va_end(args);
  return produced;
}

bool FormatBuffer::FormatIn(locale_t numeric, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const bool produced = FormatList(numeric, format, args);
  va_end(args);
  return produced;
}

bool FormatBuffer::FormatList(locale_t numeric, const char* format, va_list args) {
  ThreadLocale scope(numeric);
  va_list again;
  va_copy(again, args);
  int produced = std::vsnprintf(data_, capacity_, format, args);
  if (produced >= 0 && static_cast<std::size_t>(produced) >= capacity_) {
    size_ = 0;
    Reserve(static_cast<std::size_t>(produced) + 1);
    produced = std::vsnprintf(data_, capacity_, format, again);
  }
  va_end(again);
  size_ = produced > 0 ? static_cast<std::size_t>(produced) : 0;
  data_[size_] = 0;
  return produced > 0;
}

std::size_t FormatBuffer::Find(char c, std::size_t from) const {
  for (std::size_t i = from; i < size_; ++i)
    if (data_[i] == c) return i;
  return npos;
}

void FormatBuffer::Insert(std::size_t pos, const char* text, std::size_t count) {
  if (pos > size_) pos = size_;
  Reserve(size_ + count + 1);
  std::memmove(data_ + pos + count, data_ + pos, size_ - pos + 1);
  std::memcpy(data_ + pos, text, count);
  size_ += count;
}

void FormatBuffer::Erase(std::size_t pos, std::size_t count) {
  if (pos >= size_) return;
  if (count > size_ - pos) count = size_ - pos;
  std::memmove(data_ + pos, data_ + pos + count, size_ - pos - count + 1);
  size_ -= count;
}

void FormatBuffer::Truncate(std::size_t size) {
  if (size < size_) {
    size_ = size;
    data_[size_] = 0;
  }
}

}  // namespace Str::Conv
