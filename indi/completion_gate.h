#pragma once
// libindi writes and sends a finished image on a detached thread of its own
// (ExposureComplete returns at once). That thread reads the clock through
// gmtime() and localtime(), whose one static buffer libindi's timestamp()
// also uses for the time of every INDI message; a message sent by the driver
// thread meanwhile could carry the image's time or a garbled one. The driver
// thread therefore waits until that thread has ended, so only one thread at
// a time talks to INDI.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tqindi {

class CompletionGate {
 public:
  // Driver thread: `start` hands the image to libindi; returns when the
  // thread it started has ended.
  template <typename Start>
  void Run(Start start) {
    Open();
    start();
    Wait();
  }

  // Called by libindi's hooks on whatever thread runs them; on the image
  // thread of a Run, arms the signal that the thread's exit gives.
  void Enter();

 private:
  void Open();
  void Wait();
  void Exited();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread::id driverThread_;
  bool open_ = false;     // a Run waits for an image thread
  bool entered_ = false;  // that thread has called a hook
  bool exited_ = false;   // and has ended
};

}  // namespace tqindi
