// The simulated sky as one camera sees it.
//
// A scene is defined in sensor coordinates (x to the right, y downwards from
// the top row, as the host finally sees the image), so every readout shape
// (whole frame, window, binned frame) samples the same field. Its content:
// a bias level, dark current that grows with integration time and doubles
// every few degrees of sensor temperature, a sky background with a faint
// linear gradient, and a field of stars with a Gaussian point-spread function
// integrated over each pixel and a brightness spread over three decades.
// Shot noise and read noise are drawn from position-keyed hashes (noise.h),
// so that two readouts of the same frame number agree exactly where they
// overlap.
#pragma once

#include <cstdint>
#include <vector>

namespace tqsim::image {

struct SceneParams {
  uint64_t seed = 1;
  double biasAdu = 1000.0;     // offset of every read pixel
  double gain = 1.0;           // electrons per ADU
  double readNoiseAdu = 6.0;   // per read pixel
  double darkRateAt0C = 0.05;  // electrons per second and pixel at 0 degrees C
  double darkDoublingC = 6.3;  // temperature step that doubles the dark current
  double skyRate = 15.0;       // electrons per second and pixel
  double gradient = 0.12;      // relative change of the sky across the sensor
  double starsPerPixel = 1.0 / 1200.0;
  double minStarFlux = 400.0;  // electrons per second, whole star
  double maxStarFlux = 400000.0;
  double psfFwhm = 2.6;  // pixels
};

// What the sensor integrated for one frame.
struct Exposure {
  double darkSeconds = 0.0;   // from sensor clear to end of integration
  double lightSeconds = 0.0;  // part of it with the shutter open
  double temperatureC = 0.0;  // sensor temperature
  uint64_t frame = 0;         // frame number: keys the noise
};

// A window of blocks: block (i, j) covers sensor columns (x + j) * binX ..
// + binX - 1 and rows (y + i) * binY .. + binY - 1.
struct BlockWindow {
  uint32_t x = 0, y = 0, width = 0, height = 0;
  uint32_t binX = 1, binY = 1;
};

// Anything that produces block sums of the scene: the live renderer or a
// frame cached in memory.
class PixelSource {
 public:
  virtual ~PixelSource() = default;
  // Writes window.width * window.height values, rows top to bottom. Sample
  // selects an independent read-noise realisation for cameras that read a
  // pixel more than once.
  virtual void Render(const BlockWindow& window, unsigned sample, uint16_t* out) = 0;
  // The bias of one block: what a dark, noise-free block reads.
  virtual double BlockBias(uint32_t binX, uint32_t binY) const = 0;
};

class Scene {
 public:
  Scene(const SceneParams& params, uint32_t sensorWidth, uint32_t sensorHeight);

  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  const SceneParams& Params() const { return params_; }

  // Noise-free mean ADU of the blocks of a window (not clamped).
  std::vector<double> Expected(const BlockWindow& window, const Exposure& exposure) const;

  // Noisy block sums, clamped to 0..65535.
  void Render(const BlockWindow& window, const Exposure& exposure, unsigned sample,
              uint16_t* out) const;

  double BlockBias(uint32_t binX, uint32_t binY) const { return params_.biasAdu * binX * binY; }
  // Dark current in electrons per second and pixel at a temperature.
  double DarkRate(double temperatureC) const;

 private:
  struct Star {
    double x, y;  // centre in sensor pixels (pixel i spans [i, i + 1))
    double flux;  // electrons per second
  };

  // Electrons collected by the sensor pixels of rows y0.. (count rows) and
  // columns x0.. (count cols), written row by row.
  void Signal(uint32_t x0, uint32_t y0, uint32_t cols, uint32_t rows, const Exposure& exposure,
              std::vector<float>& out) const;
  // Sums a strip of block rows into means (electrons), one per block.
  void BlockSignals(const BlockWindow& window, uint32_t firstRow, uint32_t rowCount,
                    const Exposure& exposure, std::vector<float>& pixels,
                    std::vector<double>& blocks) const;

  SceneParams params_;
  uint32_t width_;
  uint32_t height_;
  double psfSigma_;
  int psfRadius_;
  std::vector<Star> stars_;  // sorted by y
};

// The live pixel source of one camera: the scene under a given exposure.
class SceneSource : public PixelSource {
 public:
  SceneSource(const Scene& scene, const Exposure& exposure) : scene_(scene), exposure_(exposure) {}
  void Render(const BlockWindow& window, unsigned sample, uint16_t* out) override {
    scene_.Render(window, exposure_, sample, out);
  }
  double BlockBias(uint32_t binX, uint32_t binY) const override {
    return scene_.BlockBias(binX, binY);
  }

 private:
  const Scene& scene_;
  Exposure exposure_;
};

}  // namespace tqsim::image
