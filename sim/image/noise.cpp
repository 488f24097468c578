#include "image/noise.h"

#include <array>
#include <cmath>

namespace tqsim::image {
namespace {

constexpr unsigned kTableBits = 16;

// 65536 standard normal deviates from the Box-Muller transform of a fixed
// sequence, built once on first use.
const std::array<float, 1u << kTableBits>& BuildTable() {
  static const auto table = [] {
    std::array<float, 1u << kTableBits> t{};
    SeededRandom random(0x5EEDull);
    for (size_t i = 0; i < t.size(); i += 2) {
      double u1 = random.Uniform();
      double u2 = random.Uniform();
      if (u1 < 1e-300) u1 = 1e-300;
      double r = std::sqrt(-2.0 * std::log(u1));
      t[i] = static_cast<float>(r * std::cos(2.0 * M_PI * u2));
      t[i + 1] = static_cast<float>(r * std::sin(2.0 * M_PI * u2));
    }
    return t;
  }();
  return table;
}

}  // namespace

const float* GaussianTable() {
  static const float* table = BuildTable().data();
  return table;
}

}  // namespace tqsim::image
