#pragma once
// Helpers of the simulator tests: a temporary bus root and the three pipes of
// a device opened with the library's bus client.
#include <chrono>
#include <cstdlib>
#include <thread>
#include <filesystem>
#include <string>

#include "core/wire.h"
#include "platform/bus_layout.h"
#include "platform/handles.h"
#include "platform/usb_bus.h"

namespace tqsim {

using platform::THandle;

// A bus root in a fresh temporary directory, made the process's bus root
// (the bus client resolves pipe paths below it) for its lifetime.
class TempBus {
 public:
  TempBus() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tqsim-test-XXXXXX").string();
    dir_ = mkdtemp(pattern.data()) ? pattern : std::string();
    root_ = dir_ + "/bus";
    setenv("TQUSB_BUS_DIR", root_.c_str(), 1);
    platform::usb::SetReplyTimeoutMs(10000);
  }
  ~TempBus() {
    unsetenv("TQUSB_BUS_DIR");
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
  }
  const std::string& Root() const { return root_; }

 private:
  std::string dir_;
  std::string root_;
};

// Polls `condition` for up to five seconds.
template <typename Condition>
bool WaitFor(Condition condition) {
  for (int i = 0; i < 500; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

// The directory a device path leads to.
inline std::string DeviceDir(const std::string& root, const std::string& devicePath) {
  platform::bus::TBusAddress address;
  if (!platform::bus::ParseDevicePath(devicePath, &address)) return {};
  return platform::bus::DeviceDirectory(root, address);
}

struct HostPipes {
  THandle command = platform::kInvalidHandle;
  THandle reply = platform::kInvalidHandle;
  THandle image = platform::kInvalidHandle;

  bool Open(const std::string& devicePath) {
    command = platform::usb::CreateFile((devicePath + "\\0").c_str());
    reply = platform::usb::CreateFile((devicePath + "\\1").c_str());
    image = platform::usb::CreateFile((devicePath + "\\2").c_str());
    return command != platform::kInvalidHandle && reply != platform::kInvalidHandle &&
           image != platform::kInvalidHandle;
  }

  // Writes one request and reads one reply frame (empty when the read fails).
  Bytes Transact(const Bytes& request) {
    std::uint32_t done = 0;
    if (!platform::usb::WriteFile(command, request.data(), static_cast<std::uint32_t>(request.size()),
                                  &done))
      return {};
    Bytes reply(256);
    if (!platform::usb::ReadFile(this->reply, reply.data(), static_cast<std::uint32_t>(reply.size()),
                                 &done))
      return {};
    reply.resize(done);
    return reply;
  }

  void Close() {
    for (THandle* h : {&command, &reply, &image}) {
      if (*h != platform::kInvalidHandle) platform::CloseHandle(*h);
      *h = platform::kInvalidHandle;
    }
  }

  ~HostPipes() { Close(); }
};

}  // namespace tqsim
