#include "event_loop.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <vector>

namespace tqsim {
namespace {

constexpr EventLoop::Token kWakeToken = 0;

}  // namespace

EventLoop::EventLoop() {
  epoll_ = epoll_create1(EPOLL_CLOEXEC);
  wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (epoll_ >= 0 && wake_ >= 0) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = kWakeToken;
    epoll_ctl(epoll_, EPOLL_CTL_ADD, wake_, &ev);
  }
}

EventLoop::~EventLoop() {
  if (wake_ >= 0) close(wake_);
  if (epoll_ >= 0) close(epoll_);
}

EventLoop::Token EventLoop::Watch(int fd, std::uint32_t events, FdCallback callback) {
  const Token token = next_++;
  epoll_event ev{};
  ev.events = events;
  ev.data.u64 = token;
  if (epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev) != 0) return 0;
  watched_[token] = Watched{fd, std::move(callback)};
  return token;
}

void EventLoop::Modify(Token token, std::uint32_t events) {
  auto it = watched_.find(token);
  if (it == watched_.end()) return;
  epoll_event ev{};
  ev.events = events;
  ev.data.u64 = token;
  epoll_ctl(epoll_, EPOLL_CTL_MOD, it->second.fd, &ev);
}

void EventLoop::Unwatch(Token token) {
  auto it = watched_.find(token);
  if (it == watched_.end()) return;
  epoll_ctl(epoll_, EPOLL_CTL_DEL, it->second.fd, nullptr);
  watched_.erase(it);
}

EventLoop::Token EventLoop::After(double seconds, Task task) {
  const Token token = next_++;
  const auto delay = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(std::isfinite(seconds) && seconds > 0 ? seconds : 0.0));
  const Clock::time_point due = Clock::now() + delay;
  timerOrder_.emplace(due, token);
  timers_[token] = {due, std::move(task)};
  return token;
}

void EventLoop::Cancel(Token timer) {
  auto it = timers_.find(timer);
  if (it == timers_.end()) return;
  auto [first, last] = timerOrder_.equal_range(it->second.first);
  for (auto o = first; o != last; ++o) {
    if (o->second == timer) {
      timerOrder_.erase(o);
      break;
    }
  }
  timers_.erase(it);
}

void EventLoop::Post(Task task) {
  {
    std::lock_guard lock(postedMutex_);
    posted_.push_back(std::move(task));
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(wake_, &one, sizeof one);
}

void EventLoop::Quit() {
  Post([this] { quit_ = true; });
}

int EventLoop::NextTimeoutMs() const {
  if (timerOrder_.empty()) return -1;
  const auto left = timerOrder_.begin()->first - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void EventLoop::RunDueTimers() {
  const Clock::time_point now = Clock::now();
  while (!timerOrder_.empty() && timerOrder_.begin()->first <= now) {
    const Token token = timerOrder_.begin()->second;
    timerOrder_.erase(timerOrder_.begin());
    auto it = timers_.find(token);
    if (it == timers_.end()) continue;
    Task task = std::move(it->second.second);
    timers_.erase(it);
    task();
  }
}

void EventLoop::RunPosted() {
  std::uint64_t count;
  while (read(wake_, &count, sizeof count) > 0) {
  }
  std::deque<Task> tasks;
  {
    std::lock_guard lock(postedMutex_);
    tasks.swap(posted_);
  }
  for (Task& task : tasks) task();
}

void EventLoop::Run() {
  quit_ = false;
  std::vector<epoll_event> events(64);
  while (!quit_) {
    const int n = epoll_wait(epoll_, events.data(), static_cast<int>(events.size()), NextTimeoutMs());
    if (n < 0 && errno != EINTR) break;
    for (int i = 0; i < n && !quit_; ++i) {
      const Token token = events[i].data.u64;
      if (token == kWakeToken) {
        RunPosted();
        continue;
      }
      auto it = watched_.find(token);
      if (it == watched_.end()) continue;  // unwatched by an earlier callback
      FdCallback callback = it->second.callback;
      callback(events[i].events);
    }
    if (!quit_) RunDueTimers();
  }
  // Tasks posted while quitting still run, so callers waiting on them return.
  RunPosted();
}

}  // namespace tqsim
