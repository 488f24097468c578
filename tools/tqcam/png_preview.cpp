#include "png_preview.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "failure.h"

namespace tqcam {

namespace {

// The asinh softness k that shows the background level t (0..1 of the
// range) at the display level `target`: asinh(k t) / asinh(k) = target.
double SoftnessFor(double t, double target) {
  double lo = 1e-3, hi = 1e6;
  for (int i = 0; i < 60; ++i) {
    const double k = std::sqrt(lo * hi);
    (std::asinh(k * t) / std::asinh(k) < target ? lo : hi) = k;
  }
  return std::sqrt(lo * hi);
}

}  // namespace

std::vector<uint8_t> StretchForDisplay(const Frame& frame) {
  // Black three noise widths below the background, white at the brightest
  // thousandth; the curve puts the background at a dark grey so that the
  // faintest stars stand out from it.
  const double median = Percentile(frame, 0.5);
  const double sigma = std::max(1.0, median - Percentile(frame, 0.16));
  const double black = std::max(0.0, median - 3.0 * sigma);
  const double white = std::max<double>(Percentile(frame, 0.999), median + 1.0);
  constexpr double kBackgroundLevel = 0.12;
  const double softness = SoftnessFor((median - black) / (white - black), kBackgroundLevel);
  const double scale = 255.0 / std::asinh(softness);
  std::vector<uint8_t> table(65536);
  for (uint32_t v = 0; v < table.size(); ++v) {
    const double t = std::clamp((v - black) / (white - black), 0.0, 1.0);
    table[v] = static_cast<uint8_t>(std::lround(std::asinh(softness * t) * scale));
  }
  std::vector<uint8_t> out(frame.pixels.size());
  std::transform(frame.pixels.begin(), frame.pixels.end(), out.begin(),
                 [&table](uint16_t p) { return table[p]; });
  return out;
}

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}

void NoFlush(png_structp) {}

}  // namespace

std::vector<uint8_t> PngFileBytes(const std::string& what, const Frame& frame) {
  std::vector<uint8_t> grey = StretchForDisplay(frame);
  // Held through a pointer that does not change after setjmp, so the error
  // path sees the vector as it is.
  const auto out = std::make_unique<std::vector<uint8_t>>();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    throw Failure(what + ": cannot make the preview: out of memory");
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw Failure(what + ": cannot make the preview");
  }
  png_set_write_fn(png, out.get(), AppendBytes, NoFlush);
  png_set_IHDR(png, info, frame.width, frame.height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (uint32_t row = 0; row < frame.height; ++row)
    png_write_row(png, grey.data() + static_cast<size_t>(row) * frame.width);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::move(*out);
}

}  // namespace tqcam
