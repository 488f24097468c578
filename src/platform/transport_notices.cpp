#include "platform/transport_notices.h"

#include <map>
#include <mutex>

#include "platform/transport_choice.h"
#include "platform/usb_notices.h"

namespace platform {
namespace {

struct Registrations {
  TDeviceNotify virtualBus = 0;
  TDeviceNotify usb = 0;
};

std::mutex g_lock;
std::map<TDeviceNotify, Registrations> g_registrations;
TDeviceNotify g_next = 1;

}  // namespace

TDeviceNotify RegisterTransportNotices(PeerWindow* window, const TGuid& classGuid) {
  const TTransportChoice& use = ActiveTransports();
  Registrations r;
  if (use.virtualBus) r.virtualBus = RegisterDeviceNotification(window, classGuid);
  if (use.usb) r.usb = usbhost::RegisterNotices(window, classGuid);
  if (r.virtualBus == 0 && r.usb == 0) return 0;
  std::lock_guard guard(g_lock);
  const TDeviceNotify id = g_next++;
  g_registrations[id] = r;
  return id;
}

bool UnregisterTransportNotices(TDeviceNotify handle) {
  Registrations r;
  {
    std::lock_guard guard(g_lock);
    auto it = g_registrations.find(handle);
    if (it == g_registrations.end()) return false;
    r = it->second;
    g_registrations.erase(it);
  }
  if (r.virtualBus != 0) UnregisterDeviceNotification(r.virtualBus);
  if (r.usb != 0) usbhost::UnregisterNotices(r.usb);
  return true;
}

}  // namespace platform
