/*
 * binned_frame: the C++ host layer at work. Lists the free cameras with what
 * they can do, takes a 2x2 binned full frame with the first one that opens
 * and prints its mean and brightest pixel. A call the library refuses
 * arrives as a tqusb::Error carrying the library's text.
 *
 * Copyright (c) 2026 the tqusb authors. MIT licence, see LICENSE.
 *
 *   c++ -std=c++17 binned_frame.cpp $(pkg-config --cflags --libs tqusb) -o binned_frame
 *   TQUSB_BUS_DIR=/path/to/bus ./binned_frame [SECONDS]
 */
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <tqusb/tqusb.hpp>

static void print_capabilities(const tqusb::Caps& caps) {
  std::printf("%u: %-15s %ux%u pixels, binning up to %ux%u, exposures %g..%g s%s%s%s%s\n", caps.id,
              caps.model, caps.width, caps.height, caps.maxBinX, caps.maxBinY, caps.minExposure,
              caps.maxExposure, caps.cooler ? ", cooler" : "", caps.shutter ? ", shutter" : "",
              caps.guidePort ? ", guide port" : "", caps.filterWheel ? ", filter wheel" : "");
}

// A light frame (the shutter, where there is one, opens for the exposure),
// binned 2x2 or as far as the camera bins.
static void take_binned_frame(tqusb::Camera& camera, double seconds) {
  const tqusb::Caps& caps = camera.Capabilities();
  const uint32_t bin = std::min({2u, caps.maxBinX, caps.maxBinY});
  camera.SetBinning(bin, bin);
  const tqusb::Window frame = camera.FullFrame(bin, bin);
  const std::vector<uint16_t> image =
      camera.Expose16(std::clamp(seconds, caps.minExposure, caps.maxExposure), true, frame);
  const double mean = std::accumulate(image.begin(), image.end(), 0.0) / image.size();
  std::printf("%ux%u frame at binning %u: mean %.1f, brightest %u\n", frame.width, frame.height,
              bin, mean, unsigned(*std::max_element(image.begin(), image.end())));
}

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 0.1;
  const std::vector<uint32_t> ids = tqusb::FreeCameraIds();
  if (ids.empty()) {
    std::fprintf(stderr, "no free camera found (is the bus root right? see TQUSB_BUS_DIR)\n");
    return 1;
  }
  bool taken = false;
  for (uint32_t id : ids) {
    try {
      tqusb::Camera camera(id);  // throws when another program took it since the listing
      print_capabilities(camera.Capabilities());
      if (!taken) take_binned_frame(camera, seconds);
      taken = true;
    } catch (const tqusb::Error& e) {
      std::fprintf(stderr, "%s\n", e.what());  // "<operation>: <the library's text>"
    }
  }
  return taken ? 0 : 1;
}
