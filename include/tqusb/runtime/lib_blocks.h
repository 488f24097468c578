#pragma once
// Lib block operations: move, fill, compare and scan runs of bytes, 16-bit words
// and 32-bit words. Counts are in elements; the source comes before the
// destination. Blocks need no particular alignment.
#include "tqusb/export.h"

namespace Lib {

// Memory move of count elements from src to dst; overlap is allowed.
TQ_API void Move(const void* src, void* dst, unsigned long long count);
TQ_API void WordMove(const void* src, void* dst, unsigned long long count);
TQ_API void LongWordMove(const void* src, void* dst, unsigned long long count);

// Stores value count times from dst on.
TQ_API void Fill(void* dst, unsigned long long count, unsigned char value);
TQ_API void WordFill(void* dst, unsigned long long count, unsigned short value);
TQ_API void LongWordFill(void* dst, unsigned long long count, unsigned int value);

// Index of the first element in which a and b differ, count when all are equal.
TQ_API unsigned long long Compare(const void* a, const void* b, unsigned long long count);
TQ_API unsigned long long WordCompare(const void* a, const void* b, unsigned long long count);

// Number of elements before the first one equal (ScanR) or not equal (ScanNeR)
// to value, scanning upward from p; count when there is none.
TQ_API unsigned long long ScanR(const void* p, unsigned long long count, unsigned char value);
TQ_API unsigned long long WordScanR(const void* p, unsigned long long count, unsigned short value);
TQ_API unsigned long long ScanNeR(const void* p, unsigned long long count, unsigned char value);
TQ_API unsigned long long WordScanNeR(const void* p, unsigned long long count,
                                      unsigned short value);

// The same scanning downward: p, p - 1, p - 2, ... (p is the last element of
// the range, so ScanNeL from the last character counts a trailing run).
TQ_API unsigned long long ScanL(const void* p, unsigned long long count, unsigned char value);
TQ_API unsigned long long WordScanL(const void* p, unsigned long long count, unsigned short value);
TQ_API unsigned long long ScanNeL(const void* p, unsigned long long count, unsigned char value);
TQ_API unsigned long long WordScanNeL(const void* p, unsigned long long count,
                                      unsigned short value);

}  // namespace Lib
