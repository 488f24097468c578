// The exports over the libusb transport: a USB camera mocked with umockdev,
// bridged to a simulated camera, is found through the device table,
// initialised, read out, disconnected when it is unplugged and reconnected
// when it is plugged into the same port again; transfers that end early or
// never come cost one call, never the frames or statuses of later ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "common/temp_bus_root.h"
#include "core/model_config.h"
#include "driver/camera/camera.h"
#include "platform/vbus_host.h"
#include "platform/vbus_layout.h"
#include "server/device_server.h"
#include "tqusb/tqusb.h"
#include "tqusb/tqusb_events.h"
#include "usbhost/mock_usb_camera.h"

namespace {

using tQusb::CCamera;
using usbmock::MockUsbCamera;
using namespace std::chrono_literals;

constexpr uint32_t kCameraId = 1104;
constexpr char kCamera[] = R"({"cameras": [{
  "name": "g2-k10-c04", "class": 1, "vendor_id": "0xF1E2", "product_id": "0x0C04",
  "camera_id": 1104, "bcd_usb": "0x0200", "width": 2048, "height": 1024,
  "info_word3": 600, "info_word4": 600,
  "texts": ["CMOS 752", "G2K10-1104", "rev 2.7"], "versions": ["0x0207", 4, 1, 3]}]})";
constexpr char kExpectedPath[] =
    "\\\\?\\usb#vid_f1e2&pid_0c04#1-3#{ad8d593c-2b2d-4292-8a80-cd4da13fb16a}";

TEST(Usbhost, InitializeReadOutUnplugAndReplug) {
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
  platform::vbus::TBusAddress address;
  ASSERT_TRUE(platform::vbus::ParseDevicePath(server.DevicePath("1104"), &address));

  usbmock::MockUsbCamera usb;
  if (!usb.Plug(platform::vbus::DeviceDirectory(root.Path(), address), &error))
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
  ASSERT_TRUE(usb.Plug(platform::vbus::DeviceDirectory(root.Path(), address), &error)) << error;
  const auto replugged = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!camera->IsConnected() && std::chrono::steady_clock::now() < replugged) tqPumpEvents(200);
  ASSERT_TRUE(camera->IsConnected()) << camera->LastError;
  EXPECT_STREQ(camera->DevicePath, kExpectedPath);
  EXPECT_TRUE(GetImage16b(camera, 0, 0, 64, 32, uint32_t(pixels.size() * 2), pixels.data()))
      << camera->LastError;

  // Every byte of image frame k is k: a readout that returns an earlier
  // frame is caught. A transfer that ends short fails its readout only, and
  // the next three readouts get their own frames. Small readouts of 60 x 30
  // do not end on a packet boundary, so a zero-length packet after them is
  // no transfer's end.
  usb.NumberImageFrames();
  uint32_t requests = usb.ImageFrames();  // every earlier frame was read
  std::vector<uint16_t> image(2048 * 1024);
  struct Readout {
    bool ok;
    bool ownFrame;
    uint64_t bytes;
  };
  const auto read = [&](uint32_t width, uint32_t height) {
    const auto k = static_cast<unsigned char>(++requests);
    const uint64_t before = usb.ImageBytes();
    const bool ok =
        GetImage16b(camera, 0, 0, width, height, uint32_t(image.size() * 2), image.data());
    const auto end = image.begin() + long(width) * height;
    const bool own = std::all_of(image.begin(), end,
                                 [&](uint16_t v) { return v == image[0] && (v & 0xFF) == k; });
    return Readout{ok, own, usb.ImageBytes() - before};
  };
  const Readout first = read(60, 30);
  ASSERT_TRUE(first.ok && first.ownFrame) << camera->LastError;
  const auto n = static_cast<uint32_t>(first.bytes);
  ASSERT_NE(n % 512, 0u);

  struct Row {
    const char* name;
    uint32_t width, height;
    std::optional<uint32_t> splitAt;  // none: closed by a zero-length packet
    bool readoutOk;
  };
  const Row rows[] = {
      {"zero-length packet ahead of the image", 60, 30, 0u, false},
      {"one byte short", 60, 30, n - 1, false},
      {"100 bytes short", 60, 30, n - 100, false},
      {"short packet mid-image", 60, 30, n / 2, false},
      {"several pieces short", 2048, 1024, 3u << 19, false},
      {"zero-length packet after whole packets", 2048, 1024, std::nullopt, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.splitAt)
      usb.SplitNextFrame(MockUsbCamera::In::Image, *row.splitAt);
    else
      usb.TerminateNextFrame(MockUsbCamera::In::Image);
    const Readout faulty = read(row.width, row.height);
    EXPECT_EQ(faulty.ok, row.readoutOk);
    if (row.readoutOk) {
      EXPECT_TRUE(faulty.ownFrame);
      EXPECT_EQ(faulty.bytes % 512, 0u);  // a transfer of whole packets
    }
    ASSERT_TRUE(camera->IsConnected());
    for (int i = 0; i < 3; ++i) {
      const Readout clean = read(60, 30);
      EXPECT_TRUE(clean.ok && clean.ownFrame) << "readout " << i << ": " << camera->LastError;
    }
  }

  // The same for statuses: a zero-length packet is no status, so it fails
  // that command, which disconnects; once connected again, refused and
  // accepted commands each get their own status.
  usb.SplitNextFrame(MockUsbCamera::In::Reply, 0);
  EXPECT_FALSE(ClearSensor(camera));
  EXPECT_FALSE(camera->IsConnected());
  camera->CameraInit();
  ASSERT_TRUE(camera->IsConnected()) << camera->LastError;
  for (bool refused : {true, false, true, false}) {
    if (refused) {
      ASSERT_EQ(server.Control("fault 1104 status 130").rfind("ok", 0), 0u);
    }
    EXPECT_EQ(ClearSensor(camera), !refused);
  }

  // An image that never comes, after its status did: the readout fails once
  // the exposure and the readout allowance (its floor shortened here) have
  // passed, and the camera is disconnected.
  platform::vbus::SetImageFloorMs(300);
  usb.DropNextFrame(MockUsbCamera::In::Image);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(GetImageExposure16b(camera, 0.05, false, 0, 0, 60, 30,
                                   uint32_t(image.size() * 2), image.data()));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_FALSE(camera->IsConnected());
  EXPECT_GE(waited, 340ms);
  EXPECT_LT(waited, 5s);
  platform::vbus::SetImageFloorMs(platform::vbus::kDefaultImageFloorMs);
  camera->CameraInit();
  ASSERT_TRUE(camera->IsConnected()) << camera->LastError;

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
