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
// Besides its identity, record and physics a camera may carry
//   "image": {"seed", "readout_rate" (bytes/s), "cached_frames", "bias",
//             "gain", "read_noise", "dark_rate", "dark_doubling", "sky_rate",
//             "gradient", "stars_per_pixel", "star_flux": [faint, bright],
//             "psf_fwhm", "output_levels": [4], "sample_levels": [3]}
//   "gps":   {"present", "fix", "latitude", "longitude", "altitude",
//             "satellites", "counter_frequency"}
// The receiver and the counter follow from generation and capability bits;
// "present" may only confirm them.
ConfigResult ParseConfig(const std::string& text);

// Reads and parses a configuration file.
ConfigResult LoadConfig(const std::string& path);

// The default configuration of the source tree (one camera per interface
// class and class-1 product-id group).
ConfigResult LoadDefaultConfig();

}  // namespace tqsim
