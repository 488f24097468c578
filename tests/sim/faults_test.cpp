// Fault commands as the control interface takes them.
#include "server/faults.h"

#include <gtest/gtest.h>

namespace tqsim {
namespace {

TEST(SimFaults, CommandsSetThePlan) {
  FaultPlan plan;
  EXPECT_EQ(ApplyFaultCommand(plan, {"status", "0x83"}), "");
  EXPECT_EQ(plan.status, 0x83);
  EXPECT_EQ(plan.statusCount, 1u);
  EXPECT_EQ(ApplyFaultCommand(plan, {"status", "129", "4"}), "");
  EXPECT_EQ(plan.status, 0x81);
  EXPECT_EQ(plan.statusCount, 4u);
  EXPECT_EQ(ApplyFaultCommand(plan, {"delay", "250"}), "");
  EXPECT_EQ(plan.delayMs, 250);
  EXPECT_EQ(plan.delayCount, 0u);
  EXPECT_EQ(ApplyFaultCommand(plan, {"close-reply"}), "");
  EXPECT_EQ(ApplyFaultCommand(plan, {"close-image"}), "");
  EXPECT_EQ(ApplyFaultCommand(plan, {"unplug-after", "3"}), "");
  EXPECT_EQ(plan.unplugAfter, 3u);
  EXPECT_EQ(DescribeFaults(plan),
            "status 0x81 x4, delay 250 ms, close-reply, close-image, unplug after 3");
  EXPECT_EQ(ApplyFaultCommand(plan, {"clear"}), "");
  EXPECT_FALSE(plan.Any());
  EXPECT_EQ(DescribeFaults(plan), "none");
}

TEST(SimFaults, BadCommandsChangeNothing) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"status"},
      {"status", "256"},
      {"status", "0x84", "0"},
      {"status", "-1"},
      {"status", "0x84", "1", "2"},
      {"delay"},
      {"delay", "ten"},
      {"delay", "600001"},
      {"unplug-after", "0"},
      {"unplug-after"},
      {"close-reply", "now"},
      {"explode"},
  };
  for (const auto& words : bad) {
    FaultPlan plan;
    EXPECT_NE(ApplyFaultCommand(plan, words), "") << (words.empty() ? "" : words[0]);
    EXPECT_FALSE(plan.Any());
  }
}

}  // namespace
}  // namespace tqsim
