// The exports over the libusb transport: a USB camera mocked with umockdev,
// bridged to a simulated camera, is found through the device table,
// initialised, read out, disconnected when it is unplugged and reconnected
// when it is plugged into the same port again.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include "common/temp_bus_root.h"
#include "driver/camera/camera.h"
#include "platform/bus_layout.h"
#include "server/device_server.h"
#include "core/model_config.h"
#include "tqusb/tqusb.h"
#include "tqusb/tqusb_events.h"
#include "usb_host/mock_usb_camera.h"

namespace {

using tQusb::CCamera;

constexpr uint32_t kCameraId = 1104;
constexpr char kCamera[] = R"({"cameras": [{
  "name": "g2-k10-c04", "class": 1, "vendor_id": "0xF1E2", "product_id": "0x0C04",
  "camera_id": 1104, "bcd_usb": "0x0200", "width": 752, "height": 480,
  "info_word3": 600, "info_word4": 600,
  "texts": ["CMOS 752", "G2K10-1104", "rev 2.7"], "versions": ["0x0207", 4, 1, 3]}]})";
constexpr char kExpectedPath[] =
    "\\\\?\\usb#vid_f1e2&pid_0c04#1-3#{ad8d593c-2b2d-4292-8a80-cd4da13fb16a}";

TEST(UsbTransport, InitializeReadOutUnplugAndReplug) {
  if (!usbmock::Available())
    GTEST_SKIP() << "umockdev preload not active (umockdev-wrapper missing or not working): "
                    "the libusb transport is not exercised";
  // The transport and the device table are read once per process, at the
  // library's first use, which comes after this.
  TempBusRoot root;
  const std::string config = root.Path() + "/config";
  std::filesystem::create_directories(config + "/tqusb");
  std::ofstream(config + "/tqusb/devices.conf") << "# made-up ids of the mocked camera\nf1e2 0c04 1\n";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  setenv("TQUSB_TRANSPORT", "usb", 1);

  tqsim::ServerOptions options;
  options.root = root.Path();
  options.cameras = tqsim::ParseConfig(kCamera).cameras;
  options.timeScale = 0;
  options.controlSocket = false;
  tqsim::DeviceServer server(options);
  std::string error;
  ASSERT_TRUE(server.Start(&error)) << error;
  platform::bus::TBusAddress address;
  ASSERT_TRUE(platform::bus::ParseDevicePath(server.DevicePath("1104"), &address));

  usbmock::MockUsbCamera usb;
  if (!usb.Plug(platform::bus::DeviceDirectory(root.Path(), address), &error))
    GTEST_SKIP() << "umockdev cannot mock a USB device here (" << error
                 << "): the libusb transport is not exercised";

  // Initialize: information record and version queries over bulk transfers.
  CCamera* camera = Initialize(kCameraId);
  ASSERT_NE(camera, nullptr);
  ASSERT_TRUE(camera->IsConnected()) << camera->LastError;
  EXPECT_STREQ(camera->DevicePath, kExpectedPath);
  EXPECT_EQ(camera->Info.CameraId, kCameraId);
  EXPECT_EQ(camera->SingleReadLimit, 0x400000u);  // the descriptor's bcdUSB came through

  // A small readout through the image endpoint.
  std::vector<uint16_t> pixels(64 * 32, 0xDEAD);
  ASSERT_TRUE(GetImage16b(camera, 0, 0, 64, 32, uint32_t(pixels.size() * 2), pixels.data()))
      << camera->LastError;
  EXPECT_GT(usb.ImageBytes(), 0u);
  EXPECT_NE(std::count(pixels.begin(), pixels.end(), 0xDEAD), long(pixels.size()));

  // Unplugging: the hotplug removal reaches this thread when it pumps.
  usb.Unplug();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (camera->IsConnected() && std::chrono::steady_clock::now() < deadline) tqPumpEvents(200);
  EXPECT_FALSE(camera->IsConnected());
  EXPECT_FALSE(GetImage16b(camera, 0, 0, 64, 32, uint32_t(pixels.size() * 2), pixels.data()));

  // Plugged into the same port again: the arrival notice reconnects the
  // camera under the same path.
  ASSERT_TRUE(usb.Plug(platform::bus::DeviceDirectory(root.Path(), address), &error)) << error;
  const auto replugged = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!camera->IsConnected() && std::chrono::steady_clock::now() < replugged) tqPumpEvents(200);
  ASSERT_TRUE(camera->IsConnected()) << camera->LastError;
  EXPECT_STREQ(camera->DevicePath, kExpectedPath);
  EXPECT_TRUE(GetImage16b(camera, 0, 0, 64, 32, uint32_t(pixels.size() * 2), pixels.data()))
      << camera->LastError;

  // A short image transfer fails the readout only; a stalled endpoint (the
  // connection behind it closed mid-frame) disconnects the camera.
  struct Fault {
    const char* command;
    bool staysConnected;
  };
  for (const Fault& f : {Fault{"image-short 64", true}, Fault{"image-cut 100", false}}) {
    SCOPED_TRACE(f.command);
    ASSERT_EQ(server.Control(std::string("fault 1104 ") + f.command).rfind("ok", 0), 0u);
    EXPECT_FALSE(GetImage16b(camera, 0, 0, 64, 32, uint32_t(pixels.size() * 2), pixels.data()));
    EXPECT_EQ(camera->IsConnected(), f.staysConnected);
  }
  Release(camera);
}

}  // namespace
