#include "platform/transport_notices.h"

#include <map>
#include <mutex>

#include "platform/transport_choice.h"
#include "platform/usbhost_notices.h"

namespace platform {
namespace {

struct Registrations {
  TDeviceNotify vbus = 0;
  TDeviceNotify usbhost = 0;
};

std::mutex g_lock;
std::map<TDeviceNotify, Registrations> g_registrations;
TDeviceNotify g_next = 1;

}  // namespace

TDeviceNotify RegisterTransportNotices(PeerWindow* window, const TGuid& classGuid) {
  const TTransportChoice& use = ActiveTransports();
  Registrations r;
  if (use.vbus) r.vbus = RegisterDeviceNotification(window, classGuid);
  if (use.usbhost) r.usbhost = usbhost::RegisterNotices(window, classGuid);
  if (r.vbus == 0 && r.usbhost == 0) return 0;
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
  if (r.vbus != 0) UnregisterDeviceNotification(r.vbus);
  if (r.usbhost != 0) usbhost::UnregisterNotices(r.usbhost);
  return true;
}

}  // namespace platform
