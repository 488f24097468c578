#pragma once
// The high index of a terminated text as a bounded-string source: its length,
// where the terminator stands, so that no copy reads past it.
#include <cstring>

namespace tQusb {

inline unsigned TextHigh(const char* text) {
  return static_cast<unsigned>(std::strlen(text));
}

}  // namespace tQusb
