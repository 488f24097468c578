// Frames per second of `tqcam video` writing a SER file to a memory file
// system, against back-to-back readouts of the same window through the C
// interface alone, in the same run: a 640x480 window and the whole frame of
// a 1304x976 camera, at its shortest exposure. The simulator runs as a
// separate process with cached frames, at time scale 1 (the camera's own
// readout rate paces the frames) and 0 (frames as fast as the host takes
// them). The tqcam run reports its rate as a fraction of the C interface's
// ("vs_c") and its dropped frames.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
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
constexpr Shape kShapes[] = {{"0,0,640,480", 0, 0, 640, 480, 400},
                             {"", 0, 0, 1304, 976, 100}};

// One simulator per time scale, and the C interface's rate per case.
struct TSim {
  explicit TSim(const std::string& scale) {
    sim = std::make_unique<tqtest::ChildProcess>(
        std::vector<std::string>{TQSIM_PATH, "serve", "--bus", bus.Path(), "--time-scale", scale,
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
  std::map<int, double> interfaceRate;  // by shape
};

TSim& Sim(int64_t scale) {
  static std::map<int64_t, std::unique_ptr<TSim>> sims;
  auto& sim = sims[scale];
  if (!sim) sim = std::make_unique<TSim>(std::to_string(scale));
  setenv("TQUSB_BUS_DIR", sim->bus.Path().c_str(), 1);
  return *sim;
}

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Back-to-back exposures of the window through the C interface.
void BM_CInterface(benchmark::State& state) {
  TSim& sim = Sim(state.range(0));
  const Shape& shape = kShapes[state.range(1)];
  TQCAMERA camera = Initialize(kCamera);
  TQCAMERACAPS caps{};
  caps.size = sizeof caps;
  if (!sim.ready || !tqGetCameraCaps(camera, &caps)) {
    Release(camera);
    return state.SkipWithError("no camera");
  }
  std::vector<uint16_t> image(size_t{shape.width} * shape.height);
  const uint32_t bytes = static_cast<uint32_t>(image.size() * 2);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    bool ok = true;
    for (int i = 0; i < shape.frames && ok; ++i)
      ok = GetImageExposure16b(camera, caps.minExposure, true, shape.x, shape.y, shape.width,
                               shape.height, bytes, image.data());
    if (!ok) {
      state.SkipWithError("readout");
      break;
    }
    state.SetIterationTime(Since(start));
    sim.interfaceRate[int(state.range(1))] = shape.frames / Since(start);
    state.counters["fps"] = sim.interfaceRate[int(state.range(1))];
  }
  Release(camera);
}

// The same frames recorded by tqcam video into /dev/shm.
void BM_TqcamVideo(benchmark::State& state) {
  TSim& sim = Sim(state.range(0));
  const Shape& shape = kShapes[state.range(1)];
  const std::string path = "/dev/shm/tqcam-bench-" + std::to_string(getpid()) + ".ser";
  for (auto _ : state) {
    std::vector<std::string> args = {TQCAM_PATH, "video", std::to_string(kCamera), "--count",
                                     std::to_string(shape.frames), "-o", path, "--overwrite"};
    if (*shape.roi) args.insert(args.end(), {"--roi", shape.roi});
    tqtest::ChildProcess tqcam(args, sim.bus.Path());
    tqcam.CloseInput();
    const std::string summary = tqcam.ReadLine(120000);
    const int status = tqcam.Wait();
    double fps = 0, seconds = 0;
    unsigned long long dropped = 0;
    const size_t at = summary.find("dropped=");
    if (status != 0 || at == std::string::npos ||
        std::sscanf(summary.c_str() + at, "dropped=%llu fps=%lf seconds=%lf", &dropped, &fps,
                    &seconds) != 3)
      return state.SkipWithError("tqcam video failed");
    state.SetIterationTime(seconds);
    state.counters["fps"] = fps;
    state.counters["dropped"] = double(dropped);
    if (const double c = sim.interfaceRate[int(state.range(1))]; c > 0)
      state.counters["vs_c"] = fps / c;
  }
  std::filesystem::remove(path);
}

// Arguments: time scale, shape (0: 640x480, 1: whole frame). Each case
// reads its frame count once, the C interface just before tqcam.
const bool kRegistered = [] {
  for (int64_t scale : {1, 0})
    for (int64_t shape : {0, 1})
      for (const auto& [name, run] : {std::pair{"BM_CInterface", &BM_CInterface},
                                      std::pair{"BM_TqcamVideo", &BM_TqcamVideo}})
        benchmark::RegisterBenchmark(name, run)
            ->ArgNames({"scale", "shape"})
            ->Args({scale, shape})
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
