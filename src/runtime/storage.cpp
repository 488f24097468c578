#include "tqusb/runtime/storage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Storage {

void OutOfMemory() {
  std::fputs("Critical Error: Not enough memory\n", stderr);
  std::fflush(stderr);
  std::_Exit(255);
}

void Allocate(void** p, unsigned long long size) {
  if (size == 0) {
    *p = nullptr;
    return;
  }
  void* block = std::malloc(size);
  if (block == nullptr) OutOfMemory();
  *p = block;
}

void Reallocate(void** p, unsigned long long size) {
  if (size == 0) {
    Free(p);
    return;
  }
  void* block = std::realloc(*p, size);
  if (block == nullptr) OutOfMemory();
  *p = block;
}

void Free(void** p) {
  if (*p == nullptr) return;
  std::free(*p);
  *p = nullptr;
}

void Deallocate(void** p, unsigned long long) { Free(p); }

void _DbgAllocate(void** p, unsigned long long size, unsigned int, char*, unsigned int) {
  Allocate(p, size);
}
void _DbgReallocate(void** p, unsigned long long size, unsigned int, char*, unsigned int) {
  Reallocate(p, size);
}
void _DbgDeallocate(void** p, unsigned long long, unsigned int, char*, unsigned int) { Free(p); }
void _DbgFree(void** p, unsigned int, char*, unsigned int) { Free(p); }

void MemoryCopy(const void* src, void* dst, unsigned long long size) {
  if (size != 0) std::memcpy(dst, src, size);
}
void MemoryMove(const void* src, void* dst, unsigned long long size) {
  if (size != 0) std::memmove(dst, src, size);
}
void MemoryFill(void* dst, unsigned long long size, unsigned char value) {
  if (size != 0) std::memset(dst, value, size);
}
void MemoryZero(void* dst, unsigned long long size) {
  if (size != 0) std::memset(dst, 0, size);
}

}  // namespace Storage
