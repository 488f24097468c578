#pragma once
// The camera object: one per camera a host opened, the host's opaque handle.
//
// CLASS <- CEventHandler (owner of the hidden peer window) <- CCamera. The
// virtual operations keep their slot order: HandleMessage, Attach, Detach,
// Done, and in CCamera Destroy. The library classes have no destructors:
// Release calls Destroy and then frees the memory.
#include <cstdint>
#include <mutex>

#include "driver/camera/kind_traits.h"
#include "driver/camera/peer_window.h"
#include "driver/transport/backend.h"
#include "driver/transport/camera_info.h"
#include "tqusb/containers/vlist.h"

namespace tQusb {

class CLASS {};

class CEventHandler : public CLASS {
 public:
  virtual bool HandleMessage(uint32_t message, uint64_t wparam, uint64_t lparam, uint64_t* result);
  virtual void Attach();
  virtual void Detach();
  virtual void Done();

  PeerWindow* Window = nullptr;

 protected:
  ~CEventHandler() = default;
};

// Bits of CCamera::Flags.
inline constexpr uint32_t kFlagConnected = 1u << 0;
inline constexpr uint32_t kFlagMicrometerFilterOffsets = 1u << 1;
inline constexpr uint32_t kFlagCanReadSubFrames = 1u << 2;

// One notice registration per interface class that can be registered (all
// but class 10).
inline constexpr int kNoticeClassCount = 13;

inline constexpr unsigned kLastErrorHigh = 128;
inline constexpr unsigned kDevicePathHigh = 260;

// Generation of a camera that was never found: no protocol generation, so
// every switch on it takes its "other" branch and no command is chosen.
inline constexpr int32_t kNoGeneration = -1;

class CCamera final : public CEventHandler {
 public:
  CCamera();

  bool HandleMessage(uint32_t message, uint64_t wparam, uint64_t lparam, uint64_t* result) override;
  void Attach() override;
  void Detach() override;
  virtual void Destroy();

  bool IsConnected() const { return (Flags & kFlagConnected) != 0; }
  void SetLastError(const char* text);
  // Stores "Camera does not support this feature" and returns false.
  bool Unsupported();
  // Sets the kind and looks up what it implies.
  void SetKind(uint32_t kind) {
    CameraKind = kind;
    Traits = &KindTraitsOf(kind);
  }

  // The initialisation routine that Initialize runs: connect, then configure.
  // Returns the Connected bit.
  bool Setup(int32_t id);
  // The configuration step of every connection (see there).
  void Configure();

  // Connection (transport layer).
  void CameraInit();
  bool GetCameraInfo();
  bool GetVersions();
  void CanReadSubFrames();
  void RegisterNotifications();
  void Notify();  // posts 0x40A or 0x40B to NotifyWindow by the Connected bit

  // Operations behind the exports.
  bool ClearSensor();
  bool Open();
  bool Close();
  bool AdjustSubFrame(uint32_t* x, uint32_t* y, uint32_t* width, uint32_t* height);
  bool BeginExposure(uint8_t shutter);
  bool EndExposure(uint8_t shutter, uint8_t secondEnd);
  // Uses no camera data: the gain scale is the same for every model.
  static bool ConvertGain(uint32_t gain, double* decibels, double* factor);
  bool EnumerateFilters(uint32_t index, uint32_t high, char* name, uint32_t* colour);
  bool EnumerateFilters2(uint32_t index, uint32_t high, char* name, uint32_t* colour,
                         uint32_t* offset);
  bool EnumerateReadModes(uint32_t index, uint32_t high, char* name);
  bool GetBooleanParameter(uint32_t index, bool* value);
  bool GetIntegerParameter(uint32_t index, uint32_t* value);
  bool GetStringParameter(uint32_t index, uint32_t high, char* buffer);
  bool GetGPSData(double* latitude, double* longitude, double* altitude, int32_t* year,
                  int32_t* month, int32_t* day, uint32_t* hour, uint32_t* minute, double* second,
                  uint32_t* satellites, bool* valid);
  bool GetImage16(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t size,
                  void* buffer);
  bool GetImage8(uint32_t x, uint32_t y, uint32_t width, uint32_t height, uint32_t size,
                 void* buffer);
  bool GetImageExposure16(double exposure, bool shutter, uint32_t x, uint32_t y, uint32_t width,
                          uint32_t height, uint32_t size, void* buffer);
  bool GetImageExposure8(double exposure, bool shutter, uint32_t x, uint32_t y, uint32_t width,
                         uint32_t height, uint32_t size, void* buffer);
  bool GetImageTimeStamp(int32_t* year, int32_t* month, int32_t* day, uint32_t* hour,
                         uint32_t* minute, double* second);
  // The date and time of the last image (`image`) or of now, from the GPS
  // receiver's text advanced by the camera's counter.
  bool GetTimeHelper(bool image, int32_t* year, int32_t* month, int32_t* day, uint32_t* hour,
                     uint32_t* minute, double* second);
  bool GetValue(uint32_t index, float* value);
  bool MoveInProgress(bool* moving);
  bool MoveTelescope(uint16_t firstAxis, uint16_t secondAxis);
  bool ReadPowerUtilization(float* value);
  bool ReinitFilterWheel();
  bool SetBinningX(uint32_t x);
  bool SetBinningY(uint32_t y);
  bool SetFan(uint8_t value);
  bool SetFilter(uint8_t index);
  bool SetGain(uint16_t gain);
  bool SetPreflash(double seconds, uint32_t count);
  bool SetReadMode(uint32_t mode);
  bool SetTemperature(float temperature);
  bool SetWindowHeating(uint8_t level);

