// The calling thread's event queue.
#include <chrono>
#include <thread>

#include "tqusb/runtime/os.h"

namespace os {

std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, void* const* handles,
                                          std::uint32_t timeoutMs, std::uint32_t, std::uint32_t) {
  if (count != 0 || handles != nullptr) return kWaitFailed;
  if (timeoutMs == kInfinite) return kWaitFailed;
  std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
  return kWaitTimeout;
}

bool WindowsQueueEmpty() {
  return true;
}

}  // namespace os
