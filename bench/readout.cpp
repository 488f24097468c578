// Whole readouts of a 16 MP camera with 12-bit samples, served by the
// simulator as a separate process (time scale 0, cached frames), through the
// exports; and the bare transfer of the same request and bytes on pipes to the
// same device, as the baseline. The readout reports its time as a multiple of
// the baseline's ("vs_bare").
#include <benchmark/benchmark.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/temp_bus_root.h"
#include "driver/camera/camera.h"
#include "driver/support/child_process.h"
#include "platform/vbus_host.h"
#include "tqusb/tqusb.h"

namespace {

constexpr unsigned kWidth = 4096, kHeight = 4096;
constexpr const char* kConfig = R"({"cameras": [
  {"name": "g3-16mp", "class": 1, "product_id": "0x0C00", "camera_id": 1600,
   "width": 4096, "height": 4096, "versions": ["0x0307", 1, 1, 2]}]})";

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
    Release(camera);
    sim->Signal(SIGTERM);
    sim->Wait();
  }
  static uint32_t Bytes() { return kWidth * kHeight * 2; }

  TempBusRoot bus;
  std::unique_ptr<tqtest::ChildProcess> sim;
  tQusb::CCamera* camera = nullptr;
  std::vector<uint16_t> image;
  double bareSeconds = 0;  // per frame, once the baseline ran
};

TBench& Bench() {
  static TBench bench;
  return bench;
}

double SecondsPerFrame(const benchmark::State& state,
                       std::chrono::steady_clock::duration elapsed) {
  return std::chrono::duration<double>(elapsed).count() / double(state.iterations());
}

void Report(benchmark::State& state, uint64_t bytes) {
  state.SetItemsProcessed(state.iterations());  // frames
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// The baseline: one request write, one read of the frame, one status byte,
// on pipes of the benchmark's own to the same device.
void BM_BareTransfer(benchmark::State& state) {
  TBench& b = Bench();
  if (b.camera == nullptr || !b.camera->IsConnected()) return state.SkipWithError("no camera");
  namespace vbus = platform::vbus;
  std::string path = b.camera->DevicePath;
  platform::THandle pipes[3];
  for (int i = 0; i < 3; ++i) pipes[i] = vbus::CreateFile((path + "\\" + char('0' + i)).c_str());
  const uint8_t request[10] = {0x09, 0, 0, 0, 0, 0, 0, 0x10, 0, 0x10};
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    uint32_t done = 0;
    uint8_t status = 0;
    if (!vbus::WriteFile(pipes[0], request, sizeof request, &done) ||
        !vbus::ReadFile(pipes[2], b.image.data(), TBench::Bytes(), &done) ||
        done != TBench::Bytes() || !vbus::ReadFile(pipes[1], &status, 1, &done))
      return state.SkipWithError("transfer");
  }
  b.bareSeconds = SecondsPerFrame(state, std::chrono::steady_clock::now() - start);
  for (platform::THandle h : pipes) platform::CloseHandle(h);
  Report(state, TBench::Bytes());
}
BENCHMARK(BM_BareTransfer)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole call: request, chunked read into the caller's buffer, status.
void BM_FullReadout(benchmark::State& state) {
  TBench& b = Bench();
  if (b.camera == nullptr || !b.camera->IsConnected()) return state.SkipWithError("no camera");
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state)
    if (!GetImage16b(b.camera, 0, 0, kWidth, kHeight, TBench::Bytes(), b.image.data()))
      return state.SkipWithError(b.camera->LastError);
  if (b.bareSeconds > 0)
    state.counters["vs_bare"] =
        SecondsPerFrame(state, std::chrono::steady_clock::now() - start) / b.bareSeconds;
  Report(state, TBench::Bytes());
}
BENCHMARK(BM_FullReadout)->Unit(benchmark::kMillisecond)->UseRealTime();

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
