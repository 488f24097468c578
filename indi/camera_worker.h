#pragma once
// Runs one long camera call at a time (a readout, a camera-timed exposure, a
// filter move) on its own thread, so the driver's event loop never blocks.
// The driver thread starts a job and later collects its result; while a job
// runs, only the job touches the camera.
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

#include "tqusb/tqusb.hpp"

namespace tqindi {

// How a job ended: the camera's refusal, or nothing when it succeeded.
using JobResult = std::optional<tqusb::Error>;

class CameraWorker {
 public:
  ~CameraWorker() { Wait(); }

  // False when a job is still running.
  bool Start(std::function<JobResult()> job);
  bool Busy() const { return running_; }
  // True once, when the job has ended; its result goes to `result`.
  bool Collect(JobResult& result);
  // Blocks until the running job ends and gives its result (a job that
  // ends by itself soon, such as a stream after its stop).
  JobResult Finish();
  // Blocks until the running job ends (driver shutdown, disconnect).
  void Wait();

 private:
  std::thread thread_;
  std::atomic<bool> running_{false};
  std::atomic<bool> finished_{false};
  JobResult result_;
};

}  // namespace tqindi
