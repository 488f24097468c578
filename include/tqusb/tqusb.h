#ifndef TQUSB_TQUSB_H
#define TQUSB_TQUSB_H
/*
 * tqusb.h - the camera interface of libtqusb: flat functions with C linkage.
 *
 * Link with `pkg-config --cflags --libs tqusb` or, in CMake,
 * find_package(tqusb) and target_link_libraries(... tqusb::tqusb).
 *
 * HANDLES. Initialize(id) (or Initialize2, which leaves the periodic power
 * reading off) returns a handle even when no camera with that id is attached
 * or free; GetBooleanParameter(h, TQ_BOOL_CONNECTED, &b) tells. Every other
 * function but Enumerate takes that handle until Release(h). Enumerate calls
 * its callback once for each attached camera that no process has opened.
 *
 * RESULTS AND ERRORS. Functions returning bool give true on success. On
 * failure the reason is in the camera's last-error text: copy it out with
 * GetLastErrorString(h, sizeof text - 1, text). Typical texts:
 * "CCD camera not connected to USB", "Camera does not support this feature",
 * "Instruction failed: " followed by the camera's reason, "Buffer too small".
 * A failed USB transfer leaves the text unchanged, writes a debug line (see
 * tqSetDebugOutput) and disconnects the camera. The parameter queries fail
 * without a text for an index the camera does not define. The last-error
 * text stays readable while the camera is disconnected.
 *
 * TEXT OUTPUTS take a high index, the highest index that may be written
 * (buffer size - 1): up to high + 1 characters are stored, and the
 * terminating zero only when the text is shorter. Pass size - 1 and set
 * buffer[size - 1] = 0 yourself if you need a terminated string.
 *
 * COORDINATES. The GetImage family takes its window (x, y, width, height)
 * in output pixels, that is in binned pixels when SetBinning set a factor
 * above 1, counted from the top-left corner. AdjustSubFrame works in
 * unbinned sensor pixels and rounds a window to what the camera can read.
 * TQ_INT_WIDTH and TQ_INT_HEIGHT are unbinned: the full frame at binning
 * b x b is TQ_INT_WIDTH / b by TQ_INT_HEIGHT / b. The readout fits its
 * window to the camera by itself and returns exactly the window asked for, so
 * the window AdjustSubFrame returns need not be passed to GetImage; it tells
 * which part of the sensor the camera will read (to pass it anyway, divide it
 * by the binning factors first).
 *
 * IMAGE BUFFERS. bufferSize is in bytes and must be at least
 * 2 * width * height for 16-bit pixels (GetImage, GetImage16b,
 * GetImageExposure, GetImageExposure16b, and the 8b functions on
 * generation 0 and 1 cameras, which always deliver 16 bits), or
 * width * height for GetImage8b and GetImageExposure8b on other cameras
 * (8-bit read modes only). A smaller buffer fails with "Buffer too small"
 * before anything is sent. Pixels are unsigned, in host byte order, rows top
 * to bottom, packed without padding.
 *
 * BLOCKING AND TIMEOUTS. Every function runs on the calling thread and
 * returns when the camera has answered. GetImageExposure* blocks for the
 * exposure time plus the readout; GetImage* for the readout. A reply the
 * camera does not send within 30 s fails the call and disconnects the camera;
 * image data is waited for at most the exposure time plus a readout allowance
 * for the frame's size (at least 60 s), after which the call fails and the
 * camera is disconnected. For long exposures use BeginExposure, wait in your
 * own loop, EndExposure, GetImage.
 * Each call holds its camera's lock while it runs, so two threads calling
 * functions on one handle take turns (a long exposure blocks the other
 * thread's call on that camera, not calls on other cameras).
 *
 * EVENTS AND THREADS. The library starts no thread. A camera's device
 * notices (unplug, plug back in) and its 10-second power timer are delivered
 * to the thread that called Initialize, and only while that thread calls
 * tqPumpEvents (or polls tqEventFd and then calls tqPumpEvents). Without
 * pumping, an unplugged camera does not reconnect by itself. To be told of
 * connection changes, create a queue with tqCreateNotifyWindow, pass it to
 * RegisterNotifyHWND and read TQ_MSG_CAMERA_CONNECTED /
 * TQ_MSG_CAMERA_NOT_CONNECTED from it with tqGetNotifyMessage on any thread.
 *
 * THE BUS. Cameras are found on the virtual USB bus under $TQUSB_BUS_DIR,
 * else $XDG_RUNTIME_DIR/tqusb-bus, else /tmp/tqusb-bus-<uid>; the simulator
 * tqsim serves the same root.
 *
 * Every plain function has a twin with the prefix "camera" that does the same
 * work, except ClearCCD, Initialize2 and ReadPowerUtilization.
 */
#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#include "tqusb/export.h"
#include "tqusb/tqusb_constants.h"
#include "tqusb/tqusb_events.h"
#include "tqusb/version.h"

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

/* ---- Plain family (41) ---------------------------------------------- */

