// Debug output routing and the module's identity.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/debug_capture.h"
#include "platform/debug_output.h"
#include "platform/module_info.h"

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

TEST(ModuleInfo, FileNameIsThisModule) {
  std::string path = platform::ModuleFileName();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
