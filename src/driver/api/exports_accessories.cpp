// Exports of cooling, values, gain, filter wheel and guiding port.
#include "driver/api/export_frame.h"
#include "tqusb/tqusb.h"

using tQusb::CCamera;
using tQusb::Guarded;
using tQusb::Unguarded;

namespace {

// Unguarded and independent of the handle: it works without an open camera.
bool DoConvertGain(TQCAMERA, uint32_t gain, double* decibels, double* factor) {
  return CCamera::ConvertGain(gain, decibels, factor);
}

bool DoEnumerateFilters(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                        uint32_t* colour) {
  return Unguarded(camera,
                   [&](CCamera& c) { return c.EnumerateFilters(index, high, name, colour); });
}

bool DoEnumerateFilters2(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                         uint32_t* colour, uint32_t* offset) {
  return Unguarded(
      camera, [&](CCamera& c) { return c.EnumerateFilters2(index, high, name, colour, offset); });
}

bool DoGetValue(TQCAMERA camera, uint32_t index, float* value) {
  return Guarded(camera, [&index, &value](CCamera& c) { return c.GetValue(index, value); });
}

bool DoMoveInProgress(TQCAMERA camera, bool* moving) {
  return Guarded(camera, [&moving](CCamera& c) { return c.MoveInProgress(moving); });
}

bool DoMoveTelescope(TQCAMERA camera, uint16_t firstAxis, uint16_t secondAxis) {
  return Guarded(camera, [&firstAxis, &secondAxis](CCamera& c) {
    return c.MoveTelescope(firstAxis, secondAxis);
  });
}

bool DoReadPowerUtilization(TQCAMERA camera, float* value) {
  return Guarded(camera, [&value](CCamera& c) { return c.ReadPowerUtilization(value); });
}

bool DoReinitFilterWheel(TQCAMERA camera) {
  return Guarded(camera, [](CCamera& c) { return c.ReinitFilterWheel(); });
}

bool DoSetFan(TQCAMERA camera, uint8_t value) {
  return Guarded(camera, [&value](CCamera& c) { return c.SetFan(value); });
}

bool DoSetFilter(TQCAMERA camera, uint8_t index) {
  return Guarded(camera, [&index](CCamera& c) { return c.SetFilter(index); });
}

bool DoSetGain(TQCAMERA camera, uint16_t gain) {
  return Guarded(camera, [&gain](CCamera& c) { return c.SetGain(gain); });
}

bool DoSetTemperature(TQCAMERA camera, float temperature) {
  return Guarded(camera, [&temperature](CCamera& c) { return c.SetTemperature(temperature); });
}

bool DoSetWindowHeating(TQCAMERA camera, uint8_t level) {
  return Guarded(camera, [&level](CCamera& c) { return c.SetWindowHeating(level); });
}

}  // namespace

bool ConvertGain(TQCAMERA camera, uint32_t gain, double* decibels, double* factor) {
  return DoConvertGain(camera, gain, decibels, factor);
}
bool cameraConvertGain(TQCAMERA camera, uint32_t gain, double* decibels, double* factor) {
  return DoConvertGain(camera, gain, decibels, factor);
}
bool EnumerateFilters(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                      uint32_t* colour) {
  return DoEnumerateFilters(camera, index, high, name, colour);
}
bool cameraEnumerateFilters(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                            uint32_t* colour) {
  return DoEnumerateFilters(camera, index, high, name, colour);
}
bool EnumerateFilters2(TQCAMERA camera, uint32_t index, uint32_t high, char* name, uint32_t* colour,
                       uint32_t* offset) {
  return DoEnumerateFilters2(camera, index, high, name, colour, offset);
}
bool cameraEnumerateFilters2(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                             uint32_t* colour, uint32_t* offset) {
  return DoEnumerateFilters2(camera, index, high, name, colour, offset);
}
bool GetValue(TQCAMERA camera, uint32_t index, float* value) {
  return DoGetValue(camera, index, value);
}
bool cameraGetValue(TQCAMERA camera, uint32_t index, float* value) {
  return DoGetValue(camera, index, value);
}
bool MoveInProgress(TQCAMERA camera, bool* moving) {
  return DoMoveInProgress(camera, moving);
}
bool cameraMoveInProgress(TQCAMERA camera, bool* moving) {
  return DoMoveInProgress(camera, moving);
}
bool MoveTelescope(TQCAMERA camera, uint16_t firstAxis, uint16_t secondAxis) {
  return DoMoveTelescope(camera, firstAxis, secondAxis);
}
bool cameraMoveTelescope(TQCAMERA camera, uint16_t firstAxis, uint16_t secondAxis) {
  return DoMoveTelescope(camera, firstAxis, secondAxis);
}
bool ReadPowerUtilization(TQCAMERA camera, float* value) {
  return DoReadPowerUtilization(camera, value);
}
bool ReinitFilterWheel(TQCAMERA camera) {
  return DoReinitFilterWheel(camera);
}
bool cameraReinitFilterWheel(TQCAMERA camera) {
  return DoReinitFilterWheel(camera);
}
bool SetFan(TQCAMERA camera, uint8_t value) {
  return DoSetFan(camera, value);
}
bool cameraSetFan(TQCAMERA camera, uint8_t value) {
  return DoSetFan(camera, value);
}
bool SetFilter(TQCAMERA camera, uint8_t index) {
  return DoSetFilter(camera, index);
}
bool cameraSetFilter(TQCAMERA camera, uint8_t index) {
  return DoSetFilter(camera, index);
}
bool SetGain(TQCAMERA camera, uint16_t gain) {
  return DoSetGain(camera, gain);
}
bool cameraSetGain(TQCAMERA camera, uint16_t gain) {
  return DoSetGain(camera, gain);
}
bool SetTemperature(TQCAMERA camera, float temperature) {
  return DoSetTemperature(camera, temperature);
}
bool cameraSetTemperature(TQCAMERA camera, float temperature) {
  return DoSetTemperature(camera, temperature);
}
bool SetWindowHeating(TQCAMERA camera, uint8_t level) {
  return DoSetWindowHeating(camera, level);
}
bool cameraSetWindowHeating(TQCAMERA camera, uint8_t level) {
  return DoSetWindowHeating(camera, level);
}
