#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/peer_window.h"
#include "platform/window_registry.h"
#include "tqusb/runtime/os.h"
#include "tqusb/tqusb_events.h"

namespace {

constexpr std::uint32_t kAllInput = 0x04FF;

intptr_t IgnoreMessages(platform::PeerWindow*, unsigned, uintptr_t, intptr_t) {
  return 0;
}

class OsQueue : public testing::Test {
 protected:
  void SetUp() override {
    window_ = platform::CreatePeerWindow(IgnoreMessages, nullptr);
    ASSERT_NE(window_, nullptr);
    while (tqPumpEvents(0) != 0) {
    }
  }
  void TearDown() override { platform::DestroyPeerWindow(window_); }
  platform::PeerWindow* window_ = nullptr;
};

TEST_F(OsQueue, PostedMessageIsSeenUntilPumped) {
  EXPECT_TRUE(os::WindowsQueueEmpty());
  ASSERT_TRUE(platform::PostMessage(window_, 0x400, 1, 2));
  EXPECT_FALSE(os::WindowsQueueEmpty());
  EXPECT_EQ(os::MsgWaitForMultipleObjectsEx(0, nullptr, 0, kAllInput, 0), os::kWaitObject0);
  // A wait for no input kind ignores the message.
  EXPECT_EQ(os::MsgWaitForMultipleObjectsEx(0, nullptr, 1, 0, 0), os::kWaitTimeout);
  EXPECT_EQ(tqPumpEvents(0), 1u);
  EXPECT_TRUE(os::WindowsQueueEmpty());
  EXPECT_EQ(os::MsgWaitForMultipleObjectsEx(0, nullptr, 0, kAllInput, 0), os::kWaitTimeout);
}

TEST_F(OsQueue, EndlessWaitEndsWhenAnotherThreadPosts) {
  const auto start = std::chrono::steady_clock::now();
  std::thread poster([window = window_] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    platform::PostMessage(window, 0x400, 0, 0);
  });
  EXPECT_EQ(os::MsgWaitForMultipleObjectsEx(0, nullptr, os::kInfinite, kAllInput, 0),
            os::kWaitObject0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(15));
  poster.join();
  EXPECT_EQ(tqPumpEvents(0), 1u);
}

TEST_F(OsQueue, WaitsThatCannotEndFail) {
  void* handles[1] = {nullptr};
  EXPECT_EQ(os::MsgWaitForMultipleObjectsEx(1, handles, 0, kAllInput, 0), os::kWaitFailed);
  EXPECT_EQ(os::MsgWaitForMultipleObjectsEx(5, nullptr, 0, kAllInput, 0), os::kWaitFailed);
  EXPECT_EQ(os::MsgWaitForMultipleObjectsEx(0, nullptr, os::kInfinite, 0, 0), os::kWaitFailed);
}

}  // namespace
