#pragma once
// Notify queues: what a host passes to RegisterNotifyHWND in place of a
// window. Messages are posted from any thread and taken by any thread.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

#include "platform/window_registry.h"

namespace platform {

class NotifyQueue : public WindowBase {
 public:
  bool Post(unsigned message, uintptr_t wParam, intptr_t lParam) override;

  // The oldest message, waiting up to timeoutMs (0xFFFFFFFF: without
  // limit). False on timeout or once the queue was closed.
  bool Take(unsigned timeoutMs, unsigned* message, uint64_t* wParam, uint64_t* lParam);

  // Wakes every waiting Take with failure; later posts are dropped.
  void Close();

 private:
  struct Message {
    unsigned message;
    uint64_t wParam;
    uint64_t lParam;
  };
  std::mutex lock_;
  std::condition_variable arrived_;
  std::deque<Message> messages_;
  bool closed_ = false;
};

}  // namespace platform
