#pragma once
// The common frame of the camera exports: a guarded export tests the
// connection first and fails with "CCD camera not connected to USB" without
// sending anything; otherwise it runs the camera operation unchanged.
#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"

namespace tQusb {

// A null handle is refused by every export (nothing to report it in).
template <class Operation>
bool Guarded(CCamera* camera, Operation&& operation) {
  if (camera == nullptr) return false;
  if (!camera->IsConnected()) {
    camera->SetLastError(kTextNotConnected);
    return false;
  }
  return operation(*camera);
}

// The unguarded exports answer from the object even when it is not connected.
template <class Operation>
bool Unguarded(CCamera* camera, Operation&& operation) {
  return camera != nullptr && operation(*camera);
}

}  // namespace tQusb
