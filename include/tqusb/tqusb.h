#ifndef TQUSB_TQUSB_H
#define TQUSB_TQUSB_H
/*
 * The camera interface of libtqusb: a flat set of functions with C linkage.
 *
 * Every function but Enumerate, Initialize and Initialize2 takes the handle
 * that Initialize or Initialize2 returned. Functions with a bool result give
 * true on success; on failure the reason is left in the camera's last-error
 * text, which GetLastErrorString copies out. Text outputs take the buffer's
 * high index (size - 1): up to high + 1 characters are written, the
 * terminator only when the text is shorter.
 *
 * Every plain function has a twin with the prefix "camera" that does the same
 * work, except ClearCCD, Initialize2 and ReadPowerUtilization.
 */
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#include "tqusb/export.h"
#include "tqusb/tqusb_events.h"

#ifdef __cplusplus
namespace tQusb {
class CCamera;
}
/* The opaque camera handle. */
typedef tQusb::CCamera* TQCAMERA;
#else
typedef struct tQusb_CCamera* TQCAMERA;
#endif

/* A window handle for RegisterNotifyHWND: a queue from tqCreateNotifyWindow,
 * which receives TQ_MSG_CAMERA_CONNECTED and TQ_MSG_CAMERA_NOT_CONNECTED. */
typedef void* TQHWND;

/* Called by Enumerate once per free camera with its camera id. */
typedef void (*TQENUMPROC)(uint32_t id);

