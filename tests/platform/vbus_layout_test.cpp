// Naming on the virtual USB bus: root, classes, device and pipe paths,
// frames; and publishing a device by staging and rename.
#include "platform/vbus_layout.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

#include "busdevice/published_device.h"
#include "common/debug_capture.h"
#include "common/temp_bus_root.h"
#include "platform/claims.h"
#include "platform/vbus_host.h"

namespace {

using namespace platform;
using namespace platform::vbus;
using busdevice::PublishedDevice;

TEST(VbusLayout, ClassTableAndGuidTexts) {
  EXPECT_EQ(FormatGuid(*InterfaceClass(14)), "{e38b3ac0-5d70-45a2-ba24-ba617b88e086}");
  EXPECT_EQ(InterfaceClass(0), nullptr);
  EXPECT_EQ(InterfaceClass(15), nullptr);
  TGuid parsed{};
  ASSERT_TRUE(ParseGuid("{E38B3AC0-5D70-45A2-BA24-BA617B88E086}", &parsed));
  EXPECT_EQ(parsed, *InterfaceClass(14));
  const char* bad[] = {
      "", "{ad8d593c-2b2d-4292-8a80-cd4da13fb16}", "ad8d593c-2b2d-4292-8a80-cd4da13fb16a",
      "{ad8d593c-2b2d-4292-8a80+cd4da13fb16a}", "{ad8d593c-2b2d-4292-8a80-cd4da13fb16g}"};
  for (const char* text : bad) EXPECT_FALSE(ParseGuid(text, &parsed)) << text;
}

TEST(VbusLayout, DeviceNames) {
  const std::pair<std::string, bool> cases[] = {{"vid_0000&pid_0c26#sim0007", true},
                                                {"a.b-c", true},
                                                {std::string(100, 'x'), true},
                                                {std::string(101, 'x'), false},
                                                {"", false},
                                                {"..", false},
                                                {"Upper", false},
                                                {"a/b", false},
                                                {"a b", false}};
  for (const auto& [name, valid] : cases) EXPECT_EQ(IsValidDeviceName(name), valid) << name;
}

TEST(VbusLayout, DevicePathsResolveToDirectoriesAndSockets) {
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
      {"\\\\?\\usb##" + cls, std::nullopt},
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

TEST(VbusLayout, RootFromTheEnvironment) {
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

TEST(VbusLayout, DirectoriesAreCreatedPrivate) {
  TempBusRoot root;
  std::string deep = root.Path() + "/x/y/bus";
  ASSERT_TRUE(EnsureDirectory(deep));
  struct stat st;
  ASSERT_EQ(stat(deep.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_FALSE(EnsureDirectory("/proc/version/bus"));
}

// A root that another user made or can write could serve fake cameras: it is
// refused (nothing listed, opened or claimed there) with one debug line, and
// taken again once it is private.
TEST(BusRoot, ForeignOrWritableRootIsRefused) {
  TempBusRoot root;
  const TGuid& cls = *InterfaceClass(2);
  auto device = PublishedDevice::Publish(root.Path(), cls, "dev", nullptr);
  ASSERT_TRUE(device);
  struct Case {
    mode_t mode;
    uid_t owner;
    const char* why;
  } cases[] = {
      {0700, getuid(), nullptr},
      {0770, getuid(), "writable by group or others"},
      {0702, getuid(), "writable by group or others"},
      {0700, getuid() + 1, "owned by another user"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    if (chown(root.Path().c_str(), c.owner, static_cast<gid_t>(-1)) != 0) {
      std::printf("skipped: a root owned by another user cannot be made here\n");
      continue;
    }
    ASSERT_EQ(chmod(root.Path().c_str(), c.mode), 0);
    DebugCapture debug;
    bool trusted = c.why == nullptr;
    EXPECT_EQ(vbus::DeviceInterfaceSet(cls).Count(), trusted ? 1u : 0u);
    THandle h = vbus::CreateFile(device->PipePath(Pipe::Reply).c_str());
    EXPECT_EQ(h != kInvalidHandle, trusted);
    CloseHandle(h);
    THandle claim;
    EXPECT_EQ(CreateClaim("c", &claim) == ClaimResult::Created, trusted);
    CloseHandle(claim);
    auto lines = debug.Lines();
    if (trusted) {
      EXPECT_TRUE(lines.empty());
    } else {
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_EQ(lines[0], "Bus root " + root.Path() + " refused: " + c.why + "\n");
    }
    ASSERT_EQ(chown(root.Path().c_str(), getuid(), static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(chmod(root.Path().c_str(), 0700), 0);
    EXPECT_EQ(vbus::DeviceInterfaceSet(cls).Count(), 1u);
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
  THandle pipe = vbus::CreateFile(device->PipePath(Pipe::Reply).c_str());
  EXPECT_NE(pipe, kInvalidHandle);
  CloseHandle(pipe);
}

}  // namespace
