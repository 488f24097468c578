#pragma once
// Which USB devices are cameras (their ids are in the device table) and the
// device path each has.
#include <libusb.h>

#include <string>

#include "platform/usbhost_device_table.h"

namespace platform::usbhost {

// The device's model and path; false for a device the table does not name.
bool CameraPath(libusb_device* device, std::string* path, const TUsbModel** model = nullptr);

// "vid_xxxx&pid_yyyy#<bus>-<ports joined by '.'>", the device part of a path.
std::string DeviceName(uint16_t vendor, uint16_t product, unsigned bus, const uint8_t* ports,
                       int portCount);

}  // namespace platform::usbhost
