#pragma once
// The process's libusb context for the USB transport, with the thread that
// handles its events (transfer completions and hotplug). Made at first use,
// kept until the process ends. Only the USB transport files include this.
#include <libusb.h>

namespace platform::usbhost {

// The context, or null when libusb cannot be initialised here.
libusb_context* Context();

// Called on the event thread for every USB device that arrives or leaves.
using THotplugSink = void (*)(libusb_device* device, bool arrived);
void SetHotplugSink(THotplugSink sink);

}  // namespace platform::usbhost