/* Lifecycle. Initialize never fails for a missing camera (see HANDLES);
 * Release disconnects, frees the handle and ignores (TQCAMERA)-1. Release
 * sends nothing to the camera: a cooler keeps regulating to its last set
 * point while the camera has power (raise the set point first to let the
 * sensor warm up). Enumerate reports the cameras in bus order (interface
 * class by class, then by device path), not sorted by id. */
TQ_API void Enumerate(TQENUMPROC callback);
TQ_API TQCAMERA Initialize(uint32_t id);
TQ_API TQCAMERA Initialize2(uint32_t id);
TQ_API void Release(TQCAMERA camera);
/* Copies the last-error text; high = buffer size - 1. */
TQ_API void GetLastErrorString(TQCAMERA camera, uint32_t high, char* buffer);
/* Sets the notify queue for connection messages (null: none); posts the
 * current state at once. */
TQ_API void RegisterNotifyHWND(TQCAMERA camera, TQHWND window);

/* Queries: answered from what the library holds, without USB traffic, also
 * while disconnected. index: TQ_INT_*, TQ_BOOL_*, TQ_STRING_*. */
TQ_API bool GetIntegerParameter(TQCAMERA camera, uint32_t index, uint32_t* value);
TQ_API bool GetBooleanParameter(TQCAMERA camera, uint32_t index, bool* value);
TQ_API bool GetStringParameter(TQCAMERA camera, uint32_t index, uint32_t high, char* buffer);
/* Names read mode index (0 .. TQ_INT_READ_MODES - 1). */
TQ_API bool EnumerateReadModes(TQCAMERA camera, uint32_t index, uint32_t high, char* name);

/* Exposure. shutter: open the shutter (where the camera has one).
 * exposure: seconds, longer times are shortened to the camera's limit.
 * ClearCCD and ClearSensor are the same command (ClearCCD has no "camera"
 * twin): they empty the sensor. Open and Close open and close the mechanical
 * shutter (generations 1 and 5; the others fail with "Camera does not support
 * this feature"). On generation 1 BeginExposure(true) is ClearSensor then
 * Open, and EndExposure(true, ...) is Close, which ends the exposure;
 * EndExposure(false, ...) sends nothing there and the second flag is ignored.
 * Generations 2 to 5 receive both EndExposure flags unchanged, the second for
 * the firmware to interpret. */
TQ_API bool ClearCCD(TQCAMERA camera);
TQ_API bool ClearSensor(TQCAMERA camera);
TQ_API bool Open(TQCAMERA camera);
TQ_API bool Close(TQCAMERA camera);
TQ_API bool BeginExposure(TQCAMERA camera, bool shutter);
TQ_API bool EndExposure(TQCAMERA camera, bool shutter, bool secondEnd);

/* Readout. Windows in binned pixels, bufferSize in bytes (see COORDINATES
 * and IMAGE BUFFERS). GetImage* read the last exposure; GetImageExposure*
 * expose for the given seconds and read in one call. */
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
/* Binning factors for both axes (1 = none). */
TQ_API bool SetBinning(TQCAMERA camera, uint32_t x, uint32_t y);
/* Fits a window, in unbinned sensor pixels, to what the camera can read;
 * false (without a text) when the camera cannot read windows. */
TQ_API bool AdjustSubFrame(TQCAMERA camera, uint32_t* x, uint32_t* y, uint32_t* width,
                           uint32_t* height);
/* Selects read mode index (EnumerateReadModes). Opening a camera sends no
 * read mode: the library assumes the camera's default, while the camera keeps
 * whatever mode the previous host selected. A host that reads images should
 * select its mode once after Initialize. */
TQ_API bool SetReadMode(TQCAMERA camera, uint32_t mode);
/* Pre-flash before each exposure: seconds and count. */
TQ_API bool SetPreflash(TQCAMERA camera, double seconds, uint32_t count);
/* Date and time (UTC, from the camera's GPS receiver) at which the last
 * exposure started; fails with "Waiting for GPS fix" while the receiver has
 * none. A camera without a receiver (TQCAMERACAPS gps false) refuses this
 * and GetGPSData. */
TQ_API bool GetImageTimeStamp(TQCAMERA camera, int32_t* year, int32_t* month, int32_t* day,
                              uint32_t* hour, uint32_t* minute, double* second);
/* Latitude and longitude in degrees (north and east positive), altitude in
 * the receiver's unit, the receiver's time now (UTC). */
TQ_API bool GetGPSData(TQCAMERA camera, double* latitude, double* longitude, double* altitude,
                       int32_t* year, int32_t* month, int32_t* day, uint32_t* hour,
                       uint32_t* minute, double* second, uint32_t* satellites, bool* valid);

/* Cooling and readings. A generation without the function fails with
 * "Camera does not support this feature".
 * SetTemperature: set point in degrees Celsius; generations 1, 4, 5.
 * SetFan: speed byte, passed unchanged; generations 0, 2, 3, 4.
 * SetWindowHeating: level byte, passed unchanged; generations 1, 5. */
TQ_API bool SetTemperature(TQCAMERA camera, float temperature);
TQ_API bool SetFan(TQCAMERA camera, uint8_t value);
TQ_API bool SetWindowHeating(TQCAMERA camera, uint8_t level);
/* index: TQ_VALUE_*. Generation 0 knows 0 and 10, generations 2 and 3 know
 * 0 and 20, the others 0..3, 10, 11, 20; any other index fails with
 * "Unsupported value index". */
