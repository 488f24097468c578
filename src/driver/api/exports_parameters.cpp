// Exports of the parameter queries and the sensor pre-flash.
#include "driver/api/export_frame.h"
#include "tqusb/tqusb.h"

using tQusb::CCamera;
using tQusb::Guarded;
using tQusb::Unguarded;

namespace {

bool DoGetBooleanParameter(TQCAMERA camera, uint32_t index, bool* value) {
  return Unguarded(camera, [&](CCamera& c) { return c.GetBooleanParameter(index, value); });
}

bool DoGetIntegerParameter(TQCAMERA camera, uint32_t index, uint32_t* value) {
  return Unguarded(camera, [&](CCamera& c) { return c.GetIntegerParameter(index, value); });
}

bool DoGetStringParameter(TQCAMERA camera, uint32_t index, uint32_t high, char* buffer) {
  return Unguarded(camera, [&](CCamera& c) { return c.GetStringParameter(index, high, buffer); });
}

bool DoSetPreflash(TQCAMERA camera, double seconds, uint32_t count) {
  return Guarded(camera, [&seconds, &count](CCamera& c) { return c.SetPreflash(seconds, count); });
}

}  // namespace

bool GetBooleanParameter(TQCAMERA camera, uint32_t index, bool* value) {
  return DoGetBooleanParameter(camera, index, value);
}
bool cameraGetBoolean(TQCAMERA camera, uint32_t index, bool* value) {
  return DoGetBooleanParameter(camera, index, value);
}
bool GetIntegerParameter(TQCAMERA camera, uint32_t index, uint32_t* value) {
  return DoGetIntegerParameter(camera, index, value);
}
bool cameraGetInteger(TQCAMERA camera, uint32_t index, uint32_t* value) {
  return DoGetIntegerParameter(camera, index, value);
}
bool GetStringParameter(TQCAMERA camera, uint32_t index, uint32_t high, char* buffer) {
  return DoGetStringParameter(camera, index, high, buffer);
}
bool cameraGetString(TQCAMERA camera, uint32_t index, uint32_t high, char* buffer) {
  return DoGetStringParameter(camera, index, high, buffer);
}
bool SetPreflash(TQCAMERA camera, double seconds, uint32_t count) {
  return DoSetPreflash(camera, seconds, count);
}
bool cameraSetPreflash(TQCAMERA camera, double seconds, uint32_t count) {
  return DoSetPreflash(camera, seconds, count);
}
