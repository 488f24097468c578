// Exports of exposure, readout, binning, read modes, GPS and time stamps.
#include "driver/api/export_frame.h"
#include "tqusb/tqusb.h"

using tQusb::CCamera;
using tQusb::Guarded;
using tQusb::Unguarded;

namespace {

bool DoAdjustSubFrame(TQCAMERA camera, uint32_t* x, uint32_t* y, uint32_t* width,
                      uint32_t* height) {
  return Guarded(camera, [&x, &y, &width, &height](CCamera& c) {
    return c.AdjustSubFrame(x, y, width, height);
  });
}

bool DoBeginExposure(TQCAMERA camera, bool shutter) {
  return Guarded(camera, [&shutter](CCamera& c) { return c.BeginExposure(shutter); });
}

bool DoEndExposure(TQCAMERA camera, bool shutter, bool secondEnd) {
  return Guarded(camera,
                 [&shutter, &secondEnd](CCamera& c) { return c.EndExposure(shutter, secondEnd); });
}

bool DoGetImage(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                uint32_t bufferSize, void* buffer) {
  return Guarded(camera, [&x, &y, &width, &height, &bufferSize, &buffer](CCamera& c) {
    return c.GetImage16(x, y, width, height, bufferSize, buffer);
  });
}

bool DoGetImage16b(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                   uint32_t bufferSize, void* buffer) {
  return Guarded(camera, [&x, &y, &width, &height, &bufferSize, &buffer](CCamera& c) {
    return c.GetImage16(x, y, width, height, bufferSize, buffer);
  });
}

bool DoGetImage8b(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                  uint32_t bufferSize, void* buffer) {
  return Guarded(camera, [&x, &y, &width, &height, &bufferSize, &buffer](CCamera& c) {
    return c.GetImage8(x, y, width, height, bufferSize, buffer);
  });
}

bool DoGetImageExposure(TQCAMERA camera, double exposure, bool shutter, uint32_t x, uint32_t y,
                        uint32_t width, uint32_t height, uint32_t bufferSize, void* buffer) {
  return Guarded(
      camera, [&exposure, &shutter, &x, &y, &width, &height, &bufferSize, &buffer](CCamera& c) {
        return c.GetImageExposure16(exposure, shutter, x, y, width, height, bufferSize, buffer);
      });
}

bool DoGetImageExposure16b(TQCAMERA camera, double exposure, bool shutter, uint32_t x, uint32_t y,
                           uint32_t width, uint32_t height, uint32_t bufferSize, void* buffer) {
  return Guarded(
      camera, [&exposure, &shutter, &x, &y, &width, &height, &bufferSize, &buffer](CCamera& c) {
        return c.GetImageExposure16(exposure, shutter, x, y, width, height, bufferSize, buffer);
      });
}

bool DoGetImageExposure8b(TQCAMERA camera, double exposure, bool shutter, uint32_t x, uint32_t y,
                          uint32_t width, uint32_t height, uint32_t bufferSize, void* buffer) {
  return Guarded(
      camera, [&exposure, &shutter, &x, &y, &width, &height, &bufferSize, &buffer](CCamera& c) {
        return c.GetImageExposure8(exposure, shutter, x, y, width, height, bufferSize, buffer);
      });
}

bool DoSetBinning(TQCAMERA camera, uint32_t x, uint32_t y) {
  return Guarded(camera, [&x, &y](CCamera& c) { return c.SetBinningX(x) && c.SetBinningY(y); });
}

bool DoSetReadMode(TQCAMERA camera, uint32_t mode) {
  return Guarded(camera, [&mode](CCamera& c) { return c.SetReadMode(mode); });
}

bool DoEnumerateReadModes(TQCAMERA camera, uint32_t index, uint32_t high, char* name) {
  return Unguarded(camera, [&](CCamera& c) { return c.EnumerateReadModes(index, high, name); });
}

bool DoGetGPSData(TQCAMERA camera, double* latitude, double* longitude, double* altitude,
                  int32_t* year, int32_t* month, int32_t* day, uint32_t* hour, uint32_t* minute,
                  double* second, uint32_t* satellites, bool* valid) {
  return Guarded(camera, [&latitude, &longitude, &altitude, &year, &month, &day, &hour, &minute,
                          &second, &satellites, &valid](CCamera& c) {
    return c.GetGPSData(latitude, longitude, altitude, year, month, day, hour, minute, second,
                        satellites, valid);
  });
}

bool DoGetImageTimeStamp(TQCAMERA camera, int32_t* year, int32_t* month, int32_t* day,
                         uint32_t* hour, uint32_t* minute, double* second) {
  return Guarded(camera, [&year, &month, &day, &hour, &minute, &second](CCamera& c) {
    return c.GetImageTimeStamp(year, month, day, hour, minute, second);
  });
}

}  // namespace

