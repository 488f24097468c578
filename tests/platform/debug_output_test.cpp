// Debug output without a sink of the host's: standard error, only with
// TQUSB_DEBUG set. (A host's sink gets the lines as given: the bus tests
// compare them; the module's file name finds the settings beside the
// library, tested end to end.)
#include <gtest/gtest.h>
#include <stdlib.h>

#include "common/debug_capture.h"
#include "platform/debug_output.h"
#include "tqusb/tqusb_events.h"

namespace {

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
    platform::DebugOutput(nullptr);  // no line: nothing
    platform::DebugOutput("line\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.printed ? "line\n" : "")
        << (c.value ? c.value : "(unset)");
  }
  unsetenv("TQUSB_DEBUG");
  DebugCapture sink;
  platform::DebugOutput(nullptr);
  EXPECT_TRUE(sink.Lines().empty());
}

}  // namespace
