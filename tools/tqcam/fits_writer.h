// FITS output through cfitsio: one primary image, 16-bit unsigned (stored as
// FITS stores them, signed with BZERO 32768) or 8-bit, and header keywords.
// The file is built in memory and written by the caller, so cfitsio never
// opens a path of its own.
#pragma once

#include <cstdint>
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

// The bytes of the whole file; Failure (naming `what`) when cfitsio reports
// an error, also from closing, or the result is not as long as its header
// says.
std::vector<uint8_t> FitsFileBytes(const std::string& what, const Frame& frame,
                                   const std::vector<FitsKeyword>& keys);

}  // namespace tqcam
