#include "platform/usbhost_camera_path.h"

#include <cstdio>

#include "platform/vbus_layout.h"

namespace platform::usbhost {

std::string DeviceName(uint16_t vendor, uint16_t product, unsigned bus, const uint8_t* ports,
                       int portCount) {
  char text[64];
  std::snprintf(text, sizeof text, "vid_%04x&pid_%04x#%u-", vendor, product, bus);
  std::string name = text;
  if (portCount <= 0) name += '0';  // a root hub has no port path
  for (int i = 0; i < portCount; ++i) {
    if (i > 0) name += '.';
    name += std::to_string(ports[i]);
  }
  return name;
}

bool CameraPath(libusb_device* device, std::string* path, const TUsbModel** model) {
  libusb_device_descriptor descriptor;
  if (libusb_get_device_descriptor(device, &descriptor) != 0) return false;
  const TUsbModel* found = FindModel(descriptor.idVendor, descriptor.idProduct);
  if (found == nullptr) return false;
  const TGuid* guid = vbus::InterfaceClass(found->classNumber);
  if (guid == nullptr) return false;
  uint8_t ports[8];
  const int count = libusb_get_port_numbers(device, ports, sizeof ports);
  // The port path, not the device address, names the device: it survives a
  // replug into the same port.
  *path = vbus::MakeDevicePath(DeviceName(descriptor.idVendor, descriptor.idProduct,
                                          libusb_get_bus_number(device), ports, count),
                               *guid);
  if (model != nullptr) *model = found;
  return true;
}

}  // namespace platform::usbhost
