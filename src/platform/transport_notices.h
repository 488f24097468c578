#pragma once
// Device notices from every transport in use (see transport_choice.h): one
// registration covers the virtual bus and the USB devices alike.
#include "platform/vbus_notices.h"

namespace platform {

// 0 when no transport in use can deliver notices for the window.
TDeviceNotify RegisterTransportNotices(PeerWindow* window, const TGuid& classGuid);
bool UnregisterTransportNotices(TDeviceNotify handle);

}  // namespace platform
