#pragma once
// Peer windows: the hidden per-camera windows of the library. A peer window
// belongs to the thread that created it; its posted messages, timer ticks
// and device notices are queued to that thread and handed to its window
// procedure only while the thread pumps (tqPumpEvents, or the os message
// functions through thread_queue.h).
#include <cstdint>

namespace platform {

inline constexpr unsigned kMsgDeviceChange = 0x219;
inline constexpr unsigned kMsgTimer = 0x113;

class PeerWindow;

// Called on the owning thread for every message of the window; the result is
// the procedure's own (the queue does not use it).
using WindowProc = intptr_t (*)(PeerWindow* window, unsigned message, uintptr_t wParam,
                                intptr_t lParam);

// A window bound to the calling thread; null when the thread's queue cannot
// be made.
PeerWindow* CreatePeerWindow(WindowProc procedure, void* userData);

// Destroys the window: its timers stop, its notice registrations end and
// messages still queued for it are dropped. False for an unknown window.
bool DestroyPeerWindow(PeerWindow* window);

// The user-data slot (null for an unknown window).
void* GetWindowUserData(PeerWindow* window);
bool SetWindowUserData(PeerWindow* window, void* userData);

// A periodic timer `id` of the window: every `periodMs` one kMsgTimer with
// wParam = id is due (ticks that pile up while nobody pumps count as one).
// Setting an existing id restarts it with the new period.
bool SetTimer(PeerWindow* window, uintptr_t id, unsigned periodMs);
// Stops the timer; a tick of it that is still queued is not delivered.
bool KillTimer(PeerWindow* window, uintptr_t id);

// The standard answer for messages a procedure does not handle.
inline intptr_t DefWindowProc(PeerWindow*, unsigned, uintptr_t, intptr_t) {
  return 0;
}

}  // namespace platform
