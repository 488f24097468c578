#include "image/scene.h"

#include <algorithm>
#include <cmath>

#include "image/noise.h"

namespace tqsim::image {
namespace {

// Pixels per strip: windows are rendered in strips of block rows so that a
// frame of any size needs only a bounded work buffer.
constexpr size_t kStripPixels = size_t{1} << 20;

uint16_t ClampAdu(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 65535.0) return 65535;
  return static_cast<uint16_t>(v + 0.5);
}

}  // namespace

Scene::Scene(const SceneParams& params, uint32_t sensorWidth, uint32_t sensorHeight)
    : params_(params), width_(sensorWidth), height_(sensorHeight) {
  psfSigma_ = params_.psfFwhm / 2.3548200450309493;
  psfRadius_ = static_cast<int>(std::ceil(4.0 * psfSigma_)) + 1;

  // Star field: uniform positions (a margin lets stars just outside the edge
  // spill light in), fluxes spread log-uniformly with more faint than bright
  // stars.
  SeededRandom random(Mix64(params_.seed ^ 0x57A25ull));
  double area = static_cast<double>(width_) * height_;
  auto count = static_cast<size_t>(area * params_.starsPerPixel);
  double ratio = params_.maxStarFlux / params_.minStarFlux;
  stars_.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    Star s{};
    s.x = -psfRadius_ + random.Uniform() * (width_ + 2.0 * psfRadius_);
    s.y = -psfRadius_ + random.Uniform() * (height_ + 2.0 * psfRadius_);
    double u = random.Uniform();
    s.flux = params_.minStarFlux * std::pow(ratio, u * u * u);
    stars_.push_back(s);
  }
  std::sort(stars_.begin(), stars_.end(), [](const Star& a, const Star& b) { return a.y < b.y; });
}

double Scene::DarkRate(double temperatureC) const {
  return params_.darkRateAt0C * std::exp2(temperatureC / params_.darkDoublingC);
}

void Scene::Signal(uint32_t x0, uint32_t y0, uint32_t cols, uint32_t rows, const Exposure& exposure,
                   std::vector<float>& out) const {
  out.resize(static_cast<size_t>(cols) * rows);
  double dark = DarkRate(exposure.temperatureC) * exposure.darkSeconds;
  double light = exposure.lightSeconds;
  double sky = params_.skyRate * light;
  double gx = width_ ? params_.gradient / width_ : 0.0;
  double gy = height_ ? 0.5 * params_.gradient / height_ : 0.0;

  for (uint32_t r = 0; r < rows; ++r) {
    uint64_t y = uint64_t{y0} + r;
    float* row = &out[static_cast<size_t>(r) * cols];
    if (y >= height_) {
      std::fill(row, row + cols, 0.0f);
      continue;
    }
    double rowBase = dark + sky * (1.0 - 0.5 * params_.gradient + gy * (y + 0.5));
    double step = sky * gx;
    for (uint32_t c = 0; c < cols; ++c) {
      uint64_t x = uint64_t{x0} + c;
      row[c] = x < width_ ? static_cast<float>(rowBase + step * (x + 0.5)) : 0.0f;
    }
  }
  if (light <= 0.0 || stars_.empty()) return;

  // Stars whose footprint reaches the strip.
  double top = static_cast<double>(y0) - psfRadius_ - 1;
  double bottom = static_cast<double>(y0) + rows + psfRadius_ + 1;
  auto first = std::lower_bound(stars_.begin(), stars_.end(), top,
                                [](const Star& s, double v) { return s.y < v; });
  const double scale = 1.0 / (psfSigma_ * std::sqrt(2.0));
  std::vector<double> wx(2 * psfRadius_ + 1), wy(2 * psfRadius_ + 1);
  for (auto it = first; it != stars_.end() && it->y < bottom; ++it) {
    const Star& s = *it;
    if (s.x < static_cast<double>(x0) - psfRadius_ - 1 ||
        s.x > static_cast<double>(x0) + cols + psfRadius_ + 1)
      continue;
    auto cx = static_cast<int64_t>(std::floor(s.x));
    auto cy = static_cast<int64_t>(std::floor(s.y));
    for (int k = -psfRadius_; k <= psfRadius_; ++k) {
      double px = static_cast<double>(cx + k);
      wx[k + psfRadius_] =
          0.5 * (std::erf((px + 1.0 - s.x) * scale) - std::erf((px - s.x) * scale));
      double py = static_cast<double>(cy + k);
      wy[k + psfRadius_] =
          0.5 * (std::erf((py + 1.0 - s.y) * scale) - std::erf((py - s.y) * scale));
    }
    double total = s.flux * light;
    for (int j = -psfRadius_; j <= psfRadius_; ++j) {
      int64_t y = cy + j;
      if (y < static_cast<int64_t>(y0) || y >= static_cast<int64_t>(y0) + rows || y >= height_)
        continue;
      float* row = &out[static_cast<size_t>(y - y0) * cols];
      double fy = total * wy[j + psfRadius_];
      for (int k = -psfRadius_; k <= psfRadius_; ++k) {
        int64_t x = cx + k;
        if (x < static_cast<int64_t>(x0) || x >= static_cast<int64_t>(x0) + cols || x >= width_)
          continue;
        row[x - x0] += static_cast<float>(fy * wx[k + psfRadius_]);
      }
    }
  }
}

