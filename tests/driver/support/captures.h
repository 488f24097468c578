#pragma once
// Captures of what the library sends outside: the debug lines and the
// messages posted to a host window.
#include <cstdint>
#include <string>
#include <vector>

#include "common/debug_capture.h"
#include "tqusb/tqusb.h"

namespace tqtest {

using DebugCapture = ::DebugCapture;

// A host notify window and the messages taken from it.
class NotifyCapture {
 public:
  NotifyCapture() : window_(tqCreateNotifyWindow()) {}
  ~NotifyCapture() { tqDestroyNotifyWindow(window_); }

  void* Window() const { return window_; }

  struct Message {
    unsigned message;
    uint64_t wparam;
    uint64_t lparam;
  };
  // Every message posted so far (no waiting).
  std::vector<Message> Take() {
    std::vector<Message> messages;
    Message m{};
    while (tqGetNotifyMessage(window_, 0, &m.message, &m.wparam, &m.lparam)) messages.push_back(m);
    return messages;
  }

 private:
  void* window_;
};

}  // namespace tqtest
