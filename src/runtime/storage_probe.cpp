// Storage::TestBad*Ptr: whether this process may touch an address range, as
// its memory map says (nothing is touched to find out, except the bytes of a
// string while looking for its terminator in readable memory).
#include <cstdint>

#include "runtime/memory_map.h"
#include "tqusb/runtime/storage.h"

namespace Storage {

namespace {

// Index of the first NUL in [p, p + count), or count. The bytes are readable
// per the memory map but may lie outside any object the sanitizer knows of.
__attribute__((no_sanitize_address)) std::uint64_t FindTerminator(const volatile char* p,
                                                                  std::uint64_t count) {
  for (std::uint64_t i = 0; i < count; ++i) {
    if (p[i] == '\0') return i;
  }
  return count;
}

}  // namespace

unsigned char TestBadReadPtr(const void* p, unsigned long long size) {
  if (size == 0) return 0;
  const auto map = runtime::ReadMemoryMap();
  return runtime::RangeAccessible(map, reinterpret_cast<std::uintptr_t>(p), size, false) ? 0 : 1;
}

unsigned char TestBadWritePtr(void* p, unsigned long long size) {
  if (size == 0) return 0;
  const auto map = runtime::ReadMemoryMap();
  return runtime::RangeAccessible(map, reinterpret_cast<std::uintptr_t>(p), size, true) ? 0 : 1;
}

unsigned char TestBadStringPtr(const void* p, unsigned long long size) {
  if (size == 0) return 0;
  const auto map = runtime::ReadMemoryMap();
  auto at = reinterpret_cast<std::uintptr_t>(p);
  std::uint64_t left = size;
  // Walk the readable ranges in address order from p until the terminator or
  // `size` bytes; a gap or an unreadable range before that is bad.
  for (const runtime::MappedRange& range : map) {
    if (range.end <= at) continue;
    if (range.start > at || !range.readable) return 1;
    const std::uint64_t inRange = range.end - at;
    const std::uint64_t count = inRange < left ? inRange : left;
    if (FindTerminator(reinterpret_cast<const volatile char*>(at), count) < count) return 0;
    left -= count;
    if (left == 0) return 0;
    at = range.end;
  }
  return 1;
}

}  // namespace Storage
