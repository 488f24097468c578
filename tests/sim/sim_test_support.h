#pragma once
// Helpers of the simulator tests: a temporary bus root, a running device
// server, and the three pipes of a device opened with the library's bus client.
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/temp_bus_root.h"
#include "core/model_config.h"
#include "core/wire.h"
#include "platform/handles.h"
#include "platform/vbus_host.h"
#include "server/device_server.h"

namespace tqsim {

using platform::THandle;

// A bus root in a fresh temporary directory, made the process's bus root
// (the bus client resolves pipe paths below it) for its lifetime.
class TempBus : public TempBusRoot {
 public:
  TempBus() { platform::vbus::SetReplyTimeoutMs(10000); }
  const std::string& Root() const { return Path(); }
};

// Starts a device server with `cameras` on `root`; returns the device path
// of each camera in their order, or nothing with *error set.
inline std::vector<std::string> StartServer(std::unique_ptr<DeviceServer>& server,
                                            const std::string& root,
                                            const std::vector<CameraModel>& cameras,
                                            double timeScale, std::string* error) {
  ServerOptions options;
  options.root = root;
  options.cameras = cameras;
  options.timeScale = timeScale;
  server = std::make_unique<DeviceServer>(options);
  if (!server->Start(error)) return {};
  std::istringstream list(server->Control("list"));
  std::vector<std::string> paths;
  std::string line;
  std::getline(list, line);  // "ok"
  while (std::getline(list, line)) paths.push_back(line.substr(line.rfind(' ') + 1));
  return paths;
}

struct HostPipes {
  THandle command = platform::kInvalidHandle;
  THandle reply = platform::kInvalidHandle;
  THandle image = platform::kInvalidHandle;

  bool Open(const std::string& devicePath) {
    command = platform::vbus::CreateFile((devicePath + "\\0").c_str());
    reply = platform::vbus::CreateFile((devicePath + "\\1").c_str());
    image = platform::vbus::CreateFile((devicePath + "\\2").c_str());
    return command != platform::kInvalidHandle && reply != platform::kInvalidHandle &&
           image != platform::kInvalidHandle;
  }

  // Writes one request and reads one reply frame (empty when the read fails).
  Bytes Transact(const Bytes& request) {
    std::uint32_t done = 0;
    if (!platform::vbus::WriteFile(command, request.data(),
                                   static_cast<std::uint32_t>(request.size()), &done))
      return {};
    Bytes reply(256);
    if (!platform::vbus::ReadFile(this->reply, reply.data(),
                                  static_cast<std::uint32_t>(reply.size()), &done))
      return {};
    reply.resize(done);
    return reply;
  }

  void Close() {
    for (THandle* h : {&command, &reply, &image})
      platform::CloseHandle(std::exchange(*h, platform::kInvalidHandle));
  }

  ~HostPipes() { Close(); }
};

}  // namespace tqsim
