#include "platform/thread_queue.h"

#include <poll.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/peer_window_object.h"

namespace platform {

namespace {

constexpr unsigned kInfinite = 0xFFFFFFFFu;

// Every thread's reference to its queue; windows keep their queue alive
// after the thread ended, so that late posts to them are harmless.
//
// The reference hangs on a pthread key, not on a thread_local object: glibc
// keeps a library mapped for as long as any thread holds a thread_local with
// a destructor of the library's, so a host could never unload the library
// once one of its threads had opened a camera. The key's destructor drops the
// reference when the thread ends; at unload the key goes and the references
// of threads still running are dropped with this object.
class QueueSlots {
 public:
  QueueSlots() : usable_(pthread_key_create(&key_, &QueueSlots::ThreadEnded) == 0) {}
  ~QueueSlots() {
    if (usable_) pthread_key_delete(key_);
  }
  QueueSlots(const QueueSlots&) = delete;
  QueueSlots& operator=(const QueueSlots&) = delete;

  std::shared_ptr<ThreadQueue> Get() const {
    if (!usable_) return nullptr;
    const auto* slot = static_cast<const std::shared_ptr<ThreadQueue>*>(pthread_getspecific(key_));
    return slot != nullptr ? *slot : nullptr;
  }

  // False when the key could not be made or set.
  bool Set(std::shared_ptr<ThreadQueue> queue) {
    if (!usable_) return false;
    std::lock_guard guard(lock_);
    slots_.push_back(std::make_unique<std::shared_ptr<ThreadQueue>>(std::move(queue)));
    if (pthread_setspecific(key_, slots_.back().get()) == 0) return true;
    slots_.pop_back();
    return false;
  }

 private:
  static void ThreadEnded(void* slot);
  void Drop(const void* slot) {
    std::unique_ptr<std::shared_ptr<ThreadQueue>> dropped;  // destroyed outside the lock
    std::lock_guard guard(lock_);
    for (auto it = slots_.begin(); it != slots_.end(); ++it) {
      if (it->get() != slot) continue;
      dropped = std::move(*it);
      slots_.erase(it);
      break;
    }
  }

  pthread_key_t key_{};
  const bool usable_;
  std::mutex lock_;
  std::vector<std::unique_ptr<std::shared_ptr<ThreadQueue>>> slots_;
};

QueueSlots& Slots() {
  static QueueSlots slots;
  return slots;
}

void QueueSlots::ThreadEnded(void* slot) {
  Slots().Drop(slot);
}

bool AddToEpoll(int epoll, int fd) {
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = fd;
  return epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &event) == 0;
}

void Drain(int fd) {
  uint64_t count;
  while (read(fd, &count, sizeof count) > 0) {
  }
}

bool ArmTimer(int fd, unsigned periodMs) {
  // A zero period would disarm the timerfd: the shortest real period instead.
  long long ms = periodMs == 0 ? 1 : periodMs;
  itimerspec spec{};
  spec.it_interval.tv_sec = ms / 1000;
  spec.it_interval.tv_nsec = (ms % 1000) * 1000000;
  spec.it_value = spec.it_interval;
  return timerfd_settime(fd, 0, &spec, nullptr) == 0;
}

}  // namespace

ThreadQueue::ThreadQueue()
    : epoll_(epoll_create1(EPOLL_CLOEXEC)),
      wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      notices_(epoll_) {
  if (epoll_ >= 0 && wake_ >= 0 && !AddToEpoll(epoll_, wake_)) {
    close(wake_);
    wake_ = -1;
  }
}

ThreadQueue::~ThreadQueue() {
  for (Timer& t : timers_) close(t.fd);
  if (wake_ >= 0) close(wake_);
  // notices_ closes its inotify descriptor after this body; the epoll set
  // does not need it removed first.
  if (epoll_ >= 0) close(epoll_);
}

std::shared_ptr<ThreadQueue> ThreadQueue::Current() {
  std::shared_ptr<ThreadQueue> queue = Slots().Get();
  if (queue) return queue;
  queue.reset(new ThreadQueue);
  if (!queue->Usable() || !Slots().Set(queue)) return nullptr;
  return queue;
}

std::shared_ptr<ThreadQueue> ThreadQueue::CurrentIfAny() {
  return Slots().Get();
}

void ThreadQueue::Post(TQueuedMessage message) {
  std::lock_guard guard(lock_);
  posted_.push_back(std::move(message));
  uint64_t one = 1;
  ssize_t n = write(wake_, &one, sizeof one);
  (void)n;  // a full counter still leaves the eventfd readable
}

