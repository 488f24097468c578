#pragma once
// One simulated camera on the bus: its firmware, its published device
// directory with the three listening sockets, the open connections, the
// queue of requests in arrival order, and the faults it is told to show.
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "busdevice/published_device.h"
#include "core/firmware.h"
#include "server/connection.h"
#include "server/event_loop.h"
#include "server/faults.h"

namespace tqsim {

class SimDevice {
 public:
  SimDevice(EventLoop& loop, const SimClock& clock, const CameraModel& model, std::string root);
  ~SimDevice();
  SimDevice(const SimDevice&) = delete;
  SimDevice& operator=(const SimDevice&) = delete;

  // Publishes the device (a freshly powered camera). False with a reason
  // when the bus refuses it.
  bool Plug(std::string* error);
  // Takes the device off the bus and closes every connection.
  void Unplug();
  bool Plugged() const { return published_ != nullptr; }

  const CameraModel& Model() const { return firmware_.Model(); }
  // The directory name on the bus: vid_<vendor>&pid_<product>#<model name>.
  const std::string& DeviceName() const { return deviceName_; }
  std::string DevicePath() const;

  // "key=value" lines: firmware state, plug state, faults.
  std::string Status();
  // Applies a fault command (see faults.h); empty text on success.
  std::string Fault(const std::vector<std::string>& words);

  // Requests answered since the server started (all plug cycles).
  std::uint64_t Answered() const { return answered_; }

 private:
  void AcceptPending(int pipe);
  void WatchListener(int pipe);
  void PauseListening(int pipe);
  bool OnFrame(Bytes frame);
  void ProcessQueue();
  void Deliver(const Response& response);
  // Counts an answered request; false when that unplugged the device.
  bool AfterAnswer();
  Connection* Newest(int pipe);
  void CloseNewest(int pipe);
  void Retire(Connection* connection);

  EventLoop& loop_;
  const SimClock& clock_;
  Firmware firmware_;
  std::string root_;
  std::string deviceName_;
  std::unique_ptr<busdevice::PublishedDevice> published_;
  EventLoop::Token listenTokens_[3] = {0, 0, 0};
  std::vector<std::unique_ptr<Connection>> connections_;
  std::vector<std::unique_ptr<Connection>> retired_;
  bool reapPosted_ = false;
  std::uint64_t nextSerial_ = 1;
  std::deque<Bytes> queue_;
  bool busy_ = false;
  EventLoop::Token pendingTimer_ = 0;
  FaultPlan faults_;
  std::uint64_t answered_ = 0;
  std::array<std::uint64_t, 256> requestCounts_{};
};

}  // namespace tqsim
