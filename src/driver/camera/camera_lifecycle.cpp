// Creation, connection and destruction of camera objects.
#include <new>
#include <utility>

#include "driver/accessories/filter_list.h"
#include "driver/camera/camera.h"
#include "driver/config/config_file.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/text_high.h"
#include "tqusb/runtime/storage.h"
#include "tqusb/runtime/str.h"

namespace tQusb {

CCamera::CCamera() = default;

void CCamera::SetLastError(const char* text) {
  Str::CopyA(kLastErrorHigh, LastError, TextHigh(text), text);
}

bool Fail(CCamera& camera, const char* text) {
  camera.SetLastError(text);
  return false;
}

bool CCamera::Unsupported() {
  return Fail(*this, kTextNotSupported);
}

void CCamera::Attach() {
  CEventHandler::Attach();
  CameraInit();
  RegisterNotifications();
}

void CCamera::Detach() {
  Disconnect(*this, true);
  for (void*& registration : DeviceNotify) {
    if (registration != nullptr) {
      UnregisterDeviceNotices(registration);
      registration = nullptr;
    }
  }
  CEventHandler::Detach();
}

void CCamera::Destroy() {
  Filters.DisposeList();
  Disconnect(*this, true);
  Detach();
  for (auto [buffer, size] :
       {std::pair{&ImageBuf, &ImageBufSize}, std::pair{&ImageBuf2, &ImageBuf2Size},
        std::pair{&ImageBuf3, &ImageBuf3Size}}) {
    if (*buffer != nullptr) Storage::Free(buffer);
    *size = 0;
  }
  Detach();
}

bool CCamera::Setup(int32_t id) {
  RequestedId = id;
  Attach();
  BinningX = BinningY = 1;
  HostBinningX = HostBinningY = 1;
  Configure();
  return IsConnected();
}

// The configuration step: filter descriptions, the configuration file (crop,
// offsets, transfer size, timing values) and the sensor timing request. It
// runs whenever the camera connects: at Initialize, and again when a device
// arrival connects it later, whether the camera was plugged in after
// Initialize or power-cycled and plugged back in. A power-cycled camera has
// forgotten its timing and may come back with another wheel, so a
// reconnection applies the same step as the first connection instead of
// trusting what the object held before; the crop, offsets and timing values
// are those the file gives now. The binning factors are kept.
void CCamera::Configure() {
  // Generation-0 cameras (and a camera that was not found) take no settings.
  if (Generation < 1 || Generation > 5) return;
  CropX = CropY = CropW = CropH = 0xFFFFFFFF;
  Offset1 = Offset2 = Offset3 = Offset4 = OffsetCL = 0;
  ClockOverlapDelay = ClockDelay = 0xFFFFFFFF;
  LoadFilterList(*this);
  ReadConfigurationFile(*this);
  SendConfiguredTiming(*this);
}

CCamera* CreateCamera(uint32_t id, bool powerTimer) {
  void* memory = nullptr;
  Storage::Allocate(&memory, sizeof(CCamera));
  auto* camera = new (memory) CCamera;
  if (!powerTimer) camera->PowerTimer = 0;
  camera->Setup(static_cast<int32_t>(id));
  return camera;
}

void ReleaseCamera(CCamera* camera) {
  if (camera == nullptr || camera == reinterpret_cast<CCamera*>(~std::uintptr_t{0})) return;
  {
    // A call still running on another thread finishes first.
    std::lock_guard hold(camera->OperationLock);
    camera->Destroy();
  }
  void* memory = camera;
  Storage::Free(&memory);
}

}  // namespace tQusb