#ifdef __cplusplus
extern "C" {
#endif

/* Plain family (41). */
TQ_API bool AdjustSubFrame(TQCAMERA camera, uint32_t* x, uint32_t* y, uint32_t* width,
                           uint32_t* height);
TQ_API bool BeginExposure(TQCAMERA camera, bool shutter);
TQ_API bool ClearCCD(TQCAMERA camera);
TQ_API bool ClearSensor(TQCAMERA camera);
TQ_API bool Close(TQCAMERA camera);
TQ_API bool ConvertGain(TQCAMERA camera, uint32_t gain, double* decibels, double* factor);
TQ_API bool EndExposure(TQCAMERA camera, bool shutter, bool secondEnd);
TQ_API void Enumerate(TQENUMPROC callback);
TQ_API bool EnumerateFilters(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                             uint32_t* colour);
TQ_API bool EnumerateFilters2(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                              uint32_t* colour, uint32_t* offset);
TQ_API bool EnumerateReadModes(TQCAMERA camera, uint32_t index, uint32_t high, char* name);
TQ_API bool GetBooleanParameter(TQCAMERA camera, uint32_t index, bool* value);
TQ_API bool GetGPSData(TQCAMERA camera, double* latitude, double* longitude, double* altitude,
                       int32_t* year, int32_t* month, int32_t* day, uint32_t* hour,
                       uint32_t* minute, double* second, uint32_t* satellites, bool* valid);
TQ_API bool GetImage(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                     uint32_t bufferSize, void* buffer);
TQ_API bool GetImage16b(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                        uint32_t bufferSize, void* buffer);
TQ_API bool GetImage8b(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                       uint32_t bufferSize, void* buffer);
TQ_API bool GetImageExposure(TQCAMERA camera, double exposure, bool shutter, uint32_t x, uint32_t y,
                             uint32_t width, uint32_t height, uint32_t bufferSize, void* buffer);
TQ_API bool GetImageExposure16b(TQCAMERA camera, double exposure, bool shutter, uint32_t x,
                                uint32_t y, uint32_t width, uint32_t height, uint32_t bufferSize,
                                void* buffer);
TQ_API bool GetImageExposure8b(TQCAMERA camera, double exposure, bool shutter, uint32_t x,
                               uint32_t y, uint32_t width, uint32_t height, uint32_t bufferSize,
                               void* buffer);
TQ_API bool GetImageTimeStamp(TQCAMERA camera, int32_t* year, int32_t* month, int32_t* day,
                              uint32_t* hour, uint32_t* minute, double* second);
TQ_API bool GetIntegerParameter(TQCAMERA camera, uint32_t index, uint32_t* value);
TQ_API void GetLastErrorString(TQCAMERA camera, uint32_t high, char* buffer);
TQ_API bool GetStringParameter(TQCAMERA camera, uint32_t index, uint32_t high, char* buffer);
TQ_API bool GetValue(TQCAMERA camera, uint32_t index, float* value);
TQ_API TQCAMERA Initialize(uint32_t id);
TQ_API TQCAMERA Initialize2(uint32_t id);
TQ_API bool MoveInProgress(TQCAMERA camera, bool* moving);
TQ_API bool MoveTelescope(TQCAMERA camera, uint16_t firstAxis, uint16_t secondAxis);
TQ_API bool Open(TQCAMERA camera);
TQ_API bool ReadPowerUtilization(TQCAMERA camera, float* value);
TQ_API void RegisterNotifyHWND(TQCAMERA camera, TQHWND window);
TQ_API bool ReinitFilterWheel(TQCAMERA camera);
TQ_API void Release(TQCAMERA camera);
TQ_API bool SetBinning(TQCAMERA camera, uint32_t x, uint32_t y);
TQ_API bool SetFan(TQCAMERA camera, uint8_t value);
TQ_API bool SetFilter(TQCAMERA camera, uint8_t index);
TQ_API bool SetGain(TQCAMERA camera, uint16_t gain);
TQ_API bool SetPreflash(TQCAMERA camera, double seconds, uint32_t count);
TQ_API bool SetReadMode(TQCAMERA camera, uint32_t mode);
TQ_API bool SetTemperature(TQCAMERA camera, float temperature);
TQ_API bool SetWindowHeating(TQCAMERA camera, uint8_t level);

/* The "camera" family (38). */
TQ_API bool cameraAdjustSubFrame(TQCAMERA camera, uint32_t* x, uint32_t* y, uint32_t* width,
                                 uint32_t* height);
TQ_API bool cameraBeginExposure(TQCAMERA camera, bool shutter);
TQ_API bool cameraClearSensor(TQCAMERA camera);
TQ_API bool cameraClose(TQCAMERA camera);
TQ_API bool cameraConvertGain(TQCAMERA camera, uint32_t gain, double* decibels, double* factor);
TQ_API bool cameraEndExposure(TQCAMERA camera, bool shutter, bool secondEnd);
TQ_API void cameraEnumerate(TQENUMPROC callback);
TQ_API bool cameraEnumerateFilters(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                                   uint32_t* colour);
TQ_API bool cameraEnumerateFilters2(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                                    uint32_t* colour, uint32_t* offset);
TQ_API bool cameraEnumerateReadModes(TQCAMERA camera, uint32_t index, uint32_t high, char* name);
TQ_API bool cameraGetBoolean(TQCAMERA camera, uint32_t index, bool* value);
TQ_API bool cameraGetGPSData(TQCAMERA camera, double* latitude, double* longitude, double* altitude,
                             int32_t* year, int32_t* month, int32_t* day, uint32_t* hour,
                             uint32_t* minute, double* second, uint32_t* satellites, bool* valid);
TQ_API bool cameraGetImage(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width, uint32_t height,
                           uint32_t bufferSize, void* buffer);
TQ_API bool cameraGetImage16b(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width,
                              uint32_t height, uint32_t bufferSize, void* buffer);
TQ_API bool cameraGetImage8b(TQCAMERA camera, uint32_t x, uint32_t y, uint32_t width,
                             uint32_t height, uint32_t bufferSize, void* buffer);
TQ_API bool cameraGetImageExposure(TQCAMERA camera, double exposure, bool shutter, uint32_t x,
                                   uint32_t y, uint32_t width, uint32_t height, uint32_t bufferSize,
                                   void* buffer);
TQ_API bool cameraGetImageExposure16b(TQCAMERA camera, double exposure, bool shutter, uint32_t x,
                                      uint32_t y, uint32_t width, uint32_t height,
                                      uint32_t bufferSize, void* buffer);
TQ_API bool cameraGetImageExposure8b(TQCAMERA camera, double exposure, bool shutter, uint32_t x,
                                     uint32_t y, uint32_t width, uint32_t height,
                                     uint32_t bufferSize, void* buffer);
TQ_API bool cameraGetImageTimeStamp(TQCAMERA camera, int32_t* year, int32_t* month, int32_t* day,
                                    uint32_t* hour, uint32_t* minute, double* second);
TQ_API bool cameraGetInteger(TQCAMERA camera, uint32_t index, uint32_t* value);
TQ_API void cameraGetLastErrorString(TQCAMERA camera, uint32_t high, char* buffer);
TQ_API bool cameraGetString(TQCAMERA camera, uint32_t index, uint32_t high, char* buffer);
TQ_API bool cameraGetValue(TQCAMERA camera, uint32_t index, float* value);
TQ_API TQCAMERA cameraInitialize(uint32_t id);
TQ_API bool cameraMoveInProgress(TQCAMERA camera, bool* moving);
TQ_API bool cameraMoveTelescope(TQCAMERA camera, uint16_t firstAxis, uint16_t secondAxis);
TQ_API bool cameraOpen(TQCAMERA camera);
TQ_API void cameraRegisterNotifyHWND(TQCAMERA camera, TQHWND window);
TQ_API bool cameraReinitFilterWheel(TQCAMERA camera);
TQ_API void cameraRelease(TQCAMERA camera);
TQ_API bool cameraSetBinning(TQCAMERA camera, uint32_t x, uint32_t y);
TQ_API bool cameraSetFan(TQCAMERA camera, uint8_t value);
TQ_API bool cameraSetFilter(TQCAMERA camera, uint8_t index);
TQ_API bool cameraSetGain(TQCAMERA camera, uint16_t gain);
TQ_API bool cameraSetPreflash(TQCAMERA camera, double seconds, uint32_t count);
TQ_API bool cameraSetReadMode(TQCAMERA camera, uint32_t mode);
TQ_API bool cameraSetTemperature(TQCAMERA camera, float temperature);
TQ_API bool cameraSetWindowHeating(TQCAMERA camera, uint8_t level);

#ifdef __cplusplus
}
#endif

#endif /* TQUSB_TQUSB_H */
