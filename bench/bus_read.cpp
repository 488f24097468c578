// Throughput of an image frame over the virtual USB bus: a device served by a
// thread of this program sends 64 MiB frames, read as the driver reads them
// (one piece, or pieces of 24 MiB); a plain memcpy of the same size is the
// yardstick.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "common/bus_test_device.h"
#include "common/temp_bus_root.h"
#include "platform/vbus_host.h"

namespace {

constexpr uint32_t kFrameSize = 64u << 20;

std::vector<unsigned char>& Frame() {
  static std::vector<unsigned char> frame(kFrameSize, 0x5A);
  return frame;
}

void ReadFrames(benchmark::State& state) {
  const uint32_t piece = static_cast<uint32_t>(state.range(0));
  Frame();  // built before timing starts
  TempBusRoot root;
  BusTestDevice device(root.Path(), *platform::vbus::InterfaceClass(1), "bench",
                       [](const std::vector<unsigned char>&, busdevice::DeviceEndpoints& ep) {
                         ep.SendImage(Frame().data(), kFrameSize);
                       });
  using platform::vbus::Pipe;
  namespace vbus = platform::vbus;
  platform::THandle command = vbus::CreateFile(device.PipePath(Pipe::Command).c_str());
  platform::THandle image = vbus::CreateFile(device.PipePath(Pipe::Image).c_str());
  std::vector<unsigned char> buffer(kFrameSize, 0);  // pages touched before timing
  for (auto _ : state) {
    uint32_t written = 0;
    if (!vbus::WriteFile(command, "i", 1, &written)) {
      state.SkipWithError("command write failed");
      break;
    }
    uint32_t total = 0;
    while (total < kFrameSize) {
      uint32_t got = 0;
      if (!vbus::ReadFile(image, buffer.data() + total, std::min(piece, kFrameSize - total),
                          &got) ||
          got == 0) {
        state.SkipWithError("image read failed");
        break;
      }
      total += got;
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFrameSize);
  platform::CloseHandle(command);
  platform::CloseHandle(image);
}
BENCHMARK(ReadFrames)
    ->Arg(kFrameSize)
    ->Arg(24u << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void MemcpyFrame(benchmark::State& state) {
  std::vector<unsigned char> buffer(kFrameSize);
  for (auto _ : state) {
    std::memcpy(buffer.data(), Frame().data(), kFrameSize);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFrameSize);
}
BENCHMARK(MemcpyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
