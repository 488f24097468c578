// Naming on the virtual USB bus: root, classes, device and pipe paths,
// frames; and publishing a device by staging and rename.
#include "platform/bus_layout.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "common/temp_bus_root.h"
#include "platform/published_device.h"
#include "platform/usb_bus.h"

namespace {

using namespace platform;
using namespace platform::bus;

TEST(BusLayout, ClassTableTextsRoundTrip) {
  EXPECT_EQ(FormatGuid(*InterfaceClass(1)), "{ad8d593c-2b2d-4292-8a80-cd4da13fb16a}");
  EXPECT_EQ(FormatGuid(*InterfaceClass(14)), "{e38b3ac0-5d70-45a2-ba24-ba617b88e086}");
  EXPECT_EQ(InterfaceClass(0), nullptr);
  EXPECT_EQ(InterfaceClass(15), nullptr);
  for (int n = 1; n <= kClassCount; ++n) {
    TGuid parsed{};
    std::string text = FormatGuid(*InterfaceClass(n));
    for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    ASSERT_TRUE(ParseGuid(text, &parsed)) << n;
    EXPECT_EQ(InterfaceClassNumber(parsed), n);
  }
  TGuid other{};
  EXPECT_EQ(InterfaceClassNumber(other), 0);
  const char* bad[] = {
      "", "{ad8d593c-2b2d-4292-8a80-cd4da13fb16}", "ad8d593c-2b2d-4292-8a80-cd4da13fb16a",
      "{ad8d593c-2b2d-4292-8a80+cd4da13fb16a}", "{ad8d593c-2b2d-4292-8a80-cd4da13fb16g}"};
  for (const char* text : bad) EXPECT_FALSE(ParseGuid(text, &other)) << text;
}

TEST(BusLayout, DeviceNames) {
  EXPECT_TRUE(IsValidDeviceName("vid_0000&pid_0c26#sim0007"));
  EXPECT_TRUE(IsValidDeviceName("a.b-c"));
  EXPECT_TRUE(IsValidDeviceName(std::string(100, 'x')));
  EXPECT_FALSE(IsValidDeviceName(std::string(101, 'x')));
  EXPECT_FALSE(IsValidDeviceName(""));
  EXPECT_FALSE(IsValidDeviceName("."));
  EXPECT_FALSE(IsValidDeviceName(".."));
  EXPECT_FALSE(IsValidDeviceName("Upper"));
  EXPECT_FALSE(IsValidDeviceName("a/b"));
  EXPECT_FALSE(IsValidDeviceName("a b"));
}

TEST(BusLayout, DevicePathsResolveToDirectoriesAndSockets) {
  const std::string cls = "{ad8d593c-2b2d-4292-8a80-cd4da13fb16a}";
  EXPECT_EQ(MakeDevicePath("vid_0000&pid_0c26#sim0007", *InterfaceClass(1)),
            "\\\\?\\usb#vid_0000&pid_0c26#sim0007#" + cls);
  struct Case {
    std::string path;
    std::optional<TBusAddress> address;
  } cases[] = {
      {"\\\\?\\usb#vid_0000&pid_0c26#sim0007#" + cls,
       TBusAddress{cls, "vid_0000&pid_0c26#sim0007", -1}},
      {"\\\\?\\USB#VID_0000&PID_0C26#SIM0007#{AD8D593C-2B2D-4292-8A80-CD4DA13FB16A}\\2",
       TBusAddress{cls, "vid_0000&pid_0c26#sim0007", 2}},
      {"\\\\?\\usb#d#" + cls + "\\0", TBusAddress{cls, "d", 0}},
      {"\\\\?\\usb#d#" + cls + "\\3", std::nullopt},
      {"\\\\?\\usb#d#" + cls + "\\", std::nullopt},
      {"\\\\?\\usb##" + cls, std::nullopt},
      {"\\\\?\\usb#d" + cls, std::nullopt},
      {"\\\\?\\hid#d#" + cls, std::nullopt},
      {"\\\\?\\usb#d/x#" + cls, std::nullopt},
      {"\\\\?\\usb#d#{not-a-guid}", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    TBusAddress got;
    ASSERT_EQ(ParseDevicePath(c.path, &got), c.address.has_value());
    if (!c.address) continue;
    EXPECT_EQ(got.classDir, c.address->classDir);
    EXPECT_EQ(got.device, c.address->device);
    EXPECT_EQ(got.pipe, c.address->pipe);
  }
  TBusAddress a{cls, "d", 1};
  EXPECT_EQ(DeviceDirectory("/r", a), "/r/" + cls + "/d");
  EXPECT_EQ(PipeSocketPath("/r", a), "/r/" + cls + "/d/1");
}

TEST(BusLayout, RootFromTheEnvironment) {
  std::optional<std::string> savedBus, savedRuntime;
  if (const char* v = getenv("TQUSB_BUS_DIR")) savedBus = v;
  if (const char* v = getenv("XDG_RUNTIME_DIR")) savedRuntime = v;
  struct Case {
    const char* bus;
    const char* runtime;
    std::string root;
  } cases[] = {
      {"/a/bus", "/run/user/7", "/a/bus"},
      {"", "/run/user/7", "/run/user/7/tqusb-bus"},
      {nullptr, "/run/user/7", "/run/user/7/tqusb-bus"},
      {nullptr, nullptr, "/tmp/tqusb-bus-" + std::to_string(getuid())},
      {nullptr, "", "/tmp/tqusb-bus-" + std::to_string(getuid())},
  };
  auto set = [](const char* name, const char* value) {
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  };
  for (const Case& c : cases) {
    set("TQUSB_BUS_DIR", c.bus);
    set("XDG_RUNTIME_DIR", c.runtime);
    EXPECT_EQ(ResolveRoot(), c.root);
  }
  set("TQUSB_BUS_DIR", savedBus ? savedBus->c_str() : nullptr);
  set("XDG_RUNTIME_DIR", savedRuntime ? savedRuntime->c_str() : nullptr);
}

TEST(BusLayout, DirectoriesAreCreatedPrivate) {
  TempBusRoot root;
  std::string deep = root.Path() + "/x/y/bus";
  ASSERT_TRUE(EnsureDirectory(deep));
  EXPECT_TRUE(EnsureDirectory(deep));
  struct stat st;
  ASSERT_EQ(stat(deep.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_FALSE(EnsureDirectory(""));
  EXPECT_FALSE(EnsureDirectory("/proc/version/bus"));
}

TEST(BusLayout, FrameHeaderIsLittleEndian) {
  unsigned char header[kFrameHeaderSize];
  EncodeFrameHeader(0x01020304, header);
  EXPECT_EQ(header[0], 0x04);
  EXPECT_EQ(header[3], 0x01);
  for (uint32_t n : {0u, 1u, 0x12345678u, 0xFFFFFFFFu}) {
    EncodeFrameHeader(n, header);
    EXPECT_EQ(DecodeFrameHeader(header), n);
  }
}

TEST(PublishedDevices, AppearCompleteAndLeaveNothingBehind) {
  TempBusRoot root;
  std::vector<unsigned char> descriptor(18, 1);
  auto device = PublishedDevice::Publish(root.Path(), *InterfaceClass(4), "dev", &descriptor);
  ASSERT_TRUE(device);
  namespace fs = std::filesystem;
  fs::path dir = device->Directory();
  EXPECT_EQ(dir, fs::path(root.Path()) / FormatGuid(*InterfaceClass(4)) / "dev");
  for (const char* name : {"0", "1", "2"}) EXPECT_TRUE(fs::is_socket(dir / name)) << name;
  EXPECT_EQ(fs::file_size(dir / "descriptor"), 18u);
  EXPECT_EQ(device->PipePath(Pipe::Image), device->DevicePath() + "\\2");
  EXPECT_TRUE(fs::is_empty(fs::path(root.Path()) / ".staging"));

  std::string error;
  EXPECT_FALSE(PublishedDevice::Publish(root.Path(), *InterfaceClass(4), "dev", nullptr, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(PublishedDevice::Publish(root.Path(), *InterfaceClass(4), "Bad", nullptr, &error));
  EXPECT_FALSE(PublishedDevice::Publish("/proc/version/x", *InterfaceClass(4), "d", nullptr));
  EXPECT_TRUE(fs::is_empty(fs::path(root.Path()) / ".staging"));

  device->Remove();
  device->Remove();
  EXPECT_FALSE(device->IsPublished());
  EXPECT_FALSE(fs::exists(dir));
  EXPECT_TRUE(fs::is_empty(fs::path(root.Path()) / ".trash"));
  EXPECT_EQ(device->ListenFd(Pipe::Command), -1);
}

TEST(PublishedDevices, LongPathsStillConnect) {
  TempBusRoot root;
  std::string longRoot = root.Path() + "/" + std::string(60, 'r');
  auto device =
      PublishedDevice::Publish(longRoot, *InterfaceClass(2), std::string(100, 'd'), nullptr);
  ASSERT_TRUE(device);
  EXPECT_GT(device->Directory().size(), 108u);   // beyond a socket address
  setenv("TQUSB_BUS_DIR", longRoot.c_str(), 1);  // TempBusRoot restores it
  THandle pipe = usb::CreateFile(device->PipePath(Pipe::Reply).c_str());
  EXPECT_NE(pipe, kInvalidHandle);
  CloseHandle(pipe);
}

}  // namespace