  // Fields, in this order.
  void* DeviceNotify[kNoticeClassCount] = {};
  uint32_t Flags = 0;
  uint32_t CameraKind = 0;
  const TKindTraits* Traits = &KindTraitsOf(0);  // the row of CameraKind
  int32_t Generation = kNoGeneration;
  TCameraInfoPacked PackedInfo{};
  TCameraInfo Info{};
  uint16_t Ver128Hi = 0, Ver128Lo = 0, Ver129Hi = 0, Ver129Lo = 0, Ver130 = 0, Ver131 = 0;
  uint32_t VerReserved = 0;
  void* NotifyWindow = nullptr;
  char DevicePath[kDevicePathHigh + 1] = {};
  int32_t RequestedId = -1;
  transport::Handle hDevice = transport::kInvalidHandle;
  transport::Handle hCommand = transport::kInvalidHandle;
  transport::Handle hReply = transport::kInvalidHandle;
  transport::Handle hImage = transport::kInvalidHandle;
  uint32_t SingleReadLimit = 0x1800000;
  uint32_t ClockOverlapDelay = 0xFFFFFFFF;
  uint32_t ClockDelay = 0xFFFFFFFF;
  float PowerUtilization = 0.0f;
  uint32_t CropX = 0xFFFFFFFF, CropY = 0xFFFFFFFF, CropW = 0xFFFFFFFF, CropH = 0xFFFFFFFF;
  int32_t Offset1 = 0, Offset2 = 0, Offset3 = 0, Offset4 = 0, OffsetCL = 0;
  uint32_t BinningX = 1, BinningY = 1;
  uint32_t HostBinningX = 1, HostBinningY = 1;
  uint32_t ReadMode = 1;
  uint32_t ReadModeG0 = 0;
  void* ImageBuf = nullptr;
  uint32_t ImageBufSize = 0;
  void* ImageBuf2 = nullptr;
  uint32_t ImageBuf2Size = 0;
  void* ImageBuf3 = nullptr;
  uint32_t ImageBuf3Size = 0;
  vlist::CList Filters;
  double ClockPeriod = 2.6666666666666667e-08;
  char LastError[kLastErrorHigh + 1] = {};
  uint8_t PowerTimer = 1;
  uint8_t ClockPeriodKnown = 0;

  // Serialises the operations on this object: the interface allows one call
  // at a time, but a host that breaks that rule must wait, not crash. Held by
  // the export frame (Guarded, Unguarded, Locked) and by message dispatch;
  // recursive because a debug-line sink may call back into an export.
  std::recursive_mutex OperationLock;
};

// Stores `text` as the camera's LastError and returns false: the one way an
// operation fails with a text.
bool Fail(CCamera& camera, const char* text);

// Initialize / Initialize2: a new camera connected to the camera with `id`
// (or not connected when there is none). Never null.
CCamera* CreateCamera(uint32_t id, bool powerTimer);
// Release: nothing for the value with all bits set or null.
void ReleaseCamera(CCamera* camera);

}  // namespace tQusb
