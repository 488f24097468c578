#include "exposure.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <future>

#include "failure.h"
#include "interrupt.h"
#include "progress.h"

namespace tqcam {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs a blocking library call on a worker thread while the progress line
// shows `label` for the time passed. Ctrl-C meanwhile ends the process.
bool RunBlocking(const std::function<bool()>& call,
                 const std::function<std::string(double)>& label) {
  interrupt::Blocking blocking;
  Progress progress;
  const auto start = Clock::now();
  std::future<bool> done = std::async(std::launch::async, call);
  while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
    progress.Show(label(SecondsSince(start)));
  return done.get();
}

std::string Format(const char* format, double a, double b) {
  char text[120];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

}  // namespace

ExposureResult Expose(const Camera& camera, int generation, const ExposureRequest& request) {
  const Window& w = request.window;
  ExposureResult result;
  Frame& frame = result.frame;
  frame.width = w.width;
  frame.height = w.height;
  frame.bitDepth = request.eightBit ? 8 : 16;
  const size_t pixels = size_t{w.width} * w.height;
  const size_t bytes = pixels * (request.eightBit ? 1 : 2);
  std::vector<uint8_t> buffer(bytes);
  const double megabytes = static_cast<double>(bytes) / 1e6;
  TQCAMERA h = camera.Handle();

  result.hostStart = std::chrono::system_clock::now();
  bool ok = false;
  if (generation == 0) {
    ok = RunBlocking(
        [&] {
          return GetImageExposure16b(h, request.seconds, request.light, w.x, w.y, w.width, w.height,
                                     static_cast<uint32_t>(bytes), buffer.data());
        },
        [&](double t) {
          return request.label +
                 (t < request.seconds
                      ? Format("exposing: %.1f s left", request.seconds - t, 0)
                      : Format("reading %.1f MB: %.1f s", megabytes, t - request.seconds));
        });
    camera.Check(ok, "exposure");
  } else {
    camera.Check(BeginExposure(h, request.light), "begin exposure");
    const auto start = Clock::now();
    {
      Progress progress;
      for (;;) {
        const double left = request.seconds - SecondsSince(start);
        if (left <= 0) break;
        progress.Show(request.label +
                      Format("exposing: %.1f s of %.1f s left", left, request.seconds));
        if (interrupt::SleepFor(std::min(left, 0.1))) {
          progress.Clear();
          EndExposure(h, request.light, false);
          throw Failure("interrupted; the exposure was ended", kInterruptedStatus);
        }
      }
    }
    camera.Check(EndExposure(h, request.light, false), "end exposure");
    ok = RunBlocking(
        [&] {
          const uint32_t size = static_cast<uint32_t>(bytes);
          return request.eightBit
                     ? GetImage8b(h, w.x, w.y, w.width, w.height, size, buffer.data())
                     : GetImage16b(h, w.x, w.y, w.width, w.height, size, buffer.data());
        },
        [&](double t) { return request.label + Format("reading %.1f MB: %.1f s", megabytes, t); });
    camera.Check(ok, "readout");
  }

  frame.pixels.resize(pixels);
  if (request.eightBit) {
    std::copy(buffer.begin(), buffer.end(), frame.pixels.begin());
  } else {
    // The library delivers host-order 16-bit pixels.
    std::memcpy(frame.pixels.data(), buffer.data(), bytes);
  }
  return result;
}

}  // namespace tqcam
