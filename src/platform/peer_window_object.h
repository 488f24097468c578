#pragma once
// The object behind a PeerWindow handle (internal to the event code).
#include <atomic>
#include <memory>

#include "platform/peer_window.h"
#include "platform/thread_queue.h"
#include "platform/window_registry.h"

namespace platform {

class PeerWindow : public WindowBase {
 public:
  PeerWindow(std::shared_ptr<ThreadQueue> queue, WindowProc procedure, void* userData)
      : queue_(std::move(queue)), procedure_(procedure), userData_(userData) {}

  bool Post(unsigned message, uintptr_t wParam, intptr_t lParam) override {
    TQueuedMessage m;
    m.window = this;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    queue_->Post(std::move(m));
    return true;
  }

  const std::shared_ptr<ThreadQueue>& Queue() const { return queue_; }
  WindowProc Procedure() const { return procedure_; }
  void* UserData() const { return userData_.load(); }
  void SetUserData(void* data) { userData_.store(data); }

 private:
  std::shared_ptr<ThreadQueue> queue_;
  WindowProc procedure_;
  std::atomic<void*> userData_;
};

// The live window behind a handle, null for an unknown or destroyed one.
inline std::shared_ptr<PeerWindow> FindPeerWindow(const PeerWindow* window) {
  // Single inheritance: the handle is the address of the WindowBase part.
  return FindWindowAs<PeerWindow>(static_cast<const void*>(window));
}

}  // namespace platform
