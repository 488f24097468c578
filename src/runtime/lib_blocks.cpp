#include "tqusb/runtime/lib_blocks.h"

#include <cstdint>
#include <cstring>

namespace Lib {
namespace {

// Elements are read and written through memcpy so that blocks need no alignment.
template <typename T>
T Load(const unsigned char* p, unsigned long long i) {
  T v;
  std::memcpy(&v, p + i * sizeof(T), sizeof(T));
  return v;
}

template <typename T>
void FillElements(void* dst, unsigned long long count, T value) {
  auto* d = static_cast<unsigned char*>(dst);
  for (unsigned long long i = 0; i < count; ++i) std::memcpy(d + i * sizeof(T), &value, sizeof(T));
}

template <typename T>
unsigned long long CompareElements(const void* a, const void* b, unsigned long long count) {
  const auto* pa = static_cast<const unsigned char*>(a);
  const auto* pb = static_cast<const unsigned char*>(b);
  unsigned long long i = 0;
  while (i < count && Load<T>(pa, i) == Load<T>(pb, i)) ++i;
  return i;
}

// Counts elements from p upward while (element == value) != stopOnEqual.
template <typename T>
unsigned long long ScanUp(const void* p, unsigned long long count, T value, bool stopOnEqual) {
  const auto* s = static_cast<const unsigned char*>(p);
  unsigned long long i = 0;
  while (i < count && (Load<T>(s, i) == value) != stopOnEqual) ++i;
  return i;
}

// The same from p downward; p is the highest element of the range.
template <typename T>
unsigned long long ScanDown(const void* p, unsigned long long count, T value, bool stopOnEqual) {
  const auto* top = static_cast<const unsigned char*>(p);
  unsigned long long i = 0;
  while (i < count) {
    T v;
    std::memcpy(&v, top - i * sizeof(T), sizeof(T));
    if ((v == value) == stopOnEqual) break;
    ++i;
  }
  return i;
}

}  // namespace

void Move(const void* src, void* dst, unsigned long long count) {
  if (count != 0) std::memmove(dst, src, count);
}
void WordMove(const void* src, void* dst, unsigned long long count) {
  if (count != 0) std::memmove(dst, src, count * 2);
}
void LongWordMove(const void* src, void* dst, unsigned long long count) {
  if (count != 0) std::memmove(dst, src, count * 4);
}

void Fill(void* dst, unsigned long long count, unsigned char value) {
  if (count != 0) std::memset(dst, value, count);
}
void WordFill(void* dst, unsigned long long count, unsigned short value) {
  FillElements<std::uint16_t>(dst, count, value);
}
void LongWordFill(void* dst, unsigned long long count, unsigned int value) {
  FillElements<std::uint32_t>(dst, count, value);
}

unsigned long long Compare(const void* a, const void* b, unsigned long long count) {
  return CompareElements<std::uint8_t>(a, b, count);
}
unsigned long long WordCompare(const void* a, const void* b, unsigned long long count) {
  return CompareElements<std::uint16_t>(a, b, count);
}

unsigned long long ScanR(const void* p, unsigned long long count, unsigned char value) {
  if (count == 0) return 0;
  const void* hit = std::memchr(p, value, count);
  return hit == nullptr ? count
                        : static_cast<unsigned long long>(static_cast<const unsigned char*>(hit) -
                                                          static_cast<const unsigned char*>(p));
}
unsigned long long WordScanR(const void* p, unsigned long long count, unsigned short value) {
  return ScanUp<std::uint16_t>(p, count, value, true);
}
unsigned long long ScanNeR(const void* p, unsigned long long count, unsigned char value) {
  return ScanUp<std::uint8_t>(p, count, value, false);
}
unsigned long long WordScanNeR(const void* p, unsigned long long count, unsigned short value) {
  return ScanUp<std::uint16_t>(p, count, value, false);
}

unsigned long long ScanL(const void* p, unsigned long long count, unsigned char value) {
  return ScanDown<std::uint8_t>(p, count, value, true);
}
unsigned long long WordScanL(const void* p, unsigned long long count, unsigned short value) {
  return ScanDown<std::uint16_t>(p, count, value, true);
}
unsigned long long ScanNeL(const void* p, unsigned long long count, unsigned char value) {
  return ScanDown<std::uint8_t>(p, count, value, false);
}
unsigned long long WordScanNeL(const void* p, unsigned long long count, unsigned short value) {
  return ScanDown<std::uint16_t>(p, count, value, false);
}

}  // namespace Lib
