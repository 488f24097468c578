#include "platform/transport_choice.h"

#include <cstdlib>
#include <sstream>
#include <string>

#include "platform/debug_output.h"
#include "platform/usbhost_device_table.h"

namespace platform {

TTransportChoice ChooseTransports(const char* setting, bool deviceTableExists) {
  const TTransportChoice byDefault{true, deviceTableExists};
  if (setting == nullptr || setting[0] == '\0') return byDefault;
  TTransportChoice chosen{false, false};
  std::istringstream names(setting);
  for (std::string name; std::getline(names, name, ',');) {
    if (name == "usb") {
      chosen.usbhost = true;
    } else if (name == "virtual") {
      chosen.vbus = true;
    } else {
      DebugOutput(("TQUSB_TRANSPORT: unknown transport \"" + name + "\", using the default\n").c_str());
      return byDefault;
    }
  }
  return chosen.usbhost || chosen.vbus ? chosen : byDefault;
}

const TTransportChoice& ActiveTransports() {
  static const TTransportChoice choice =
      ChooseTransports(std::getenv("TQUSB_TRANSPORT"), usbhost::DeviceTableExists());
  return choice;
}

}  // namespace platform
