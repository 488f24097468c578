// Throughput of image frames through the USB transport (bulk IN transfers
// queued in pieces) against a USB device mocked with umockdev, next to the
// same frames read straight from the virtual bus. The mocked device moves
// every transfer through umockdev's ioctl socket, so its figure is a floor
// for the transport's own cost, not a hardware speed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "common/bus_test_device.h"
#include "common/temp_bus_root.h"
#include "platform/usbhost.h"
#include "platform/vbus_host.h"
#include "usbhost/mock_usb_camera.h"

namespace {

constexpr uint32_t kFrameSize = 16u << 20;
const std::vector<unsigned char> kDescriptor = {18,   1, 0x00, 0x02, 0xFF, 0, 0, 64, 0xE2,
                                                0xF1, 0x04, 0x0C, 0x00, 0x01, 0, 0, 0, 1};

std::vector<unsigned char>& Frame() {
  static std::vector<unsigned char> frame(kFrameSize, 0x5A);
  return frame;
}

// One bus device sending a frame per command, and the USB device bridged
// to it; made once, the USB device table is read once per process.
struct Devices {
  TempBusRoot root;
  BusTestDevice bus{root.Path(), *platform::vbus::InterfaceClass(1), "bench",
                    [](const std::vector<unsigned char>&, busdevice::DeviceEndpoints& ep) {
                      ep.SendImage(Frame().data(), kFrameSize);
                    },
                    &kDescriptor};
  usbmock::MockUsbCamera usb;
  std::string usbPath;
  std::string error;

  Devices() {
    const std::string config = root.Path() + "/config";
    std::filesystem::create_directories(config + "/tqusb");
    std::ofstream(config + "/tqusb/devices.conf") << "f1e2 0c04 1\n";
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    platform::vbus::TBusAddress address;
    platform::vbus::ParseDevicePath(bus.DevicePath(), &address);
    if (!usb.Plug(platform::vbus::DeviceDirectory(root.Path(), address), &error)) return;
    const auto paths = platform::usbhost::InterfacePaths(1);
    if (paths.empty()) error = "the mocked device is not listed";
    else usbPath = paths[0];
  }
};

Devices& TheDevices() {
  static Devices* devices = new Devices;  // lives until the process ends
  return *devices;
}

template <typename WriteFn, typename ReadFn>
void ReadFrames(benchmark::State& state, WriteFn write, ReadFn read) {
  std::vector<unsigned char> buffer(kFrameSize, 0);
  for (auto _ : state) {
    if (!write()) {
      state.SkipWithError("command write failed");
      break;
    }
    uint32_t got = 0;
    // The driver asks for exactly the image's size, as here.
    if (!read(buffer.data(), kFrameSize, &got) || got != kFrameSize) {
      state.SkipWithError("image read failed");
      break;
    }
    benchmark::DoNotOptimize(buffer.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kFrameSize);
}

void UsbTransport(benchmark::State& state) {
  Frame();
  Devices& d = TheDevices();
  if (!usbmock::Available() || !d.error.empty()) {
    state.SkipWithError(("no mocked USB device: " + d.error).c_str());
    return;
  }
  namespace host = platform::usbhost;
  const platform::THandle command = host::Open((d.usbPath + "\\0").c_str());
  const platform::THandle image = host::Open((d.usbPath + "\\2").c_str());
  ReadFrames(
      state, [&] { return host::Write(command, "i", 1); },
      [&](void* data, uint32_t size, uint32_t* got) { return host::Read(image, data, size, got); });
  platform::CloseHandle(command);
  platform::CloseHandle(image);
}
BENCHMARK(UsbTransport)->Unit(benchmark::kMillisecond)->UseRealTime();

void VirtualBus(benchmark::State& state) {
  Frame();
  Devices& d = TheDevices();
  namespace vbus = platform::vbus;
  using platform::vbus::Pipe;
  const platform::THandle command = vbus::CreateFile(d.bus.PipePath(Pipe::Command).c_str());
  const platform::THandle image = vbus::CreateFile(d.bus.PipePath(Pipe::Image).c_str());
  ReadFrames(
      state,
      [&] {
        uint32_t written = 0;
        return vbus::WriteFile(command, "i", 1, &written);
      },
      [&](void* data, uint32_t size, uint32_t* got) {
        return vbus::ReadFile(image, data, size, got);
      });
  platform::CloseHandle(command);
  platform::CloseHandle(image);
}
BENCHMARK(VirtualBus)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// Runs under umockdev's preload, starting itself again through the wrapper.
int main(int argc, char** argv) {
  if (!usbmock::Available() && std::getenv("TQUSB_UMOCKDEV_TRIED") == nullptr) {
    setenv("TQUSB_UMOCKDEV_TRIED", "1", 1);
    std::vector<char*> args = {const_cast<char*>("umockdev-wrapper")};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    execvp(args[0], args.data());
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
