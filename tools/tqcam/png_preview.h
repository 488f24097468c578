// An 8-bit grey PNG of a frame with an automatic stretch: the sky background
// goes to a dark grey, the brightest thousandth of the pixels to white, with
// an asinh curve in between so that faint stars show next to bright ones.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame.h"

namespace tqcam {

// The display values of the frame's pixels.
std::vector<uint8_t> StretchForDisplay(const Frame& frame);

// The bytes of the preview file; Failure naming `what` when libpng fails.
std::vector<uint8_t> PngFileBytes(const std::string& what, const Frame& frame);

}  // namespace tqcam
