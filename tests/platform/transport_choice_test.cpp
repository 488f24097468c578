// Which transports TQUSB_TRANSPORT and the device table select, and what the
// device table makes of its lines.
#include "platform/transport_choice.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/usbhost_device_table.h"

namespace {

using platform::ChooseTransports;
using platform::TTransportChoice;

TEST(TransportChoice, SettingAndDeviceTableSelectTransports) {
  struct Case {
    const char* setting;
    bool table;
    TTransportChoice expected;  // {vbus, usbhost}
  };
  const Case cases[] = {
      {nullptr, false, {true, false}},        {nullptr, true, {true, true}},
      {"", true, {true, true}},               {"usb", false, {false, true}},
      {"virtual", true, {true, false}},       {"usb,virtual", false, {true, true}},
      {"virtual,usb", false, {true, true}},   {"bluetooth", false, {true, false}},
      {"usb,bluetooth", true, {true, true}},  {",", false, {true, false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.setting ? c.setting : "(unset)") << " table " << c.table);
    EXPECT_EQ(ChooseTransports(c.setting, c.table), c.expected);
  }
}

TEST(TransportChoice, DeviceTableLines) {
  const auto models = platform::usbhost::ParseDeviceTable(
      "# vendor product class [interface [command reply image]]\n"
      "f1e2 0c04 1\n"
      "0xF1E2 0x0C05 14 2 0x02 0x86 0x88   # all pipes named\n"
      "\n"
      "f1e2 0c06 15\n"      // class out of range
      "f1e2 0c07 0\n"       // class out of range
      "f1e2 1ffff 1\n"      // product id too large
      "f1e2 0c08 1 0 0x81 0x82 0x83\n"  // the command pipe must be OUT
      "f1e2 0c09 1 0 0x01 0x82\n"       // two of three pipes
      "f1e2 0c0a one\n");
  std::vector<std::array<int, 7>> got;  // vendor product class interface command reply image
  for (const auto& m : models)
    got.push_back({m.vendor, m.product, m.classNumber, m.interface, m.command, m.reply, m.image});
  EXPECT_EQ(got, (std::vector<std::array<int, 7>>{{0xF1E2, 0x0C04, 1, -1, 0, 0, 0},
                                                  {0xF1E2, 0x0C05, 14, 2, 0x02, 0x86, 0x88}}));
}

}  // namespace
