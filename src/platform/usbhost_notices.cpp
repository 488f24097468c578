#include "platform/usbhost_notices.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/peer_window_object.h"
#include "platform/usbhost_camera_path.h"
#include "platform/usbhost_context.h"
#include "platform/vbus_layout.h"

namespace platform::usbhost {
namespace {

struct Subscription {
  std::weak_ptr<ThreadQueue> queue;
  PeerWindow* window;
  TGuid classGuid;
};

std::mutex g_lock;
std::map<TDeviceNotify, Subscription> g_subscriptions;
TDeviceNotify g_next = 1;

void Deliver(libusb_device* device, bool arrived) {
  std::string path;
  const TUsbModel* model = nullptr;
  if (!CameraPath(device, &path, &model)) return;
  const TGuid* guid = vbus::InterfaceClass(model->classNumber);
  std::lock_guard guard(g_lock);
  for (const auto& [id, s] : g_subscriptions) {
    auto queue = s.queue.lock();
    if (!queue || !(s.classGuid == *guid)) continue;
    queue->Post(DeviceChangeMessage(s.window, *guid, path, arrived));
  }
}

}  // namespace

TDeviceNotify RegisterNotices(PeerWindow* window, const TGuid& classGuid) {
  auto live = FindPeerWindow(window);
  if (!live || Context() == nullptr || !libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) return 0;
  SetHotplugSink(&Deliver);
  std::lock_guard guard(g_lock);
  const TDeviceNotify id = g_next++;
  g_subscriptions[id] = {live->Queue(), window, classGuid};
  return id;
}

bool UnregisterNotices(TDeviceNotify handle) {
  std::lock_guard guard(g_lock);
  return g_subscriptions.erase(handle) != 0;
}

}  // namespace platform::usbhost
