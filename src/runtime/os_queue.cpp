// The calling thread's event queue: device notices, timer ticks and posted
// messages of the peer windows the thread created (see platform/thread_queue.h).
#include <chrono>
#include <thread>

#include "platform/thread_queue.h"
#include "tqusb/runtime/os.h"

namespace os {

// This platform has no waitable handle objects: a wait can only be for the
// thread's events (any non-zero wake mask) or for the timeout. The flags are
// accepted and not needed, since the queue reports pending events whether or
// not they were seen before.
std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, void* const* /*handles*/,
                                          std::uint32_t timeoutMs, std::uint32_t wakeMask,
                                          std::uint32_t /*flags*/) {
  if (count != 0) return kWaitFailed;  // no handle of this platform can be waited on
  if (wakeMask == 0) {
    if (timeoutMs == kInfinite) return kWaitFailed;  // nothing could ever end the wait
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    return kWaitTimeout;
  }
  const auto queue = platform::ThreadQueue::Current();
  if (!queue) return kWaitFailed;
  return queue->Wait(timeoutMs) ? kWaitObject0 + count : kWaitTimeout;
}

bool WindowsQueueEmpty() {
  return platform::ThreadQueueEmpty();
}

}  // namespace os
