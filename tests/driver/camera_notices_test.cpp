// Connection messages to the host window and the device notices that make a
// camera disconnect and come back by itself.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "common/temp_bus_root.h"
#include "driver/camera/camera.h"
#include "support/bus_camera.h"
#include "support/captures.h"
#include "tqusb/tqusb.h"

using namespace tQusb;
using tqtest::BusCamera;
using tqtest::BusCameraSpec;
using tqtest::NotifyCapture;

namespace {

std::vector<unsigned> Messages(NotifyCapture& host, CCamera* camera) {
  std::vector<unsigned> ids;
  for (const auto& m : host.Take()) {
    EXPECT_EQ(m.lparam, reinterpret_cast<uint64_t>(camera));
    EXPECT_EQ(m.wparam, 0u);
    ids.push_back(m.message);
  }
  return ids;
}

TDeviceInterfaceNotice Notice(const std::string& name) {
  TDeviceInterfaceNotice notice{};
  notice.Size = sizeof notice;
  notice.DeviceType = kDeviceTypeInterface;
  std::strncpy(notice.Name, name.c_str(), sizeof notice.Name - 1);
  return notice;
}

TEST(CameraNotices, RegisterPostsTheStateAtOnceAndReleasePostsNotConnected) {
  TempBusRoot root;
  BusCamera device(root.Path(), BusCameraSpec{});
  NotifyCapture host;
  CCamera* connected = Initialize(1);
  CCamera* missing = Initialize(2);
  RegisterNotifyHWND(connected, host.Window());
  EXPECT_EQ(Messages(host, connected), std::vector<unsigned>({0x40A}));
  cameraRegisterNotifyHWND(missing, host.Window());
  EXPECT_EQ(Messages(host, missing), std::vector<unsigned>({0x40B}));
  RegisterNotifyHWND(missing, nullptr);
  EXPECT_EQ(missing->NotifyWindow, nullptr);
  Release(missing);
  EXPECT_TRUE(host.Take().empty());
  Release(connected);  // posts "not connected" three times
  EXPECT_EQ(Messages(host, connected), std::vector<unsigned>({0x40B, 0x40B, 0x40B}));
}

TEST(CameraNotices, RemovalOfOwnPathInAnyCaseDisconnects) {
  TempBusRoot root;
  BusCamera device(root.Path(), BusCameraSpec{});
  NotifyCapture host;
  CCamera* camera = Initialize(1);
  ASSERT_TRUE(camera->IsConnected());
  RegisterNotifyHWND(camera, host.Window());
  host.Take();
  uint64_t result = 0;

  TDeviceInterfaceNotice other = Notice("\\\\?\\usb#other#{x}");
  EXPECT_FALSE(camera->HandleMessage(kMsgDeviceChange, kDeviceRemoveComplete,
                                     reinterpret_cast<uint64_t>(&other), &result));
  EXPECT_TRUE(camera->IsConnected());

  TDeviceInterfaceNotice arrival = Notice("\\\\?\\usb#new#{x}");
  EXPECT_TRUE(camera->HandleMessage(kMsgDeviceChange, kDeviceArrival,
                                    reinterpret_cast<uint64_t>(&arrival), &result));
  EXPECT_TRUE(camera->IsConnected());
  arrival.DeviceType = 3;
  EXPECT_FALSE(camera->HandleMessage(kMsgDeviceChange, kDeviceArrival,
                                     reinterpret_cast<uint64_t>(&arrival), &result));
  EXPECT_TRUE(host.Take().empty());

  std::string upper = camera->DevicePath;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  TDeviceInterfaceNotice own = Notice(upper);
  EXPECT_TRUE(camera->HandleMessage(kMsgDeviceChange, kDeviceRemoveComplete,
                                    reinterpret_cast<uint64_t>(&own), &result));
  EXPECT_FALSE(camera->IsConnected());
  EXPECT_EQ(Messages(host, camera), std::vector<unsigned>({0x40B}));
  RegisterNotifyHWND(camera, nullptr);
  Release(camera);
}

TEST(CameraNotices, UnpluggedCameraComesBackWhilePumping) {
  TempBusRoot root;
  auto device = std::make_unique<BusCamera>(root.Path(), BusCameraSpec{});
  NotifyCapture host;
  CCamera* camera = Initialize(1);
  ASSERT_TRUE(camera->IsConnected());
  RegisterNotifyHWND(camera, host.Window());
  host.Take();

  device->Stop();
  for (int i = 0; i < 50 && camera->IsConnected(); ++i) tqPumpEvents(100);
  EXPECT_FALSE(camera->IsConnected());
  EXPECT_EQ(Messages(host, camera), std::vector<unsigned>({0x40B}));

  BusCameraSpec again;
  again.name = "vid_0000&pid_0c26#test2";  // a new device with the same id
  device = std::make_unique<BusCamera>(root.Path(), again);
  for (int i = 0; i < 50 && !camera->IsConnected(); ++i) tqPumpEvents(100);
  EXPECT_TRUE(camera->IsConnected());
  EXPECT_EQ(Messages(host, camera), std::vector<unsigned>({0x40A}));
  EXPECT_TRUE(ClearSensor(camera));
  RegisterNotifyHWND(camera, nullptr);
  Release(camera);
}

}  // namespace
