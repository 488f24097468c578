#include "platform/window_registry.h"

#include <mutex>
#include <unordered_map>

#include "platform/process_table.h"

namespace platform {

namespace {

struct Registry {
  std::mutex lock;
  std::unordered_map<const void*, std::shared_ptr<WindowBase>> windows;
};

ProcessTable<Registry> gRegistry;

Registry& Windows() {
  return gRegistry.Get();
}

}  // namespace

void AddWindow(const std::shared_ptr<WindowBase>& window) {
  Registry& r = Windows();
  std::lock_guard guard(r.lock);
  r.windows[window.get()] = window;
}

std::shared_ptr<WindowBase> RemoveWindow(const void* handle) {
  Registry& r = Windows();
  std::lock_guard guard(r.lock);
  auto it = r.windows.find(handle);
  if (it == r.windows.end()) return nullptr;
  auto window = std::move(it->second);
  r.windows.erase(it);
  return window;
}

std::shared_ptr<WindowBase> FindWindow(const void* handle) {
  Registry& r = Windows();
  std::lock_guard guard(r.lock);
  auto it = r.windows.find(handle);
  return it == r.windows.end() ? nullptr : it->second;
}

bool PostMessage(const void* window, unsigned message, uintptr_t wParam, intptr_t lParam) {
  auto target = FindWindow(window);
  return target && target->Post(message, wParam, lParam);
}

void ReleaseWindowRegistry() {
  gRegistry.Release([](Registry& r) {
    std::lock_guard guard(r.lock);
    return !r.windows.empty();
  });
}

}  // namespace platform
