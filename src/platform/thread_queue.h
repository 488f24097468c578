#pragma once
// The event queue of one thread: posted messages, timer ticks and device
// notices for the peer windows the thread created. One epoll descriptor
// gathers them (an eventfd for posts, a timerfd per timer, the inotify
// descriptor of the notice watcher), so the thread can wait on all at once
// and a host loop can poll that single descriptor.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/peer_window.h"
#include "platform/vbus_notices.h"

namespace platform {

// One message on its way to a window procedure. `payload` keeps the data
// that lParam points to (a notice record) alive until it was dispatched.
struct TQueuedMessage {
  PeerWindow* window = nullptr;
  unsigned message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  std::shared_ptr<void> payload;
  uint64_t timerSerial = 0;  // for timer ticks: the timer that was due
};

class ThreadQueue {
 public:
  // The calling thread's queue, made on first use; null when its descriptors
  // cannot be made.
  static std::shared_ptr<ThreadQueue> Current();
  // The calling thread's queue if it has one already.
  static std::shared_ptr<ThreadQueue> CurrentIfAny();

  ~ThreadQueue();
  ThreadQueue(const ThreadQueue&) = delete;
  ThreadQueue& operator=(const ThreadQueue&) = delete;

  // Readable while events are pending.
  int Fd() const { return epoll_; }

  // Thread-safe.
  void Post(TQueuedMessage message);
  bool SetTimer(PeerWindow* window, uintptr_t id, unsigned periodMs);
  bool KillTimer(PeerWindow* window, uintptr_t id);
  void KillTimers(PeerWindow* window);
  NoticeWatcher& Notices() { return notices_; }

  // Owning thread only.
  unsigned Pump(unsigned timeoutMs);
  bool HasEvents() const;
  bool Wait(unsigned timeoutMs) const;

 private:
  ThreadQueue();
  bool Usable() const { return epoll_ >= 0 && wake_ >= 0; }
  void Collect(std::vector<TQueuedMessage>* messages);
  void CollectTimers(std::vector<TQueuedMessage>* messages);
  bool TimerAlive(uint64_t serial);
  bool Dispatch(const TQueuedMessage& message);

  struct Timer {
    PeerWindow* window;
    uintptr_t id;
    int fd;
    uint64_t serial;
  };

  int epoll_ = -1;
  int wake_ = -1;
  std::mutex lock_;
  std::deque<TQueuedMessage> posted_;
  std::vector<Timer> timers_;
  uint64_t nextTimerSerial_ = 1;
  NoticeWatcher notices_;
};

// The os message-queue functions map onto these (calling thread).
// True when the thread has nothing to pump (also when it has no queue).
bool ThreadQueueEmpty();
// Waits up to timeoutMs (0xFFFFFFFF: without limit) until the thread has
// events to pump; true when it has.
bool WaitThreadEvents(unsigned timeoutMs);
// Dispatches the thread's pending events (see tqPumpEvents).
unsigned PumpThreadEvents(unsigned timeoutMs);

}  // namespace platform
