#include "platform/usb_context.h"

#include <atomic>
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

libusb_context* MakeContext() {
  libusb_context* context = nullptr;
  if (int rc = libusb_init(&context); rc != 0) {
    DebugOutput((std::string("USB transport: libusb_init failed: ") + libusb_strerror(rc) + "\n")
                    .c_str());
    return nullptr;
  }
  if (libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) {
    libusb_hotplug_callback_handle handle;
    const int events = LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED | LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT;
    if (libusb_hotplug_register_callback(context, events, LIBUSB_HOTPLUG_NO_FLAGS,
                                         LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
                                         LIBUSB_HOTPLUG_MATCH_ANY, &OnHotplug, nullptr,
                                         &handle) != 0)
      DebugOutput("USB transport: no hotplug notices\n");
  }
  // Completions and hotplug events are handled here for every caller, so a
  // waiting transfer never depends on another thread pumping libusb. The
  // thread and the context live until the process ends.
  std::thread([context] {
    for (;;) libusb_handle_events(context);
  }).detach();
  return context;
}

}  // namespace

libusb_context* Context() {
  static libusb_context* context = MakeContext();
  return context;
}

void SetHotplugSink(THotplugSink sink) {
  g_sink = sink;
}

}  // namespace platform::usbhost