void Scene::BlockSignals(const BlockWindow& window, uint32_t firstRow, uint32_t rowCount,
                         const Exposure& exposure, std::vector<float>& pixels,
                         std::vector<double>& blocks) const {
  uint32_t cols = window.width * window.binX;
  uint32_t rows = rowCount * window.binY;
  Signal(window.x * window.binX, (window.y + firstRow) * window.binY, cols, rows, exposure, pixels);
  blocks.assign(static_cast<size_t>(window.width) * rowCount, 0.0);
  for (uint32_t r = 0; r < rows; ++r) {
    const float* src = &pixels[static_cast<size_t>(r) * cols];
    double* dst = &blocks[static_cast<size_t>(r / window.binY) * window.width];
    if (window.binX == 1) {
      for (uint32_t c = 0; c < cols; ++c) dst[c] += src[c];
    } else {
      for (uint32_t c = 0; c < cols; ++c) dst[c / window.binX] += src[c];
    }
  }
}

std::vector<double> Scene::Expected(const BlockWindow& window, const Exposure& exposure) const {
  std::vector<double> result;
  result.reserve(static_cast<size_t>(window.width) * window.height);
  std::vector<float> pixels;
  std::vector<double> blocks;
  double bias = BlockBias(window.binX, window.binY);
  BlockSignals(window, 0, window.height, exposure, pixels, blocks);
  for (double e : blocks) result.push_back(bias + e / params_.gain);
  return result;
}

void Scene::Render(const BlockWindow& window, const Exposure& exposure, unsigned sample,
                   uint16_t* out) const {
  if (window.width == 0 || window.height == 0 || window.binX == 0 || window.binY == 0) return;
  const double n = static_cast<double>(window.binX) * window.binY;
  const double bias = BlockBias(window.binX, window.binY);
  const double readSigma = params_.readNoiseAdu * std::sqrt(n);
  const double invGain = 1.0 / params_.gain;
  const uint64_t frameKey = Mix64(params_.seed ^ Mix64(exposure.frame + 0x51u)) ^
                            (uint64_t{window.binX} << 48) ^ (uint64_t{window.binY} << 40);
  const uint64_t sampleKey = Mix64(uint64_t{sample} + 0xA5A5u);

  size_t stripPixels = static_cast<size_t>(window.width) * window.binX * window.binY;
  uint32_t stripRows = static_cast<uint32_t>(std::max<size_t>(1, kStripPixels / stripPixels));
  const float* gauss = GaussianTable();
  const bool unbinned = window.binX == 1 && window.binY == 1;
  std::vector<float> pixels;
  std::vector<double> blocks;
  for (uint32_t first = 0; first < window.height; first += stripRows) {
    uint32_t count = std::min(stripRows, window.height - first);
    if (unbinned)
      Signal(window.x, window.y + first, window.width, count, exposure, pixels);
    else
      BlockSignals(window, first, count, exposure, pixels, blocks);
    for (uint32_t i = 0; i < count; ++i) {
      uint64_t y = uint64_t{window.y} + first + i;
      uint16_t* dst = out + static_cast<size_t>(first + i) * window.width;
      size_t rowAt = static_cast<size_t>(i) * window.width;
      for (uint32_t j = 0; j < window.width; ++j) {
        // One hash per block: its top 16 bits pick the shot noise, the next
        // 16 the read noise of the first reading; further readings rehash.
        uint64_t key = Mix64(frameKey ^ ((y << 32) | (uint64_t{window.x} + j)));
        uint64_t readKey = sample == 0 ? key << 16 : Mix64(key ^ sampleKey);
        double e = unbinned ? pixels[rowAt + j] : blocks[rowAt + j];
        if (e < 0.0) e = 0.0;
        double shot = std::sqrt(e) * invGain * gauss[key >> 48];
        double read = readSigma * gauss[readKey >> 48];
        dst[j] = ClampAdu(bias + e * invGain + shot + read);
      }
    }
  }
}

}  // namespace tqsim::image
