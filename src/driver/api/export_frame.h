#pragma once
// The common frame of the camera exports: a guarded export tests the
// connection first and fails with "CCD camera not connected to USB" without
// sending anything; otherwise it runs the camera operation unchanged.
//
// Every frame holds the camera's OperationLock while the operation runs, so
// two threads calling exports on one handle take turns. An export that works
// on the camera object goes through one of these frames (Locked when it
// returns no boolean) and gets the lock with it.
#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"

namespace tQusb {

// A null handle is refused by every export (nothing to report it in).
template <class Operation>
bool Guarded(CCamera* camera, Operation&& operation) {
  if (camera == nullptr) return false;
  std::lock_guard hold(camera->OperationLock);
  if (!camera->IsConnected()) {
    camera->SetLastError(kTextNotConnected);
    return false;
  }
  return operation(*camera);
}

// The unguarded exports answer from the object even when it is not connected.
template <class Operation>
bool Unguarded(CCamera* camera, Operation&& operation) {
  if (camera == nullptr) return false;
  std::lock_guard hold(camera->OperationLock);
  return operation(*camera);
}

// Exports without a result: nothing happens for a null handle.
template <class Operation>
void Locked(CCamera* camera, Operation&& operation) {
  if (camera == nullptr) return;
  std::lock_guard hold(camera->OperationLock);
  operation(*camera);
}

}  // namespace tQusb
