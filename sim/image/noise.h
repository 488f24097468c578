// Position-keyed noise for the simulated sensor.
//
// Every noise value is a pure function of a key (camera seed, frame number,
// pixel position, sample index). Two readouts of the same frame therefore
// carry identical noise where their windows overlap, whatever their shape,
// and a renderer can produce any window without generating the pixels around
// it. Gaussian deviates come from a fixed table indexed by a 64-bit hash,
// which costs one hash and one load per pixel.
#pragma once

#include <cstdint>

namespace tqsim::image {

// SplitMix64 finaliser: a fast, well-mixed 64-bit hash.
constexpr uint64_t Mix64(uint64_t v) {
  v += 0x9E3779B97F4A7C15ull;
  v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ull;
  v = (v ^ (v >> 27)) * 0x94D049BB133111EBull;
  return v ^ (v >> 31);
}

// The table of 65536 standard normal deviates behind GaussianFromHash.
const float* GaussianTable();

// A standard normal deviate chosen by the top 16 bits of the hash.
inline float GaussianFromHash(uint64_t hash) {
  return GaussianTable()[hash >> 48];
}

// Sequential generator for scene layout (star positions and fluxes).
class SeededRandom {
 public:
  explicit SeededRandom(uint64_t seed) : state_(seed) {}
  uint64_t Next() { return Mix64(state_++); }
  // Uniform in [0, 1).
  double Uniform() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

 private:
  uint64_t state_;
};

}  // namespace tqsim::image
