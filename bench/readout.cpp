// Whole readouts of a 16 MP camera with 12-bit samples and a single command,
// served by the simulator as a separate process (time scale 0, cached
// frames), through the exports; and, as the baselines, the same requests and
// bytes on bare connections to a second camera of the same model that do
// nothing but frame. Each iteration of a paired benchmark times a block of
// baseline transfers and then the same number through the library, so that
// the load of a busy machine falls on both alike; "vs_bare" is the library's
// time as a multiple of the baseline's in that run ("vs_bare_cpu" the same in
// this thread's CPU time). With --benchmark_repetitions read the median row.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <time.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_simulator.h"
#include "common/temp_bus_root.h"
#include "driver/camera/camera.h"
#include "driver/support/child_process.h"
#include "driver/transport/protocol.h"
#include "platform/socket_io.h"
#include "platform/vbus_host.h"
#include "platform/vbus_layout.h"
#include "tqusb/tqusb.h"

namespace {

constexpr unsigned kWidth = 4096, kHeight = 4096;
constexpr const char* kConfig = R"({"cameras": [
  {"name": "g3-16mp", "class": 1, "product_id": "0x0C00", "camera_id": 1600,
   "width": 4096, "height": 4096, "versions": ["0x0307", 1, 1, 2]},
  {"name": "g3-16mp-bare", "class": 1, "product_id": "0x0C00", "camera_id": 1601,
   "width": 4096, "height": 4096, "versions": ["0x0307", 1, 1, 2]}]})";

constexpr uint32_t kFrameBytes = kWidth * kHeight * 2;
constexpr uint8_t kReadFrame[10] = {
    tQusb::opcode::gen2to5::kReadWindow, 0, 0, 0, 0, 0, 0, 0x10, 0, 0x10};
constexpr uint8_t kClear = tQusb::opcode::gen2to5::kClearSensor;

// Connections of the benchmark's own to a device's pipes, spoken to with
// nothing but the bus framing: a request is one frame sent, a reply or an
// image one header and its bytes received.
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
  // A request answered by a status byte alone.
  bool Command(const uint8_t* request, uint32_t size) const {
    uint8_t status = 0;
    return Request(request, size) && Receive(1, &status, 1) && status == 0x80;
  }
  bool Readout(void* image) const {
    uint8_t status = 0;
    return Request(kReadFrame, sizeof kReadFrame) && Receive(2, image, kFrameBytes) &&
           Receive(1, &status, 1) && status == 0x80;
  }
  int fds[3];
};

// One simulator process with two cameras: the first opened by the library,
// the second spoken to bare.
struct TBench {
  TBench() {
    if (!StartBenchSimulator(bus, kConfig, sim)) return;
    camera = Initialize(1600);
    if (camera == nullptr) return;
    SetReadMode(camera, 1);  // 12-bit: two bytes per pixel
    image.resize(size_t(kWidth) * kHeight);
    const platform::vbus::DeviceInterfaceSet members(*platform::vbus::InterfaceClass(1));
    std::string path;
    for (unsigned i = 0;
         members.Enum(i, &path) == platform::vbus::DeviceInterfaceSet::Result::Found; ++i)
      if (path != camera->DevicePath) bare = std::make_unique<TBarePipes>(path);
    // The same read mode on both; the first readout of each camera renders
    // its cached frame.
    const uint8_t readMode[2] = {tQusb::opcode::gen2to5::kReadMode,
                                 static_cast<uint8_t>(camera->ReadMode)};
    GetImage16b(camera, 0, 0, kWidth, kHeight, kFrameBytes, image.data());
    if (bare && !(bare->Command(readMode, 2) && bare->Readout(image.data()))) bare.reset();
  }
  ~TBench() {
    bare.reset();
    Release(camera);
    sim->Signal(SIGTERM);
    sim->Wait();
  }
  bool Ready() const { return camera != nullptr && camera->IsConnected() && bare != nullptr; }

  TempBusRoot bus;
  std::unique_ptr<tqtest::ChildProcess> sim;
  tQusb::CCamera* camera = nullptr;
  std::unique_ptr<TBarePipes> bare;
  std::vector<uint16_t> image;
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

// Wall-clock and CPU seconds summed over the blocks of one side of a pair.
struct TSide {
  double real = 0, cpu = 0;
  // Runs `transfer` `count` times; false when one fails.
  bool Time(int count, const std::function<bool()>& transfer) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = ThreadCpuSeconds();
    for (int i = 0; i < count; ++i)
      if (!transfer()) return false;
    real += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    cpu += ThreadCpuSeconds() - cpuStart;
    return true;
  }
};

// Each iteration: `count` baseline transfers, then `count` through the library.
void Paired(benchmark::State& state, int count, const std::function<bool()>& bareTransfer,
            const std::function<bool()>& libraryTransfer) {
  TSide bare, library;
  for (auto _ : state)
    if (!bare.Time(count, bareTransfer) || !library.Time(count, libraryTransfer))
      return state.SkipWithError("transfer failed");
  state.counters["vs_bare"] = library.real / bare.real;
  state.counters["vs_bare_cpu"] = library.cpu / bare.cpu;
  state.SetItemsProcessed(state.iterations() * count * 2);
}

// A command: the clear request and its status byte (blocks of 200).
void BM_CommandRoundTrip(benchmark::State& state) {
  TBench& b = Bench();
  if (!b.Ready()) return state.SkipWithError("no cameras");
  Paired(
      state, 200, [&b] { return b.bare->Command(&kClear, 1); },
      [&b] { return ClearCCD(b.camera); });
}
BENCHMARK(BM_CommandRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();

// A full frame: the request, the image read into the caller's buffer (the
// library in its chunks), the status byte.
void BM_FullReadout(benchmark::State& state) {
  TBench& b = Bench();
  if (!b.Ready()) return state.SkipWithError("no cameras");
  Paired(
      state, 1, [&b] { return b.bare->Readout(b.image.data()); },
      [&b] { return GetImage16b(b.camera, 0, 0, kWidth, kHeight, kFrameBytes, b.image.data()); });
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFrameBytes * 2);
}
BENCHMARK(BM_FullReadout)->Unit(benchmark::kMillisecond)->UseRealTime();

// A binned readout: the frame lands in the work buffer and is summed 2 x 2.
void BM_BinnedReadout(benchmark::State& state) {
  TBench& b = Bench();
  if (!b.Ready()) return state.SkipWithError("no cameras");
  SetBinning(b.camera, 2, 2);
  for (auto _ : state)
    if (!GetImage16b(b.camera, 0, 0, kWidth / 2, kHeight / 2, kFrameBytes, b.image.data()))
      return state.SkipWithError(b.camera->LastError);
  SetBinning(b.camera, 1, 1);
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFrameBytes);
}
BENCHMARK(BM_BinnedReadout)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