TQ_API bool GetValue(TQCAMERA camera, uint32_t index, float* value);
/* Cooler power as a fraction 0..1, -1 when the camera reports none; camera
 * kinds 1 and 2 only (false without a text for the others, which give the
 * power as GetValue TQ_VALUE_POWER_UTILIZATION). */
TQ_API bool ReadPowerUtilization(TQCAMERA camera, float* value);
/* gain: 0 .. TQ_INT_MAX_GAIN in steps of 0.1 dB; generations 2 to 5.
 * ConvertGain ignores the handle (null is fine) and always succeeds. */
TQ_API bool SetGain(TQCAMERA camera, uint16_t gain);
TQ_API bool ConvertGain(TQCAMERA camera, uint32_t gain, double* decibels, double* factor);

/* Filter wheel: positions 0 .. TQ_INT_FILTERS - 1. */
TQ_API bool SetFilter(TQCAMERA camera, uint8_t index);
TQ_API bool ReinitFilterWheel(TQCAMERA camera);
TQ_API bool EnumerateFilters(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                             uint32_t* colour);
TQ_API bool EnumerateFilters2(TQCAMERA camera, uint32_t index, uint32_t high, char* name,
                              uint32_t* colour, uint32_t* offset);

/* Guiding port (generations 0, 2, 3, 4): one value per axis, passed to the
 * camera unchanged; neither call waits: poll MoveInProgress until the
 * movement has ended. Generation 0 stores the camera's state byte as it
 * arrives (it may be above 1), so test the byte for non-zero. */
TQ_API bool MoveTelescope(TQCAMERA camera, uint16_t firstAxis, uint16_t secondAxis);
TQ_API bool MoveInProgress(TQCAMERA camera, bool* moving);

/* ---- The "camera" family (38): the same work under other names ------- */
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

/* ---- Capabilities (an extension of this library) ---------------------- */

#define TQ_CAPS_READ_MODES 16 /* read modes described in TQCAMERACAPS */

/* What a connected camera is and can do, in one record, so a host need not
 * try functions to find out. Set size to sizeof(TQCAMERACAPS) before the
 * call; fields may be added at the end in later versions, and a larger size
 * leaves the bytes beyond the fields this library knows untouched. */
typedef struct TQCAMERACAPS {
  uint32_t size;                   /* set by the caller: sizeof(TQCAMERACAPS) */
  uint32_t id;                     /* camera id */
  int32_t generation;              /* protocol generation 0..5 */
  uint32_t kind;                   /* camera kind (model family code) */
  char model[32];                  /* model text, zero-terminated */
  uint32_t width, height;          /* sensor size, unbinned pixels (as TQ_INT_WIDTH/HEIGHT) */
  float pixelWidth, pixelHeight;   /* pixel size in micrometres, 0 when the camera does not say */
  uint32_t maxBinX, maxBinY;       /* largest binning factors */
  bool subFrames;                  /* reads windows */
  double minExposure, maxExposure; /* seconds, the range GetImageExposure times */
  uint32_t readModes;              /* number of read modes (at most TQ_CAPS_READ_MODES described) */
  uint8_t readModeBits[TQ_CAPS_READ_MODES]; /* bits per pixel of each read mode: 8 or 16 */
  uint32_t maxPixelValue;          /* largest pixel value at binning 1, current read mode */
  bool cooler;                     /* regulates the sensor temperature (SetTemperature) */
  float minSetPoint, maxSetPoint;  /* set-point range in degrees Celsius (0, 0 without cooler) */
  bool fan;                        /* SetFan */
  bool windowHeater;               /* SetWindowHeating */
  bool guidePort;                  /* MoveTelescope */
  bool filterWheel;                /* a wheel is attached */
  uint32_t filters;                /* wheel positions, 0 without a wheel */
  bool gps;                        /* a GPS receiver (GetGPSData) */
  bool shutter;                    /* a mechanical shutter (Open, Close) */
  bool gain;                       /* SetGain */
  uint32_t maxGain;                /* largest SetGain value (0.1 dB steps), 0 without gain */
  uint32_t readMode;               /* list number of the current read mode, 0 without modes */
} TQCAMERACAPS;

/* Fills caps for a connected camera; answered from what the library holds,
 * no USB traffic. False with "CCD camera not connected to USB" when
 * disconnected, false with "Buffer too small" when caps->size is smaller than
 * the struct (then nothing is written). maxExposure is the longest time the
 * camera times itself: 65535/8000 s on generation 0, 65.535 s on generation
 * 1, (2^32 - 2)/8000 s on the others; BeginExposure and EndExposure time any
 * length on generations 1 to 5. The set-point range is what the set-point
 * word can encode; the firmware decides how far it can actually cool.
 * readMode and maxPixelValue follow SetReadMode. */
TQ_API bool tqGetCameraCaps(TQCAMERA camera, TQCAMERACAPS* caps);

#ifdef __cplusplus
}
#endif

#endif /* TQUSB_TQUSB_H */
