#pragma once
// A single-threaded event loop over epoll: descriptors with callbacks, one-shot
// timers, and tasks posted from other threads. One loop serves every device of
// a server, so no connection needs a thread of its own.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <unordered_map>

namespace tqsim {

class EventLoop {
 public:
  using FdCallback = std::function<void(std::uint32_t events)>;
  using Task = std::function<void()>;
  using Token = std::uint64_t;

  EventLoop();
  ~EventLoop();
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  bool Ok() const { return epoll_ >= 0 && wake_ >= 0; }

  // Calls `callback` with the epoll event bits while `fd` is ready. The fd
  // stays the caller's to close (after Unwatch).
  Token Watch(int fd, std::uint32_t events, FdCallback callback);
  void Modify(Token token, std::uint32_t events);
  // Safe from inside any callback, also for events already collected.
  void Unwatch(Token token);

  // Runs `task` once after `seconds` of real time.
  Token After(double seconds, Task task);
  void Cancel(Token timer);

  // Runs `task` on the loop thread (thread-safe).
  void Post(Task task);

  // Dispatches until Quit.
  void Run();
  // Ends Run (thread-safe).
  void Quit();

 private:
  using Clock = std::chrono::steady_clock;
  struct Watched {
    int fd;
    FdCallback callback;
  };

  int NextTimeoutMs() const;
  void RunDueTimers();
  void RunPosted();

  int epoll_ = -1;
  int wake_ = -1;
  Token next_ = 1;
  std::unordered_map<Token, Watched> watched_;
  std::multimap<Clock::time_point, Token> timerOrder_;
  std::unordered_map<Token, std::pair<Clock::time_point, Task>> timers_;
  std::mutex postedMutex_;
  std::deque<Task> posted_;
  bool quit_ = false;
};

}  // namespace tqsim
