// Whole readouts of a 16 MP camera with 16-bit samples from the simulator at
// time scale 0 in its cached-frame mode, through the exports, next to the
// bare transfer of the same request and bytes on pipes of the benchmark's own.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/model_config.h"
#include "driver/camera/camera.h"
#include "driver/transport/command_channel.h"
#include "platform/usb_bus.h"
#include "server/device_server.h"
#include "sim/sim_test_support.h"
#include "tqusb/tqusb.h"

namespace {

constexpr unsigned kWidth = 4096, kHeight = 4096;
constexpr const char* kConfig = R"({"cameras": [
  {"name": "g3-16mp", "class": 1, "product_id": "0x0C00", "camera_id": 1600,
   "width": 4096, "height": 4096, "versions": ["0x0307", 1, 1, 2]}]})";

// One server and one opened camera for the whole program.
struct TBench {
  TBench() {
    tqsim::ServerOptions options;
    options.root = bus.Root();
    options.cameras = tqsim::ParseConfig(kConfig).cameras;
    options.timeScale = 0;
    options.cachedFrames = true;
    server = std::make_unique<tqsim::DeviceServer>(options);
    std::string error;
    if (!server->Start(&error)) return;
    camera = Initialize(1600);
    tQusb::ByteCommand(*camera, 0x03, 1);  // 12-bit mode: 16-bit samples
    camera->ReadMode = 1;
    image.resize(size_t(kWidth) * kHeight);
    // The first readout renders the cached frame.
    GetImage16b(camera, 0, 0, kWidth, kHeight, Bytes(), image.data());
  }
  ~TBench() {
    Release(camera);
    server->Stop();
  }
  static uint32_t Bytes() { return kWidth * kHeight * 2; }

  tqsim::TempBus bus;
  std::unique_ptr<tqsim::DeviceServer> server;
  tQusb::CCamera* camera = nullptr;
  std::vector<uint16_t> image;
};

TBench& Bench() {
  static TBench bench;
  return bench;
}

void Report(benchmark::State& state, uint64_t bytes) {
  state.SetItemsProcessed(state.iterations());  // frames
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// The whole call: request, chunked read into the caller's buffer, status.
void BM_FullReadout(benchmark::State& state) {
  TBench& b = Bench();
  if (b.camera == nullptr || !b.camera->IsConnected()) return state.SkipWithError("no camera");
  for (auto _ : state)
    if (!GetImage16b(b.camera, 0, 0, kWidth, kHeight, TBench::Bytes(), b.image.data()))
      return state.SkipWithError(b.camera->LastError);
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

// The same request and bytes on bare pipes: one write, one read of the
// frame, one status byte.
void BM_BareTransfer(benchmark::State& state) {
  TBench& b = Bench();
  if (b.camera == nullptr) return state.SkipWithError("no camera");
  tqsim::HostPipes pipes;
  if (!pipes.Open(b.camera->DevicePath)) return state.SkipWithError("pipes");
  const uint8_t request[10] = {0x09, 0, 0, 0, 0, 0, 0, 0x10, 0, 0x10};
  for (auto _ : state) {
    uint32_t done = 0;
    uint8_t status = 0;
    if (!platform::usb::WriteFile(pipes.command, request, sizeof request, &done) ||
        !platform::usb::ReadFile(pipes.image, b.image.data(), TBench::Bytes(), &done) ||
        done != TBench::Bytes() || !platform::usb::ReadFile(pipes.reply, &status, 1, &done))
      return state.SkipWithError("transfer");
  }
  pipes.Close();
  Report(state, TBench::Bytes());
}
BENCHMARK(BM_BareTransfer)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
