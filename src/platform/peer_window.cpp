#include "platform/peer_window.h"

#include "platform/peer_window_object.h"
#include "platform/vbus_notices.h"

namespace platform {

PeerWindow* CreatePeerWindow(WindowProc procedure, void* userData) {
  if (!procedure) return nullptr;
  auto queue = ThreadQueue::Current();
  if (!queue) return nullptr;
  auto window = std::make_shared<PeerWindow>(std::move(queue), procedure, userData);
  AddWindow(window);
  return window.get();
}

bool DestroyPeerWindow(PeerWindow* window) {
  auto live = FindPeerWindow(window);
  if (!live) return false;
  RemoveWindow(static_cast<const void*>(window));
  live->Queue()->KillTimers(window);
  live->Queue()->Notices().RemoveWindow(window);
  return true;
}

void* GetWindowUserData(PeerWindow* window) {
  auto live = FindPeerWindow(window);
  return live ? live->UserData() : nullptr;
}

bool SetWindowUserData(PeerWindow* window, void* userData) {
  auto live = FindPeerWindow(window);
  if (!live) return false;
  live->SetUserData(userData);
  return true;
}

bool SetTimer(PeerWindow* window, uintptr_t id, unsigned periodMs) {
  auto live = FindPeerWindow(window);
  return live && live->Queue()->SetTimer(window, id, periodMs);
}

bool KillTimer(PeerWindow* window, uintptr_t id) {
  auto live = FindPeerWindow(window);
  return live && live->Queue()->KillTimer(window, id);
}

}  // namespace platform
