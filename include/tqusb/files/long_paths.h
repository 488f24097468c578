#pragma once
// Command lines that carry paths: space-separated, a path with spaces in
// double quotes.
#include "tqusb/export.h"

namespace vcom {

// Path number `index` (0-based) of a line of space-separated paths, where a
// path beginning with `"` runs to the next `"`. 0 for an empty line, a missing
// path or an empty quoted path; a path too long for out leaves out empty and
// still returns 1.
TQ_API unsigned char ParseLongPathNameA(unsigned int lineHigh, const char* line,
                                        unsigned int outHigh, char* out, unsigned int index);
// "a" "b" (an empty path left out); 0 when the result does not fit.
TQ_API unsigned char SliceLongPathsA(unsigned int resultHigh, char* result, unsigned int aHigh,
                                     const char* a, unsigned int bHigh, const char* b);

}  // namespace vcom
