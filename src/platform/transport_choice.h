#pragma once
// Which transports reach cameras: the virtual USB bus, real USB devices
// through libusb, or both. TQUSB_TRANSPORT names them ("usb", "virtual",
// "usb,virtual"); unset or empty, real USB devices are used next to the
// virtual bus only when a device table exists. Decided once per process.
namespace platform {

struct TTransportChoice {
  bool vbus = true;
  bool usbhost = false;

  friend bool operator==(const TTransportChoice&, const TTransportChoice&) = default;
};

// The choice for a TQUSB_TRANSPORT value (null: unset). A value naming
// nothing known falls back to the unset choice.
TTransportChoice ChooseTransports(const char* setting, bool deviceTableExists);

// The choice of this process, made at the first call.
const TTransportChoice& ActiveTransports();

}  // namespace platform
