#pragma once
// The common frame of the camera exports: a guarded export tests the
// connection first and fails with "CCD camera not connected to USB" without
// sending anything; otherwise it runs the camera operation unchanged.
#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"

namespace tQusb {

template <class Operation>
bool Guarded(CCamera* camera, Operation&& operation) {
  if (!camera->IsConnected()) {
    camera->SetLastError(kTextNotConnected);
    return false;
  }
  return operation(*camera);
}

}  // namespace tQusb
