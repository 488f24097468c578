#pragma once
// The device server: publishes every configured camera on the bus and serves
// them all from one event-loop thread, with a control socket under the bus
// root through which `tqsim` commands (and tests) plug, unplug, inspect and
// break devices.
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/camera_model.h"
#include "core/sim_clock.h"
#include "server/control_channel.h"
#include "server/event_loop.h"
#include "server/sim_device.h"

namespace tqsim {

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
  // bus; false (nothing left behind) with a reason otherwise. A server starts
  // once; a stopped server is not started again.
  bool Start(std::string* error);

  // Removes every device, closes every connection and stops serving.
  void Stop();

  // Runs one control command ("list", "plug DEV", "unplug DEV",
  // "fault DEV ...", "status DEV") on the serving thread and returns its
  // answer: "ok" or "error <reason>" on the first line, then the body.
  // Called from any thread but the serving one.
  std::string Control(const std::string& line);

  // The device path ("\\?\usb#...#{class}") of a device named by camera
  // name, device name or camera id; empty when there is none. Any thread but
  // the serving one.
  std::string DevicePath(const std::string& key);

  const std::string& Root() const { return root_; }
  std::size_t DeviceCount() const { return devices_.size(); }
  SimClock& Clock() { return clock_; }

 private:
  std::string Execute(const std::string& line);
  // Runs `work` on the serving thread (directly while not serving) and
  // returns its result.
  std::string OnLoop(std::function<std::string()> work);
  SimDevice* FindDevice(const std::string& key);

  ServerOptions options_;
  std::string root_;
  SimClock clock_;
  EventLoop loop_;
  std::vector<std::unique_ptr<SimDevice>> devices_;
  std::thread thread_;
  bool running_ = false;
  bool started_ = false;  // a server starts once: its loop is not reused
  ControlChannel control_;
};

}  // namespace tqsim
