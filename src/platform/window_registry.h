#pragma once
// The live windows of the process (peer windows and notify queues), keyed by
// the pointer handed out as their handle. A handle is looked up here before
// it is used, so a stale or made-up handle is recognised and not
// dereferenced.
#include <cstdint>
#include <memory>

namespace platform {

class WindowBase {
 public:
  virtual ~WindowBase() = default;
  // Queues a message for the window's reader; false when it cannot.
  virtual bool Post(unsigned message, uintptr_t wParam, intptr_t lParam) = 0;
};

void AddWindow(const std::shared_ptr<WindowBase>& window);
// Takes the window out of the registry; null when it was not there.
std::shared_ptr<WindowBase> RemoveWindow(const void* handle);
std::shared_ptr<WindowBase> FindWindow(const void* handle);

template <typename T>
std::shared_ptr<T> FindWindowAs(const void* handle) {
  return std::dynamic_pointer_cast<T>(FindWindow(handle));
}

// Posts to any live window; false (and nothing happens) for an unknown or
// destroyed one.
bool PostMessage(const void* window, unsigned message, uintptr_t wParam, intptr_t lParam);

}  // namespace platform
