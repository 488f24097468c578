// Plays arbitrary device replies and frames to Initialize and one readout,
// through a device on a private bus served by a thread of this process.
//
// Input: byte 0 picks the interface class, bytes 1-4 the camera id asked
// for, bytes 5-8 the readout window; the rest is a script with one step per
// command the device receives:
//   op % 4 == 0   a reply frame of (next byte) bytes
//   op % 4 == 1   an image frame of (next two bytes) bytes, then a reply frame
//   op % 4 == 2   raw bytes on the reply pipe (a broken frame header)
//   op % 4 == 3   a reply frame longer than asked, then the same on the image pipe
// Frame bytes come from the input. Once the script is used up the device
// closes every connection, and so does a device that hears no command for
// 100 ms (the host waits for an image the script never sent), so nothing
// waits for ever on an answer that never comes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "common/bus_test_device.h"
#include "common/temp_bus_root.h"
#include "platform/vbus_host.h"
#include "tqusb/tqusb.h"

namespace {

namespace vbus = platform::vbus;

class Script {
 public:
  void Load(const uint8_t* data, size_t size) {
    std::lock_guard hold(lock_);
    data_.assign(data, data + size);
    at_ = 0;
  }

  void Play(const std::vector<unsigned char>&, busdevice::DeviceEndpoints& device) {
    std::lock_guard hold(lock_);
    if (at_ < data_.size()) {
      const uint8_t op = Next();
      switch (op % 4) {
        case 0:
          Frame(device, vbus::Pipe::Reply, Next());
          break;
        case 1:
          Frame(device, vbus::Pipe::Image, Next() | (Next() << 8));
          Frame(device, vbus::Pipe::Reply, Next());
          break;
        case 2: {
          auto bytes = Take(Next() % 8);
          device.SendRaw(vbus::Pipe::Reply, bytes.data(), bytes.size());
          break;
        }
        case 3:
          Frame(device, vbus::Pipe::Reply, 70 + Next());
          Frame(device, vbus::Pipe::Image, 4096 + Next() * 16);
          break;
      }
    }
    if (at_ >= data_.size()) device.CloseConnections();
  }

 private:
  uint8_t Next() { return at_ < data_.size() ? data_[at_++] : 0; }
  std::vector<unsigned char> Take(size_t n) {
    std::vector<unsigned char> bytes(n, 0);
    for (auto& b : bytes) b = Next();
    return bytes;
  }
  void Frame(busdevice::DeviceEndpoints& device, vbus::Pipe pipe, size_t size) {
    auto bytes = Take(std::min<size_t>(size, data_.size() - std::min(at_, data_.size())));
    bytes.resize(size, 0x80);  // status bytes where the input ran out
    device.SendFrame(pipe, bytes.data(), static_cast<uint32_t>(bytes.size()));
  }

  std::mutex lock_;
  std::vector<uint8_t> data_;
  size_t at_ = 0;
};

// A broken frame header or a silent step costs one reply timeout; a short one
// keeps the campaign fast; the path taken is the same at any length.
struct Harness {
  Harness() { platform::vbus::SetReplyTimeoutMs(20); }
  TempBusRoot root;
  Script script;
};

uint32_t Word(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Harness harness;
  if (size < 9) return 0;
  const int classNumber = 1 + data[0] % vbus::kClassCount;
  harness.script.Load(data + 9, size - 9);
  BusTestDevice device(
      harness.root.Path(), *vbus::InterfaceClass(classNumber), "vid_0000&pid_0c26#fuzz",
      [](const std::vector<unsigned char>& command, busdevice::DeviceEndpoints& endpoints) {
        harness.script.Play(command, endpoints);
      },
      nullptr, 100);
  TQCAMERA camera = Initialize(Word(data + 1));
  const uint32_t window = Word(data + 5);
  const uint32_t x = window & 0x3F, y = (window >> 6) & 0x3F;
  const uint32_t width = 1 + ((window >> 12) & 0x3F), height = 1 + ((window >> 18) & 0x3F);
  std::vector<uint16_t> pixels(size_t(width) * height);
  if (window >> 31)
    GetImage8b(camera, x, y, width, height, uint32_t(pixels.size()), pixels.data());
  else
    GetImageExposure16b(camera, 0.001, true, x, y, width, height, uint32_t(pixels.size() * 2),
                        pixels.data());
  Release(camera);
  return 0;
}
