// Frames per second of `tqcam video` writing a SER file to a memory file
// system, against back-to-back readouts of the same window through the C
// interface alone, in the same run: a 640x480 window and the whole frame of
// a 1304x976 camera, at its shortest exposure. The simulator runs as a
// separate process with cached frames at time scale 1, so the camera's own
// readout rate paces the frames as it would on the wire. (At time scale 0
// frames come as fast as the host takes them, faster than this machine
// writes to a memory file system, and tqcam rightly drops frames.)
#include <benchmark/benchmark.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/temp_bus_root.h"
#include "driver/support/child_process.h"
#include "tqusb/tqusb.h"

namespace {

constexpr uint32_t kCamera = 1222;
struct Shape {
  const char* roi;  // empty: the whole frame
  uint32_t x, y, width, height;
  int frames;
};
constexpr Shape kShapes[] = {{"0,0,640,480", 0, 0, 640, 480, 1000}, {"", 0, 0, 1304, 976, 300}};

// One simulator process for the whole program.
struct TSim {
  TSim() {
    sim = std::make_unique<tqtest::ChildProcess>(
        std::vector<std::string>{TQSIM_PATH, "serve", "--bus", bus.Path(), "--time-scale", "1",
                                 "--cached-frames"},
        bus.Path());
    ready = sim->ReadLine().rfind("tqsim: ", 0) == 0;
  }
  ~TSim() {
    sim->Signal(SIGTERM);
    sim->Wait();
  }
  TempBusRoot bus;
  std::unique_ptr<tqtest::ChildProcess> sim;
  bool ready = false;
};

TSim& Sim() {
  static TSim sim;
  return sim;
}

// Frames per second of back-to-back exposures of the window through the C
// interface; 0 when a call fails.
double InterfaceRate(const Shape& shape) {
  TQCAMERA camera = Initialize(kCamera);
  TQCAMERACAPS caps{};
  caps.size = sizeof caps;
  std::vector<uint16_t> image(size_t{shape.width} * shape.height);
  const uint32_t bytes = static_cast<uint32_t>(image.size() * 2);
  bool ok = tqGetCameraCaps(camera, &caps);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < shape.frames && ok; ++i)
    ok = GetImageExposure16b(camera, caps.minExposure, true, shape.x, shape.y, shape.width,
                             shape.height, bytes, image.data());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Release(camera);
  return ok ? shape.frames / seconds : 0.0;
}

struct VideoRun {
  double fps = 0, seconds = 0;
  unsigned long long dropped = 0;
  bool ok = false;
};

// The same frames recorded by tqcam video into /dev/shm.
VideoRun TqcamRate(const Shape& shape, const std::string& path) {
  std::vector<std::string> args = {TQCAM_PATH,
                                   "video",
                                   std::to_string(kCamera),
                                   "--count",
                                   std::to_string(shape.frames),
                                   "-o",
                                   path,
                                   "--overwrite"};
  if (*shape.roi) args.insert(args.end(), {"--roi", shape.roi});
  tqtest::ChildProcess tqcam(args, Sim().bus.Path());
  tqcam.CloseInput();
  const std::string summary = tqcam.ReadLine(120000);
  VideoRun run;
  const size_t at = summary.find("dropped=");
  run.ok = tqcam.Wait() == 0 && at != std::string::npos &&
           std::sscanf(summary.c_str() + at, "dropped=%llu fps=%lf seconds=%lf", &run.dropped,
                       &run.fps, &run.seconds) == 3;
  return run;
}

// One case: the C interface just before and just after tqcam, so that both
// see the same load on the machine; "vs_c" is tqcam's rate over their mean.
void BM_VideoRate(benchmark::State& state) {
  const Shape& shape = kShapes[state.range(0)];
  if (!Sim().ready) return state.SkipWithError("no simulator");
  setenv("TQUSB_BUS_DIR", Sim().bus.Path().c_str(), 1);
  const std::string path = "/dev/shm/tqcam-bench-" + std::to_string(getpid()) + ".ser";
  for (auto _ : state) {
    const double before = InterfaceRate(shape);
    const VideoRun video = TqcamRate(shape, path);
    const double after = InterfaceRate(shape);
    if (before <= 0 || after <= 0 || !video.ok) {
      state.SkipWithError("a readout or tqcam video failed");
      break;
    }
    state.SetIterationTime(video.seconds);
    state.counters["c_fps"] = (before + after) / 2;
    state.counters["tqcam_fps"] = video.fps;
    state.counters["vs_c"] = video.fps / ((before + after) / 2);
    state.counters["dropped"] = double(video.dropped);
  }
  std::filesystem::remove(path);
}
// Argument: the shape (0: 640x480, 1: whole frame).
BENCHMARK(BM_VideoRate)
    ->ArgName("shape")
    ->DenseRange(0, 1)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
