// Whole readouts of a 16 MP camera with 12-bit samples and a single command,
// served by the simulator as a separate process (time scale 0, cached
// frames), through the exports; and, as the baselines, the same requests and
// bytes on bare connections to the same device that do nothing but frame.
// At the end the program prints each library time as a multiple of its
// baseline: the ratio of the medians over all runs (--benchmark_repetitions),
// in wall-clock time and in this thread's CPU time.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/temp_bus_root.h"
#include "driver/camera/camera.h"
#include "driver/support/child_process.h"
#include "driver/transport/protocol.h"
#include "platform/vbus_layout.h"
#include "platform/socket_io.h"
#include "tqusb/tqusb.h"

namespace {

constexpr unsigned kWidth = 4096, kHeight = 4096;
constexpr const char* kConfig = R"({"cameras": [
  {"name": "g3-16mp", "class": 1, "product_id": "0x0C00", "camera_id": 1600,
   "width": 4096, "height": 4096, "versions": ["0x0307", 1, 1, 2]}]})";

// Iterations per run, fixed so that every run is timed alike (no trial runs
// to find a count).
constexpr int kReadouts = 20, kCommands = 10000;

// Seconds per iteration of every run, in wall-clock and thread CPU time.
struct TTimes {
  std::vector<double> real, cpu;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

void PrintRatio(const char* what, const TTimes& library, const TTimes& bare) {
  if (library.real.empty() || bare.real.empty()) return;
  std::printf("%s, library vs bare bus (medians of %zu and %zu runs): %.3f x, CPU %.3f x\n", what,
              library.real.size(), bare.real.size(), Median(library.real) / Median(bare.real),
              Median(library.cpu) / Median(bare.cpu));
}

// One simulator process and one opened camera for the whole program.
struct TBench {
  TBench() {
    const std::string config = bus.Path() + "/bench-cameras.json";
    std::ofstream(config) << kConfig;
    sim = std::make_unique<tqtest::ChildProcess>(
        std::vector<std::string>{TQSIM_PATH, "serve", "--bus", bus.Path(), "--config", config,
                                 "--time-scale", "0", "--cached-frames"},
        bus.Path());
    if (sim->ReadLine().rfind("tqsim: ", 0) != 0) return;
    camera = Initialize(1600);
    SetReadMode(camera, 1);  // 12-bit: two bytes per pixel
    image.resize(size_t(kWidth) * kHeight);
    // The first readout renders the cached frame.
    GetImage16b(camera, 0, 0, kWidth, kHeight, Bytes(), image.data());
  }
  ~TBench() {
    PrintRatio("command round trip", command, bareCommand);
    PrintRatio("full readout", readout, bareTransfer);
    Release(camera);
    sim->Signal(SIGTERM);
    sim->Wait();
  }
  static uint32_t Bytes() { return kWidth * kHeight * 2; }

  TempBusRoot bus;
  std::unique_ptr<tqtest::ChildProcess> sim;
  tQusb::CCamera* camera = nullptr;
  std::vector<uint16_t> image;
  TTimes bareTransfer, readout, bareCommand, command;
};

TBench& Bench() {
  static TBench bench;
  return bench;
}

double ThreadCpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Times the iterations of one run into `times`, when the run completed.
class TRunTimer {
 public:
  explicit TRunTimer(TTimes& times)
      : times_(times), start_(std::chrono::steady_clock::now()), cpuStart_(ThreadCpuSeconds()) {}
  void Stop(const benchmark::State& state) {
    const double n = double(state.iterations());
    if (state.error_occurred() || n == 0) return;
    times_.real.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count() / n);
    times_.cpu.push_back((ThreadCpuSeconds() - cpuStart_) / n);
  }

 private:
  TTimes& times_;
  std::chrono::steady_clock::time_point start_;
  double cpuStart_;
};

