// FITS output through cfitsio: one primary image, 16-bit unsigned (stored as
// FITS stores them, signed with BZERO 32768) or 8-bit, and header keywords.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "frame.h"

namespace tqcam {

struct FitsKeyword {
  std::string name;
  std::variant<std::string, double, long, bool> value;
  std::string comment;
};

// Writes the file at `path` (which must not be read by anyone before it is
// complete; the caller writes to a temporary name).
void WriteFits(const std::string& path, const Frame& frame, const std::vector<FitsKeyword>& keys);

}  // namespace tqcam
