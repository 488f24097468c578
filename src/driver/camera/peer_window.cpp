#include "driver/camera/peer_window.h"

#include "driver/camera/camera.h"
#include "platform/transport_notices.h"
#include "platform/vbus_layout.h"
#include "platform/window_registry.h"

namespace tQusb {
namespace {

// The peer window procedure: messages go to the owning object while one is
// bound; everything it does not handle gets the default answer.
intptr_t PeerWindowProc(PeerWindow* window, unsigned message, uintptr_t wparam, intptr_t lparam) {
  auto* owner = window != nullptr ? static_cast<CEventHandler*>(platform::GetWindowUserData(window))
                                  : nullptr;
  if (owner != nullptr) {
    uint64_t result = 0;
    if (owner->HandleMessage(message, wparam, static_cast<uint64_t>(lparam), &result))
      return static_cast<intptr_t>(result);
  }
  return platform::DefWindowProc(window, message, wparam, lparam);
}

}  // namespace

PeerWindow* OpenPeerWindow(CEventHandler* owner) {
  return platform::CreatePeerWindow(&PeerWindowProc, owner);
}

void ClosePeerWindow(PeerWindow* window) {
  if (window == nullptr) return;
  platform::SetWindowUserData(window, nullptr);
  platform::DestroyPeerWindow(window);
}

void StartTimer(PeerWindow* window, unsigned id, unsigned periodMs) {
  if (window != nullptr) platform::SetTimer(window, id, periodMs);
}

void StopTimer(PeerWindow* window, unsigned id) {
  if (window != nullptr) platform::KillTimer(window, id);
}

void* RegisterDeviceNotices(PeerWindow* window, int classNumber) {
  const platform::TGuid* guid = platform::vbus::InterfaceClass(classNumber);
  if (window == nullptr || guid == nullptr) return nullptr;
  return reinterpret_cast<void*>(platform::RegisterTransportNotices(window, *guid));
}

void UnregisterDeviceNotices(void* registration) {
  if (registration != nullptr)
    platform::UnregisterTransportNotices(reinterpret_cast<platform::TDeviceNotify>(registration));
}

void PostHostMessage(void* hostWindow, uint32_t message, uint64_t wparam, uint64_t lparam) {
  platform::PostMessage(hostWindow, message, static_cast<uintptr_t>(wparam),
                        static_cast<intptr_t>(lparam));
}

}  // namespace tQusb
