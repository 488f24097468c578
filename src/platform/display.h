#pragma once
// The display's resolution in dots per inch, for scaling layout values. There
// is no display device here: the resolution is the base one, 96 DPI, in both
// directions.
namespace platform {

inline constexpr int kBaseDpi = 96;

struct TDisplayDpi {
  int x;
  int y;
};

inline TDisplayDpi DisplayDpi() {
  return {kBaseDpi, kBaseDpi};
}

}  // namespace platform
