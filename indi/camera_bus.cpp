#include "camera_bus.h"

#include <indidevapi.h>

#include "tqusb/tqusb.hpp"
#include "tqusb_ccd.h"

namespace tqindi {
namespace {

constexpr int kNoticeCheckMs = 250;

struct Bus {
  std::vector<std::unique_ptr<TqusbCcd>> devices;
  void* notify = nullptr;
  int eventFd = -1;
  int eventCallback = -1;  // -1 while the pump is held back
};

Bus& TheBus() {
  static Bus bus;
  return bus;
}

bool AnyCameraHeldLong() {
  for (const auto& d : TheBus().devices)
    if (d->HoldsCameraLong()) return true;
  return false;
}

// Hands the library's connection messages to the devices they name.
void DeliverNotices() {
  unsigned message = 0;
  uint64_t wparam = 0, lparam = 0;
  while (tqGetNotifyMessage(TheBus().notify, 0, &message, &wparam, &lparam)) {
    for (const auto& d : TheBus().devices) {
      if (reinterpret_cast<uint64_t>(d->Camera()) == lparam && d->Camera() != nullptr)
        d->OnCameraNotice(message == TQ_MSG_CAMERA_CONNECTED);
    }
  }
}

void OnEventFd(int, void*);

void ResumePump() {
  Bus& bus = TheBus();
  if (bus.eventCallback < 0 && bus.eventFd >= 0)
    bus.eventCallback = IEAddCallback(bus.eventFd, OnEventFd, nullptr);
}

// The library hands a device notice (plug, unplug) to every open camera of
// the notice's device class, each under that camera's lock: a camera whose
// worker is in a call (a frame, a readout) takes it when the call has ended,
// so the notice never changes a camera under a running transfer, and the
// driver thread waits for that call. For frames and readouts that is a short
// wait, and the pump runs while cameras stream or read; while a camera is in
// a call of minutes (a long camera-timed exposure or stream frame) the pump
// waits instead (the fd stays readable, so the callback is taken away).
void OnEventFd(int, void*) {
  Bus& bus = TheBus();
  if (AnyCameraHeldLong()) {
    IERmCallback(bus.eventCallback);
    bus.eventCallback = -1;
    return;
  }
  tqPumpEvents(0);
  DeliverNotices();
}

// Also pumps by itself where the library could make no descriptor.
void OnNoticeTimer(void*) {
  if (!AnyCameraHeldLong()) {
    if (TheBus().eventFd < 0) tqPumpEvents(0);
    ResumePump();
  }
  DeliverNotices();
}

void StartPump() {
  Bus& bus = TheBus();
  bus.notify = tqCreateNotifyWindow();
  bus.eventFd = tqEventFd();
  ResumePump();
  IEAddPeriodicTimer(kNoticeCheckMs, OnNoticeTimer, nullptr);
}

bool Known(uint32_t id) {
  for (const auto& d : TheBus().devices)
    if (d->Id() == id) return true;
  return false;
}

// Opens each free camera that has no device yet briefly, to name its device
// by model and id; the camera is opened again on connect. Cameras this
// driver has open are not free, so they are not listed twice. A camera that
// cannot be opened (another program took it since the listing, or it fails
// to start) gets no device, which could never connect; a later listing
// offers it once it opens.
void ListCameras() {
  for (uint32_t id : tqusb::FreeCameraIds()) {
    if (Known(id)) continue;
    std::string model;
    try {
      const tqusb::Camera probe(id, tqusb::Camera::OpenMode::RequireConnected, false);
      model = probe.Text(TQ_STRING_MODEL_TEXT).value_or("");
    } catch (const tqusb::Error& e) {
      IDMessage(nullptr, "tQusb: camera %u cannot be opened: %s", id, e.Text().c_str());
      continue;
    }
    if (model.empty()) model = "tQusb camera";
    TheBus().devices.push_back(std::make_unique<TqusbCcd>(id, model + " #" + std::to_string(id)));
  }
  if (TheBus().devices.empty()) IDMessage(nullptr, "tQusb: no free camera on the bus.");
}

bool g_started = false;

}  // namespace

std::vector<std::unique_ptr<TqusbCcd>>& Devices() {
  if (!g_started) FindNewCameras();
  return TheBus().devices;
}

void FindNewCameras() {
  if (!g_started) {
    g_started = true;
    StartPump();
  }
  ListCameras();
}

void* NotifyWindow() {
  return TheBus().notify;
}

}  // namespace tqindi
