// What the peer window delivers to a camera: device arrivals and removals,
// the power-reading tick; and what the camera tells the host window.
#include "driver/accessories/power_utilization.h"
#include "driver/camera/camera.h"
#include "driver/transport/command_channel.h"
#include "tqusb/runtime/str.h"

namespace tQusb {
namespace {

constexpr unsigned kNoticeNameHigh = 1023;

// The class each registration slot watches. A camera watches the class of its
// kind; one that was not found (kind 0) watches every class but 10.
constexpr int kNoticeClasses[kNoticeClassCount] = {2, 4, 5, 3, 1, 6, 7, 8, 9, 11, 12, 13, 14};

bool Watches(const CCamera& camera, int classNumber) {
  const int own = camera.Traits->InterfaceClass;
  return own == kAnyInterfaceClass || own == classNumber;
}

}  // namespace

void CCamera::RegisterNotifications() {
  if (Window == nullptr) return;
  for (int slot = 0; slot < kNoticeClassCount; ++slot) {
    if (Watches(*this, kNoticeClasses[slot]))
      DeviceNotify[slot] = RegisterDeviceNotices(Window, kNoticeClasses[slot]);
  }
}

void CCamera::Notify() {
  if (NotifyWindow == nullptr) return;
  PostHostMessage(NotifyWindow, IsConnected() ? kMsgConnected : kMsgNotConnected, 0,
                  reinterpret_cast<uint64_t>(this));
}

bool CCamera::HandleMessage(uint32_t message, uint64_t wparam, uint64_t lparam, uint64_t* result) {
  (void)result;
  std::lock_guard hold(OperationLock);
  if (message == kMsgTimer) {
    // The outcome is not used: the exchange leaves its reading, or -1.0
    // where it has none, in PowerUtilization itself.
    if (wparam == kPowerTimerId) ReadPowerUtilization(&PowerUtilization);
    return false;
  }
  if (message != kMsgDeviceChange || lparam == 0) return false;
  const auto* notice = reinterpret_cast<const TDeviceInterfaceNotice*>(lparam);
  if (notice->DeviceType != kDeviceTypeInterface) return false;
  if (wparam == kDeviceArrival) {
    // An arrival while connected changes nothing; one that connects the
    // camera configures it as Initialize does.
    const bool wasConnected = IsConnected();
    CameraInit();
    if (!wasConnected && IsConnected()) Configure();
    return true;
  }
  if (wparam == kDeviceRemoveComplete) {
    char name[kDevicePathHigh + 1];
    Str::CopyA(kDevicePathHigh, name, kNoticeNameHigh, notice->Name);
    Str::LowsA(kDevicePathHigh, name);
    if (!Str::SameA(kDevicePathHigh, name, kDevicePathHigh, DevicePath)) return false;
    Disconnect(*this, true);
    return true;
  }
  return false;
}

}  // namespace tQusb
