#include "completion_gate.h"

namespace tqindi {
namespace {

// Without an image thread (a libindi that completes on the calling thread)
// the hook never comes from another thread; the wait for it is bounded.
constexpr auto kEnterLimit = std::chrono::seconds(2);

}  // namespace

void CompletionGate::Open() {
  std::lock_guard<std::mutex> lock(mutex_);
  driverThread_ = std::this_thread::get_id();
  open_ = true;
  entered_ = exited_ = false;
}

void CompletionGate::Enter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_ || entered_ || std::this_thread::get_id() == driverThread_) return;
    entered_ = true;
  }
  changed_.notify_all();
  // Destroyed when this thread ends, after everything it does for INDI.
  struct ExitSignal {
    CompletionGate* gate;
    ~ExitSignal() { gate->Exited(); }
  };
  thread_local ExitSignal signal{this};
}

void CompletionGate::Exited() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    exited_ = true;
  }
  changed_.notify_all();
}

void CompletionGate::Wait() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (changed_.wait_for(lock, kEnterLimit, [this] { return entered_; }))
    changed_.wait(lock, [this] { return exited_; });
  open_ = false;
}

}  // namespace tqindi
