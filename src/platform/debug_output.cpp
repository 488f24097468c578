#include "platform/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/process_table.h"
#include "tqusb/tqusb_events.h"

namespace platform {

namespace {

struct DebugSink {
  // Recursive: a sink that itself writes debug lines does not lock itself out.
  std::recursive_mutex lock;
  void (*sink)(const char*, void*) = nullptr;
  void* context = nullptr;
};

ProcessTable<DebugSink> gSink;

DebugSink& Sink() {
  return gSink.Get();
}

bool DefaultEnabled() {
  const char* value = std::getenv("TQUSB_DEBUG");
  return value && std::strcmp(value, "1") == 0;
}

}  // namespace

void DebugOutput(const char* text) {
  if (!text) return;
  DebugSink& s = Sink();
  std::lock_guard guard(s.lock);  // keeps lines whole and the sink stable during the call
  if (s.sink) {
    s.sink(text, s.context);
  } else if (DefaultEnabled()) {
    std::fputs(text, stderr);
    std::fflush(stderr);
  }
}

void ReleaseDebugSink() {
  gSink.Release([](DebugSink&) { return false; });
}

}  // namespace platform

void tqSetDebugOutput(void (*sink)(const char* line, void* context), void* context) {
  platform::DebugSink& s = platform::Sink();
  std::lock_guard guard(s.lock);
  s.sink = sink;
  s.context = sink ? context : nullptr;
}
