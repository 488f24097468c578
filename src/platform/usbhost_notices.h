#pragma once
// Arrival and removal notices of USB cameras. libusb reports hotplug events
// on its event thread; each one that concerns a camera of a registered class
// is queued to the thread that registered, as a kMsgDeviceChange message
// with the same record as the virtual bus notices, dispatched when that
// thread pumps.
#include "platform/vbus_notices.h"

namespace platform::usbhost {

// 0 when the window is unknown or USB hotplug is not available.
TDeviceNotify RegisterNotices(PeerWindow* window, const TGuid& classGuid);
bool UnregisterNotices(TDeviceNotify handle);

}  // namespace platform::usbhost