bool ThreadQueue::SetTimer(PeerWindow* window, uintptr_t id, unsigned periodMs) {
  std::lock_guard guard(lock_);
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&](const Timer& t) { return t.window == window && t.id == id; });
  if (it != timers_.end()) {
    it->serial = nextTimerSerial_++;  // ticks of the old period are not delivered
    Drain(it->fd);
    return ArmTimer(it->fd, periodMs);
  }
  int fd = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  if (fd < 0) return false;
  if (!ArmTimer(fd, periodMs) || !AddToEpoll(epoll_, fd)) {
    close(fd);
    return false;
  }
  timers_.push_back({window, id, fd, nextTimerSerial_++});
  return true;
}

bool ThreadQueue::KillTimer(PeerWindow* window, uintptr_t id) {
  std::lock_guard guard(lock_);
  auto it = std::find_if(timers_.begin(), timers_.end(),
                         [&](const Timer& t) { return t.window == window && t.id == id; });
  if (it == timers_.end()) return false;
  close(it->fd);  // closing also takes it out of the epoll set
  timers_.erase(it);
  return true;
}

void ThreadQueue::KillTimers(PeerWindow* window) {
  std::lock_guard guard(lock_);
  for (auto it = timers_.begin(); it != timers_.end();) {
    if (it->window == window) {
      close(it->fd);
      it = timers_.erase(it);
    } else {
      ++it;
    }
  }
}

bool ThreadQueue::TimerAlive(uint64_t serial) {
  std::lock_guard guard(lock_);
  return std::any_of(timers_.begin(), timers_.end(),
                     [&](const Timer& t) { return t.serial == serial; });
}

void ThreadQueue::CollectTimers(std::vector<TQueuedMessage>* messages) {
  std::lock_guard guard(lock_);
  for (const Timer& t : timers_) {
    uint64_t expirations = 0;
    if (read(t.fd, &expirations, sizeof expirations) != sizeof expirations || expirations == 0)
      continue;
    TQueuedMessage m;
    m.window = t.window;
    m.message = kMsgTimer;
    m.wParam = t.id;
    m.timerSerial = t.serial;
    messages->push_back(std::move(m));
  }
}

// Device notices first (the system sends them), then posted messages, then
// timer ticks (lowest priority, as for window timers).
void ThreadQueue::Collect(std::vector<TQueuedMessage>* messages) {
  notices_.Collect(messages);
  {
    std::lock_guard guard(lock_);
    Drain(wake_);
    for (auto& m : posted_) messages->push_back(std::move(m));
    posted_.clear();
  }
  CollectTimers(messages);
}

bool ThreadQueue::Dispatch(const TQueuedMessage& m) {
  auto window = FindPeerWindow(m.window);
  if (!window || window->Queue().get() != this) return false;
  if (m.timerSerial != 0 && !TimerAlive(m.timerSerial)) return false;
  window->Procedure()(m.window, m.message, m.wParam, m.lParam);
  return true;
}

unsigned ThreadQueue::Pump(unsigned timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  unsigned dispatched = 0;
  for (;;) {
    std::vector<TQueuedMessage> messages;
    Collect(&messages);
    for (const auto& m : messages)
      if (Dispatch(m)) ++dispatched;
    if (dispatched > 0) return dispatched;
    int wait = -1;
    if (timeoutMs != kInfinite) {
      auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
      if (spent.count() >= timeoutMs) return 0;
      wait = static_cast<int>(std::min<long long>(timeoutMs - spent.count(), 0x7FFFFFFF));
    }
    epoll_event event;
    int rc = epoll_wait(epoll_, &event, 1, wait);
    if (rc < 0 && errno != EINTR) return 0;
  }
}

bool ThreadQueue::HasEvents() const {
  return Wait(0);
}

bool ThreadQueue::Wait(unsigned timeoutMs) const {
  pollfd p{epoll_, POLLIN, 0};
  int wait = timeoutMs == kInfinite ? -1 : static_cast<int>(std::min(timeoutMs, 0x7FFFFFFFu));
  int rc;
  do {
    rc = poll(&p, 1, wait);
  } while (rc < 0 && errno == EINTR);
  return rc > 0;
}

bool ThreadQueueEmpty() {
  auto queue = ThreadQueue::CurrentIfAny();
  return !queue || !queue->HasEvents();
}

bool WaitThreadEvents(unsigned timeoutMs) {
  auto queue = ThreadQueue::Current();
  return queue && queue->Wait(timeoutMs);
}

unsigned PumpThreadEvents(unsigned timeoutMs) {
  auto queue = ThreadQueue::Current();
  return queue ? queue->Pump(timeoutMs) : 0;
}

}  // namespace platform
