#pragma once
// Storage: memory from the C runtime heap. Exhaustion is fatal: the process
// prints "Critical Error: Not enough memory" and ends with status 255, so no
// caller ever sees a null block for a non-zero size. Block functions take the
// source before the destination.
#include <cstdint>

#include "tqusb/export.h"

namespace Storage {

TQ_API void Allocate(void** p, unsigned long long size);
TQ_API void Reallocate(void** p, unsigned long long size);
TQ_API void Free(void** p);
TQ_API void Deallocate(void** p, unsigned long long size);

// Debug forms: the same work; the extra arguments are accepted and unused.
TQ_API void _DbgAllocate(void** p, unsigned long long size, unsigned int tag, char* file,
                         unsigned int line);
TQ_API void _DbgReallocate(void** p, unsigned long long size, unsigned int tag, char* file,
                           unsigned int line);
TQ_API void _DbgDeallocate(void** p, unsigned long long size, unsigned int tag, char* file,
                           unsigned int line);
TQ_API void _DbgFree(void** p, unsigned int tag, char* file, unsigned int line);

TQ_API void MemoryCopy(const void* src, void* dst, unsigned long long size);
TQ_API void MemoryMove(const void* src, void* dst, unsigned long long size);
TQ_API void MemoryFill(void* dst, unsigned long long size, unsigned char value);
TQ_API void MemoryZero(void* dst, unsigned long long size);

// Prints the fatal message and ends the process with status 255.
[[noreturn]] TQ_API void OutOfMemory();

}  // namespace Storage