bool AdjustSubFrame(TQCAMERA camera, uint32_t* x, uint32_t* y, uint32_t* width, uint32_t* height) {
  return DoAdjustSubFrame(camera, x, y, width, height);
}
bool cameraAdjustSubFrame(TQCAMERA camera, uint32_t* x, uint32_t* y, uint32_t* width,
                          uint32_t* height) {
  return DoAdjustSubFrame(camera, x, y, width, height);
}
bool BeginExposure(TQCAMERA camera, bool shutter) {
  return DoBeginExposure(camera, shutter);
}
bool cameraBeginExposure(TQCAMERA camera, bool shutter) {
  return DoBeginExposure(camera, shutter);
}
bool EndExposure(TQCAMERA camera, bool shutter, bool secondEnd) {
  return DoEndExposure(camera, shutter, secondEnd);
}
bool cameraEndExposure(TQCAMERA camera, bool shutter, bool secondEnd) {
  return DoEndExposure(camera, shutter, secondEnd);
}
bool GetImage(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
              uint32_t bufferSize, void* buffer) {
  return DoGetImage(camera, x, y, width, height, bufferSize, buffer);
}
bool cameraGetImage(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                    uint32_t bufferSize, void* buffer) {
  return DoGetImage(camera, x, y, width, height, bufferSize, buffer);
}
bool GetImage16b(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                 uint32_t bufferSize, void* buffer) {
  return DoGetImage16b(camera, x, y, width, height, bufferSize, buffer);
}
bool cameraGetImage16b(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                       uint32_t bufferSize, void* buffer) {
  return DoGetImage16b(camera, x, y, width, height, bufferSize, buffer);
}
bool GetImage8b(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                uint32_t bufferSize, void* buffer) {
  return DoGetImage8b(camera, x, y, width, height, bufferSize, buffer);
}
bool cameraGetImage8b(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                      uint32_t bufferSize, void* buffer) {
  return DoGetImage8b(camera, x, y, width, height, bufferSize, buffer);
}
bool GetImageExposure(TQCAMERA camera, double exposure, bool shutter, uint32_t x, uint32_t y,
                      uint32_t width, uint32_t height, uint32_t bufferSize, void* buffer) {
  return DoGetImageExposure(camera, exposure, shutter, x, y, width, height, bufferSize, buffer);
}
bool cameraGetImageExposure(TQCAMERA camera, double exposure, bool shutter, uint32_t x, uint32_t y,
                            uint32_t width, uint32_t height, uint32_t bufferSize, void* buffer) {
  return DoGetImageExposure(camera, exposure, shutter, x, y, width, height, bufferSize, buffer);
}
bool GetImageExposure16b(TQCAMERA camera, double exposure, bool shutter, uint32_t x, uint32_t y,
                         uint32_t width, uint32_t height, uint32_t bufferSize, void* buffer) {
  return DoGetImageExposure16b(camera, exposure, shutter, x, y, width, height, bufferSize, buffer);
}
bool cameraGetImageExposure16b(TQCAMERA camera, double exposure, bool shutter, uint32_t x,
                               uint32_t y, uint32_t width, uint32_t height, uint32_t bufferSize,
                               void* buffer) {
  return DoGetImageExposure16b(camera, exposure, shutter, x, y, width, height, bufferSize, buffer);
}
bool GetImageExposure8b(TQCAMERA camera, double exposure, bool shutter, uint32_t x, uint32_t y,
                        uint32_t width, uint32_t height, uint32_t bufferSize, void* buffer) {
  return DoGetImageExposure8b(camera, exposure, shutter, x, y, width, height, bufferSize, buffer);
}
bool cameraGetImageExposure8b(TQCAMERA camera, double exposure, bool shutter, uint32_t x,
                              uint32_t y, uint32_t width, uint32_t height, uint32_t bufferSize,
                              void* buffer) {
  return DoGetImageExposure8b(camera, exposure, shutter, x, y, width, height, bufferSize, buffer);
}
bool SetBinning(TQCAMERA camera, uint32_t x, uint32_t y) {
  return DoSetBinning(camera, x, y);
}
bool cameraSetBinning(TQCAMERA camera, uint32_t x, uint32_t y) {
  return DoSetBinning(camera, x, y);
}
bool SetReadMode(TQCAMERA camera, uint32_t mode) {
  return DoSetReadMode(camera, mode);
}
bool cameraSetReadMode(TQCAMERA camera, uint32_t mode) {
  return DoSetReadMode(camera, mode);
}
bool EnumerateReadModes(TQCAMERA camera, uint32_t index, uint32_t high, char* name) {
  return DoEnumerateReadModes(camera, index, high, name);
}
bool cameraEnumerateReadModes(TQCAMERA camera, uint32_t index, uint32_t high, char* name) {
  return DoEnumerateReadModes(camera, index, high, name);
}
bool GetGPSData(TQCAMERA camera, double* latitude, double* longitude, double* altitude,
                int32_t* year, int32_t* month, int32_t* day, uint32_t* hour, uint32_t* minute,
                double* second, uint32_t* satellites, bool* valid) {
  return DoGetGPSData(camera, latitude, longitude, altitude, year, month, day, hour, minute, second,
                      satellites, valid);
}
bool cameraGetGPSData(TQCAMERA camera, double* latitude, double* longitude, double* altitude,
                      int32_t* year, int32_t* month, int32_t* day, uint32_t* hour, uint32_t* minute,
                      double* second, uint32_t* satellites, bool* valid) {
  return DoGetGPSData(camera, latitude, longitude, altitude, year, month, day, hour, minute, second,
                      satellites, valid);
}
bool GetImageTimeStamp(TQCAMERA camera, int32_t* year, int32_t* month, int32_t* day, uint32_t* hour,
                       uint32_t* minute, double* second) {
  return DoGetImageTimeStamp(camera, year, month, day, hour, minute, second);
}
bool cameraGetImageTimeStamp(TQCAMERA camera, int32_t* year, int32_t* month, int32_t* day,
                             uint32_t* hour, uint32_t* minute, double* second) {
  return DoGetImageTimeStamp(camera, year, month, day, hour, minute, second);
}
