// Debug output routing and the module's identity.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/debug_capture.h"
#include "platform/debug_output.h"
#include "platform/module_info.h"
#include "tqusb_version.h"

namespace {

TEST(DebugOutput, SinkGetsTheLinesAsGiven) {
  DebugCapture capture;
  platform::DebugOutput("Command Write FAIL 13\n");
  platform::DebugOutput(nullptr);
  platform::DebugOutput("GetCameraInfo USB Read FAIL\n");
  EXPECT_EQ(capture.Lines(),
            (std::vector<std::string>{"Command Write FAIL 13\n", "GetCameraInfo USB Read FAIL\n"}));
}

TEST(DebugOutput, DefaultIsStandardErrorOnlyWithTqusbDebug) {
  struct Case {
    const char* value;  // null: unset
    bool printed;
  } cases[] = {{"1", true}, {"0", false}, {"", false}, {nullptr, false}};
  for (const Case& c : cases) {
    if (c.value)
      setenv("TQUSB_DEBUG", c.value, 1);
    else
      unsetenv("TQUSB_DEBUG");
    tqSetDebugOutput(nullptr, nullptr);
    testing::internal::CaptureStderr();
    platform::DebugOutput("line\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.printed ? "line\n" : "")
        << (c.value ? c.value : "(unset)");
  }
  unsetenv("TQUSB_DEBUG");
}

TEST(ModuleInfo, FileNameAndVersion) {
  std::string path = platform::ModuleFileName();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path[0], '/');
  EXPECT_TRUE(std::filesystem::exists(path));
  platform::TModuleVersion v = platform::ModuleVersion();
  EXPECT_EQ(v.major, TQUSB_VERSION_MAJOR);
  EXPECT_EQ(v.minor, TQUSB_VERSION_MINOR);
  EXPECT_EQ(v.release, TQUSB_VERSION_PATCH);
}

}  // namespace
