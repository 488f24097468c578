#pragma once
// The two tables stored by Str::SetTabs (128 16-bit values each). Nothing in the
// library interprets them; they are kept for callers that read them back.
#include "tqusb/runtime/str.h"

namespace Str::detail {
const unsigned short* Tab1();
const unsigned short* Tab2();
}  // namespace Str::detail
