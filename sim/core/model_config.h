#pragma once
// Reading camera models from the JSON configuration file.
#include <string>
#include <vector>

#include "camera_model.h"

namespace tqsim {

struct ConfigResult {
  std::vector<CameraModel> cameras;
  std::string error;  // empty on success
  bool Ok() const { return error.empty(); }
};

// Parses the text of a configuration file: {"cameras": [ {...}, ... ]}.
// Every camera is derived and validated; names and camera ids must be unique.
ConfigResult ParseConfig(const std::string& text);

// Reads and parses a configuration file.
ConfigResult LoadConfig(const std::string& path);

}  // namespace tqsim
