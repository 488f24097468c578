#include "interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "failure.h"

namespace tqcam::interrupt {

namespace {

std::atomic<bool> gRequested{false};
std::atomic<int> gBlocking{0};
// Kept in a fixed buffer: the handler may only read it.
char gPartial[4096];
std::atomic<bool> gHasPartial{false};

void EndNow() {
  if (gHasPartial.load()) unlink(gPartial);
  constexpr char kText[] = "tqcam: interrupted\n";
  [[maybe_unused]] ssize_t n = write(STDERR_FILENO, kText, sizeof kText - 1);
  _exit(kInterruptedStatus);
}

void OnSignal(int) {
  // A second Ctrl-C ends the process even while the command winds down.
  if (gBlocking.load() > 0 || gRequested.exchange(true)) EndNow();
}

}  // namespace

void Install() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool Requested() {
  return gRequested.load();
}

bool SleepFor(double seconds) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                   std::chrono::duration<double>(seconds));
  while (!Requested()) {
    const Clock::duration left = end - Clock::now();
    if (left <= Clock::duration::zero()) return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(left, std::chrono::milliseconds(50)));
  }
  return true;
}

Blocking::Blocking() {
  if (gBlocking.fetch_add(1) == 0 && gRequested.load()) EndNow();
}

Blocking::~Blocking() {
  gBlocking.fetch_sub(1);
}

void SetPartialFile(const char* path) {
  gHasPartial.store(false);
  if (!path) return;
  std::strncpy(gPartial, path, sizeof gPartial - 1);
  gPartial[sizeof gPartial - 1] = '\0';
  gHasPartial.store(true);
}

}  // namespace tqcam::interrupt
