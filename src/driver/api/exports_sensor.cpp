// Exports of the sensor commands: clearing, opening and closing.
#include "driver/api/export_frame.h"
#include "tqusb/tqusb.h"

using tQusb::CCamera;
using tQusb::Guarded;

bool ClearCCD(TQCAMERA camera) {
  return Guarded(camera, [](CCamera& c) { return c.ClearSensor(); });
}
bool ClearSensor(TQCAMERA camera) {
  return Guarded(camera, [](CCamera& c) { return c.ClearSensor(); });
}
bool cameraClearSensor(TQCAMERA camera) {
  return Guarded(camera, [](CCamera& c) { return c.ClearSensor(); });
}

bool Open(TQCAMERA camera) {
  return Guarded(camera, [](CCamera& c) { return c.Open(); });
}
bool cameraOpen(TQCAMERA camera) {
  return Guarded(camera, [](CCamera& c) { return c.Open(); });
}

bool Close(TQCAMERA camera) {
  return Guarded(camera, [](CCamera& c) { return c.Close(); });
}
bool cameraClose(TQCAMERA camera) {
  return Guarded(camera, [](CCamera& c) { return c.Close(); });
}
