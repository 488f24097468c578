#pragma once
// The device server: publishes every configured camera on the bus and serves
// them all from one event-loop thread, with a control socket under the bus
// root through which `tqsim` commands (and tests) plug, unplug, inspect and
// break devices.
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/camera_model.h"
#include "core/sim_clock.h"
#include "server/event_loop.h"
#include "server/sim_device.h"

namespace tqsim {

// Name of the control socket in the bus root.
inline constexpr const char* kControlSocketName = ".tqsim-control";

struct ServerOptions {
  std::string root;                 // bus root; empty: the resolved default root
  std::vector<CameraModel> cameras;
  double timeScale = 1.0;           // 1 = real time, 0 = instant
  bool controlSocket = true;
  bool cachedFrames = false;        // every camera serves images rendered once
};

class DeviceServer {
 public:
  explicit DeviceServer(ServerOptions options);
  ~DeviceServer();
  DeviceServer(const DeviceServer&) = delete;
  DeviceServer& operator=(const DeviceServer&) = delete;

  // Publishes every device and starts serving. Returns once all are on the
  // bus; false (nothing left behind) with a reason otherwise.
  bool Start(std::string* error);

  // Removes every device, closes every connection and stops serving.
  void Stop();

  // Runs one control command ("list", "plug DEV", "unplug DEV",
  // "fault DEV ...", "status DEV") on the serving thread and returns its
  // answer: "ok" or "error <reason>" on the first line, then the body.
  std::string Control(const std::string& line);

  const std::string& Root() const { return root_; }
  std::size_t DeviceCount() const { return devices_.size(); }
  SimClock& Clock() { return clock_; }

 private:
  std::string Execute(const std::string& line);
  SimDevice* FindDevice(const std::string& key);
  bool OpenControlSocket(std::string* error);
  void CloseControlSocket();
  void AcceptControl();

  ServerOptions options_;
  std::string root_;
  SimClock clock_;
  EventLoop loop_;
  std::vector<std::unique_ptr<SimDevice>> devices_;
  std::thread thread_;
  bool running_ = false;
  int controlFd_ = -1;
  EventLoop::Token controlToken_ = 0;
  std::string controlPath_;
};

// Sends one control command to the server serving `root` and returns its
// answer; false when no server answers.
bool SendControl(const std::string& root, const std::string& line, std::string* answer);

}  // namespace tqsim
