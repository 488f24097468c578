#pragma once
// The device table of the USB transport: which USB devices are cameras and
// how to reach their pipes. One line per model:
//
//   <vendor id> <product id> <class 1..14> [<interface> [<command> <reply> <image>]]
//
// Ids and endpoint addresses are hexadecimal (with or without 0x), the class
// and interface number decimal; '#' starts a comment. Without endpoints the
// first bulk OUT endpoint of the interface is the command pipe, the first
// bulk IN the reply pipe and the second bulk IN the image pipe.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::usbhost {

struct TUsbModel {
  uint16_t vendor = 0;
  uint16_t product = 0;
  int classNumber = 0;
  int interface = -1;   // -1: the first interface of the active configuration
  uint8_t command = 0;  // 0: found from the interface's endpoints
  uint8_t reply = 0;
  uint8_t image = 0;
};

// The models of a table text; lines that do not parse are skipped and each
// gives one debug line.
std::vector<TUsbModel> ParseDeviceTable(std::string_view text);

// $XDG_CONFIG_HOME/tqusb/devices.conf (default ~/.config), then
// /etc/tqusb/devices.conf.
std::vector<std::string> DeviceTableFiles();

// True when one of the table files exists.
bool DeviceTableExists();

// The models of both files, the user's first; the first line for a vendor
// and product id wins. Read once per process.
const std::vector<TUsbModel>& DeviceTable();

// The model of a vendor and product id, or null.
const TUsbModel* FindModel(uint16_t vendor, uint16_t product);

}  // namespace platform::usbhost
