// Exports that create, list, release and describe camera objects.
#include "driver/api/export_frame.h"
#include "driver/transport/discovery.h"
#include "tqusb/runtime/str.h"
#include "tqusb/tqusb.h"

using tQusb::CCamera;

namespace {

void RegisterNotify(CCamera* camera, TQHWND window) {
  tQusb::Locked(camera, [window](CCamera& c) {
    c.NotifyWindow = window;
    c.Notify();
  });
}

void CopyLastError(CCamera* camera, uint32_t high, char* buffer) {
  if (buffer == nullptr) return;
  tQusb::Locked(camera, [high, buffer](CCamera& c) {
    Str::CopyA(high, buffer, tQusb::kLastErrorHigh, c.LastError);
  });
}

}  // namespace

TQCAMERA Initialize(uint32_t id) {
  return tQusb::CreateCamera(id, true);
}
TQCAMERA cameraInitialize(uint32_t id) {
  return tQusb::CreateCamera(id, true);
}
TQCAMERA Initialize2(uint32_t id) {
  return tQusb::CreateCamera(id, false);
}

void Release(TQCAMERA camera) {
  tQusb::ReleaseCamera(camera);
}
void cameraRelease(TQCAMERA camera) {
  tQusb::ReleaseCamera(camera);
}

void Enumerate(TQENUMPROC callback) {
  tQusb::EnumerateCameras(callback);
}
void cameraEnumerate(TQENUMPROC callback) {
  tQusb::EnumerateCameras(callback);
}

void RegisterNotifyHWND(TQCAMERA camera, TQHWND window) {
  RegisterNotify(camera, window);
}
void cameraRegisterNotifyHWND(TQCAMERA camera, TQHWND window) {
  RegisterNotify(camera, window);
}

void GetLastErrorString(TQCAMERA camera, uint32_t high, char* buffer) {
  CopyLastError(camera, high, buffer);
}
void cameraGetLastErrorString(TQCAMERA camera, uint32_t high, char* buffer) {
  CopyLastError(camera, high, buffer);
}
