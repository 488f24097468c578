#pragma once
// Captures of what the library sends outside: the debug lines and the
// messages posted to a host window.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "tqusb/tqusb.h"

namespace tqtest {

// Collects the debug lines while it lives.
class DebugCapture {
 public:
  DebugCapture() { tqSetDebugOutput(&DebugCapture::Sink, this); }
  ~DebugCapture() { tqSetDebugOutput(nullptr, nullptr); }

  std::vector<std::string> Lines() {
    std::lock_guard<std::mutex> hold(lock_);
    return lines_;
  }

 private:
  static void Sink(const char* line, void* context) {
    auto* self = static_cast<DebugCapture*>(context);
    std::lock_guard<std::mutex> hold(self->lock_);
    self->lines_.emplace_back(line);
  }
  std::mutex lock_;
  std::vector<std::string> lines_;
};

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
