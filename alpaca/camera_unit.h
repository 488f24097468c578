#pragma once
// One camera on the bus and the thread that owns it. The worker opens the
// camera (so it receives the camera's plug notices), runs every call that
// talks to the camera in order, times exposures, reads them out and keeps a
// status record. Device members read the record under the lock and never
// wait on a readout; settings and actions are jobs the worker runs between
// its other work.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "image.h"
#include "tqusb/tqusb.hpp"

namespace tqalpaca {

enum class CameraState {
  Idle = 0,
  Waiting = 1,
  Exposing = 2,
  Reading = 3,
  Download = 4,
  Error = 5
};

// Which Alpaca device of the camera a connection belongs to; the camera is
// open while either is connected.
enum class Role { Camera, Wheel };

using Clock = std::chrono::steady_clock;

struct Readings {
  std::optional<float> sensor, heatSink, coolerPower;
  std::string error;  // the library's text when the last reading failed
};

// Everything the device members answer from. Guarded by CameraUnit's lock.
struct CameraStatus {
  bool cameraConnected = false, wheelConnected = false;
  bool open = false;     // the worker holds a handle
  bool present = false;  // the camera is on the bus now
  tqusb::Caps caps{};    // of the open camera
  std::vector<std::string> readModes;
  std::vector<tqusb::Filter> filters;

  // Alpaca settings, applied when an exposure starts.
  uint32_t binX = 1, binY = 1, startX = 0, startY = 0, numX = 0, numY = 0;
  std::optional<int> gain;
  std::optional<double> setPoint;
  bool coolerOn = false;

  CameraState state = CameraState::Idle;
  std::string errorText;  // why the last exposure ended in the error state
  double duration = 0;
  bool light = true;
  bool stopRequested = false;
  Clock::time_point exposureStart{};
  tqusb::Window window;  // of the running exposure, in binned pixels
  std::shared_ptr<const Image> image;
  std::optional<std::string> lastStartUtc;
  std::optional<double> lastDuration;

  Readings readings;
  Clock::time_point guideEnd{};

  int wheelPosition = -1;  // -1 while moving or before the first move
  std::string wheelError;  // why the last move failed, told once
};

class CameraUnit {
 public:
  CameraUnit(uint32_t id, std::string model, const tqusb::Caps& probed);
  ~CameraUnit();
  CameraUnit(const CameraUnit&) = delete;
  CameraUnit& operator=(const CameraUnit&) = delete;

  uint32_t Id() const { return id_; }
  const std::string& Model() const { return model_; }
  bool HasWheel() const { return probed_.filterWheel && probed_.filters > 0; }
  const tqusb::Caps& Probed() const { return probed_; }

  // Calls f with the status under the lock and returns its result.
  template <typename F>
  auto With(F&& f) const {
    std::lock_guard<std::mutex> hold(lock_);
    return f(status_);
  }
  template <typename F>
  auto Change(F&& f) {
    std::lock_guard<std::mutex> hold(lock_);
    return f(status_);
  }

  // Throw AlpacaError when the camera refuses.
  void Connect(Role role);
  void Disconnect(Role role);
  // Runs job on the worker and waits for it; a library refusal becomes an
  // AlpacaError.
  void Run(const std::function<void(tqusb::Camera&)>& job);

  void StartExposure(double seconds, bool light);
  void StopExposure();
  void AbortExposure();
  void MoveWheel(int position);
  void PulseGuide(int16_t firstAxisMs, int16_t secondAxisMs);

 private:
  void Post(std::function<void()> job);
  // Runs job on the worker and waits; its exception is thrown here.
  void Call(std::function<void()> job);
  void Wake();
  void Loop();
  void RunJobs();
  void WaitForWork(Clock::time_point deadline);
  void OpenCamera();
  void CloseCamera();
  void LoadCaps();
  void CheckPresence();
  void RefreshReadings();
  void FinishExposure();
  void ReadOut(double seconds, bool cameraTimed);
  std::optional<Clock::time_point> NextDeadline() const;

  const uint32_t id_;
  const std::string model_;
  const tqusb::Caps probed_;

  mutable std::mutex lock_;
  CameraStatus status_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  bool cameraTimedPending_ = false;  // a generation-0 exposure waits for the worker
  int wakeFd_ = -1;

  // Worker only.
  std::unique_ptr<tqusb::Camera> camera_;
  Clock::time_point nextReadings_{};
  std::thread worker_;
};

}  // namespace tqalpaca
