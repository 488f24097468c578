#include "platform/notify_queue.h"

#include <chrono>
#include <memory>

#include "tqusb/tqusb_events.h"

namespace platform {

bool NotifyQueue::Post(unsigned message, uintptr_t wParam, intptr_t lParam) {
  {
    std::lock_guard guard(lock_);
    if (closed_) return false;
    messages_.push_back({message, wParam, static_cast<uint64_t>(lParam)});
  }
  arrived_.notify_one();
  return true;
}

bool NotifyQueue::Take(unsigned timeoutMs, unsigned* message, uint64_t* wParam, uint64_t* lParam) {
  std::unique_lock guard(lock_);
  auto ready = [this] { return closed_ || !messages_.empty(); };
  if (timeoutMs == TQ_INFINITE)
    arrived_.wait(guard, ready);
  else if (!arrived_.wait_for(guard, std::chrono::milliseconds(timeoutMs), ready))
    return false;
  if (closed_) return false;
  Message m = messages_.front();
  messages_.pop_front();
  if (message) *message = m.message;
  if (wParam) *wParam = m.wParam;
  if (lParam) *lParam = m.lParam;
  return true;
}

void NotifyQueue::Close() {
  {
    std::lock_guard guard(lock_);
    closed_ = true;
    messages_.clear();
  }
  arrived_.notify_all();
}

}  // namespace platform

void* tqCreateNotifyWindow(void) {
  auto queue = std::make_shared<platform::NotifyQueue>();
  platform::AddWindow(queue);
  return static_cast<platform::WindowBase*>(queue.get());
}

bool tqGetNotifyMessage(void* window, unsigned timeoutMs, unsigned* message, uint64_t* wparam,
                        uint64_t* lparam) {
  // The registry entry keeps the queue alive while this call waits on it.
  auto queue = platform::FindWindowAs<platform::NotifyQueue>(window);
  return queue && queue->Take(timeoutMs, message, wparam, lparam);
}

void tqDestroyNotifyWindow(void* window) {
  // Only notify queues are the host's to destroy; a peer window stays.
  if (!platform::FindWindowAs<platform::NotifyQueue>(window)) return;
  auto removed = std::dynamic_pointer_cast<platform::NotifyQueue>(platform::RemoveWindow(window));
  if (removed) removed->Close();
}
