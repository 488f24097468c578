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
// shows `label` for the time passed; the call's refusal is thrown here.
// Ctrl-C meanwhile ends the process.
void RunBlocking(const std::function<void()>& call,
                 const std::function<std::string(double)>& label) {
  interrupt::Blocking blocking;
  Progress progress;
  const auto start = Clock::now();
  std::future<void> done = std::async(std::launch::async, call);
  while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
    progress.Show(label(SecondsSince(start)));
  done.get();
}

std::string Format(const char* format, double a, double b) {
  char text[120];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

}  // namespace

ExposureResult Expose(tqusb::Camera& camera, const ExposureRequest& request) {
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
  // The vector's storage is aligned for any pixel type.
  auto* pixels16 = reinterpret_cast<uint16_t*>(buffer.data());

  result.hostStart = std::chrono::system_clock::now();
  if (camera.Capabilities().generation == 0) {
    RunBlocking([&] { camera.Expose16(request.seconds, request.light, w, pixels16, bytes); },
                [&](double t) {
                  return request.label +
                         (t < request.seconds
                              ? Format("exposing: %.1f s left", request.seconds - t, 0)
                              : Format("reading %.1f MB: %.1f s", megabytes, t - request.seconds));
                });
  } else {
    camera.BeginExposure(request.light);
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
          // Best effort: the command ends either way.
          EndExposure(camera.Handle(), request.light, false);
          throw Failure("interrupted; the exposure was ended", kInterruptedStatus);
        }
      }
    }
    camera.EndExposure(request.light);
    RunBlocking(
        [&] {
          if (request.eightBit)
            camera.Read8(w, buffer.data(), bytes);
          else
            camera.Read16(w, pixels16, bytes);
        },
        [&](double t) { return request.label + Format("reading %.1f MB: %.1f s", megabytes, t); });
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
