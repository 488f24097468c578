#pragma once
// Collects the library's debug lines while the object lives, then restores
// the default debug output.
#include <mutex>
#include <string>
#include <vector>

#include "tqusb/tqusb_events.h"

class DebugCapture {
 public:
  DebugCapture() { tqSetDebugOutput(&DebugCapture::Sink, this); }
  ~DebugCapture() { tqSetDebugOutput(nullptr, nullptr); }
  DebugCapture(const DebugCapture&) = delete;
  DebugCapture& operator=(const DebugCapture&) = delete;

  std::vector<std::string> Lines() const {
    std::lock_guard guard(lock_);
    return lines_;
  }
  void Clear() {
    std::lock_guard guard(lock_);
    lines_.clear();
  }

 private:
  static void Sink(const char* line, void* context) {
    auto* self = static_cast<DebugCapture*>(context);
    std::lock_guard guard(self->lock_);
    self->lines_.push_back(line);
  }

  mutable std::mutex lock_;
  std::vector<std::string> lines_;
};
