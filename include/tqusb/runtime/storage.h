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

// The usable size of a block from Allocate/Reallocate (at least the size asked
// for; the heap may round up); 0 for null. Only blocks of this heap qualify.
TQ_API unsigned long long MemorySize(void* block);

// Memory of the machine and of this process, in bytes. "Page file" counts
// physical memory plus swap; "virtual" is this process's user address space
// (limited by its address-space limit) and the part of it not yet mapped.
struct TMemoryStatus {
  unsigned int MemoryLoad;  // percentage of physical memory in use
  unsigned long long TotalPhys;
  unsigned long long AvailPhys;
  unsigned long long TotalPageFile;
  unsigned long long AvailPageFile;
  unsigned long long TotalVirtual;
  unsigned long long AvailVirtual;
};
TQ_API void GetMemoryStatus(TMemoryStatus* status);

// 1 when some byte of the range is not readable / not writable by this process
// (as its memory map says); 0 for an empty range. TestBadStringPtr checks the
// bytes up to the string's terminator, at most `size` of them.
TQ_API unsigned char TestBadReadPtr(const void* p, unsigned long long size);
TQ_API unsigned char TestBadWritePtr(void* p, unsigned long long size);
TQ_API unsigned char TestBadStringPtr(const void* p, unsigned long long size);

// Module start-up. The module keeps no state of its own, so there is nothing
// to reset; it exists so that start-up code initialises every module alike.
TQ_API void InitModule();

// Prints the fatal message and ends the process with status 255.
[[noreturn]] TQ_API void OutOfMemory();

}  // namespace Storage
