#pragma once
// The hidden peer window of a camera object. There are no windows on this
// platform: a peer window is an event target bound to the thread that created
// it, which receives device notices and timer ticks while that thread pumps
// its events (tqPumpEvents) and hands them to the owner's HandleMessage in the
// form of window messages.
#include <cstdint>

#include "platform/peer_window.h"
#include "platform/vbus_notices.h"

namespace tQusb {

class CEventHandler;
using PeerWindow = platform::PeerWindow;
using platform::kDeviceArrival;
using platform::kDeviceRemoveComplete;
using platform::kDeviceTypeInterface;
using platform::kMsgDeviceChange;
using platform::kMsgTimer;
using platform::TDeviceInterfaceNotice;

inline constexpr uint32_t kMsgConnected = 0x40A;
inline constexpr uint32_t kMsgNotConnected = 0x40B;

// Null when the window cannot be made; the camera then works without notices.
PeerWindow* OpenPeerWindow(CEventHandler* owner);
// Unbinds the owner (no message reaches it afterwards) and frees the window.
void ClosePeerWindow(PeerWindow* window);

// Timer `id` of the window (nothing without a window).
void StartTimer(PeerWindow* window, unsigned id, unsigned periodMs);
void StopTimer(PeerWindow* window, unsigned id);

// Arrival and removal notices of interface class `classNumber`; null on failure.
void* RegisterDeviceNotices(PeerWindow* window, int classNumber);
void UnregisterDeviceNotices(void* registration);

// Posts a connection message to a host window (a notify queue).
void PostHostMessage(void* hostWindow, uint32_t message, uint64_t wparam, uint64_t lparam);

}  // namespace tQusb