// Connections of the benchmark's own to the camera's device pipes, spoken to
// with nothing but the bus framing: a request is one frame sent, a reply or an
// image one header and its bytes received. While they are open the device
// answers on them instead of on the library's.
struct TBarePipes {
  explicit TBarePipes(const std::string& devicePath) {
    namespace vbus = platform::vbus;
    vbus::TBusAddress address;
    vbus::ParseDevicePath(devicePath, &address);
    for (int i = 0; i < 3; ++i) {
      address.pipe = i;
      fds[i] = platform::sock::ConnectStream(vbus::PipeSocketPath(vbus::TrustedRoot(), address));
    }
  }
  ~TBarePipes() {
    for (int fd : fds) platform::sock::Close(fd);
  }
  bool Request(const void* data, uint32_t size) const {
    return platform::sock::SendFrame(fds[0], data, size);
  }
  // One frame of exactly `size` bytes from pipe `pipe`.
  bool Receive(int pipe, void* buffer, uint32_t size) const {
    using platform::sock::RecvExact, platform::sock::RecvResult;
    unsigned char header[platform::vbus::kFrameHeaderSize];
    return RecvExact(fds[pipe], header, sizeof header, -1) == RecvResult::Ok &&
           platform::vbus::DecodeFrameHeader(header) == size &&
           RecvExact(fds[pipe], buffer, size, -1) == RecvResult::Ok;
  }
  int fds[3];
};

void Report(benchmark::State& state, uint64_t bytes) {
  state.SetItemsProcessed(state.iterations());  // frames
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// The baseline: one request write, one read of the frame, one status byte,
// on pipes of the benchmark's own to the same device.
void BM_BareTransfer(benchmark::State& state) {
  TBench& b = Bench();
  if (b.camera == nullptr || !b.camera->IsConnected()) return state.SkipWithError("no camera");
  const TBarePipes bare(b.camera->DevicePath);
  const uint8_t request[10] = {0x09, 0, 0, 0, 0, 0, 0, 0x10, 0, 0x10};
  TRunTimer timer(b.bareTransfer);
  for (auto _ : state) {
    uint8_t status = 0;
    if (!bare.Request(request, sizeof request) ||
        !bare.Receive(2, b.image.data(), TBench::Bytes()) || !bare.Receive(1, &status, 1))
      return state.SkipWithError("transfer");
  }
  timer.Stop(state);
  Report(state, TBench::Bytes());
}
BENCHMARK(BM_BareTransfer)->Iterations(kReadouts)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole call: request, chunked read into the caller's buffer, status.
void BM_FullReadout(benchmark::State& state) {
  TBench& b = Bench();
  if (b.camera == nullptr || !b.camera->IsConnected()) return state.SkipWithError("no camera");
  TRunTimer timer(b.readout);
  for (auto _ : state)
    if (!GetImage16b(b.camera, 0, 0, kWidth, kHeight, TBench::Bytes(), b.image.data()))
      return state.SkipWithError(b.camera->LastError);
  timer.Stop(state);
  Report(state, TBench::Bytes());
}
BENCHMARK(BM_FullReadout)->Iterations(kReadouts)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline of a command: the clear request written, its status byte read.
void BM_BareCommand(benchmark::State& state) {
  TBench& b = Bench();
  if (b.camera == nullptr || !b.camera->IsConnected()) return state.SkipWithError("no camera");
  const TBarePipes bare(b.camera->DevicePath);
  const uint8_t request = tQusb::opcode::gen2to5::kClearSensor;
  TRunTimer timer(b.bareCommand);
  for (auto _ : state) {
    uint8_t status = 0;
    if (!bare.Request(&request, 1) || !bare.Receive(1, &status, 1) || status != 0x80)
      return state.SkipWithError("transfer");
  }
  timer.Stop(state);
}
BENCHMARK(BM_BareCommand)->Iterations(kCommands)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same command through the export.
void BM_Command(benchmark::State& state) {
  TBench& b = Bench();
  if (b.camera == nullptr || !b.camera->IsConnected()) return state.SkipWithError("no camera");
  TRunTimer timer(b.command);
  for (auto _ : state)
    if (!ClearCCD(b.camera)) return state.SkipWithError(b.camera->LastError);
  timer.Stop(state);
}
BENCHMARK(BM_Command)->Iterations(kCommands)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A binned readout: the frame lands in the work buffer and is summed 2 x 2.
void BM_BinnedReadout(benchmark::State& state) {
  TBench& b = Bench();
  if (b.camera == nullptr || !b.camera->IsConnected()) return state.SkipWithError("no camera");
  SetBinning(b.camera, 2, 2);
  for (auto _ : state)
    if (!GetImage16b(b.camera, 0, 0, kWidth / 2, kHeight / 2, TBench::Bytes(), b.image.data()))
      return state.SkipWithError(b.camera->LastError);
  SetBinning(b.camera, 1, 1);
  Report(state, TBench::Bytes());
}
BENCHMARK(BM_BinnedReadout)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
