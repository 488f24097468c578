#include "platform/usbhost_context.h"

#include <atomic>
#include <string>
#include <thread>

#include "platform/debug_output.h"

namespace platform::usbhost {
namespace {

std::atomic<THotplugSink> g_sink{nullptr};

int LIBUSB_CALL OnHotplug(libusb_context*, libusb_device* device, libusb_hotplug_event event,
                          void*) {
  if (THotplugSink sink = g_sink.load()) sink(device, event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED);
  return 0;  // stay registered
}

// The context and the thread that handles its events (completions and
// hotplug) for every caller, so a waiting transfer never depends on another
// thread pumping libusb. Both end when the library is unloaded or the
// process ends: libusb's own threads must not outlive this library's code.
class ContextOwner {
 public:
  ContextOwner() {
    if (int rc = libusb_init(&context_); rc != 0) {
      DebugOutput(
          (std::string("USB transport: libusb_init failed: ") + libusb_strerror(rc) + "\n").c_str());
      context_ = nullptr;
      return;
    }
    if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
      const int events = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
      if (libusb_hotplug_register_callback(context_, events, LIBUSB_HOTPLUG_NO_FLAGS,
                                           LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
                                           LIBUSB_HOTPLUG_MATCH_ANY, &OnHotplug, nullptr,
                                           nullptr) != 0)
        DebugOutput("USB transport: no hotplug notices\n");
    }
    events_ = std::thread([this] {
      timeval second{1, 0};
      while (!stop_) libusb_handle_events_timeout_completed(context_, &second, nullptr);
    });
  }
  ~ContextOwner() {
    if (context_ == nullptr) return;
    stop_ = true;
    libusb_interrupt_event_handler(context_);
    events_.join();
    libusb_exit(context_);
  }
  ContextOwner(const ContextOwner&) = delete;
  ContextOwner& operator=(const ContextOwner&) = delete;

  libusb_context* Context() const { return context_; }

 private:
  libusb_context* context_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread events_;
};

}  // namespace

libusb_context* Context() {
  static ContextOwner owner;
  return owner.Context();
}

void SetHotplugSink(THotplugSink sink) {
  g_sink = sink;
}

}  // namespace platform::usbhost
