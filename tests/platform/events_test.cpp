// Thread event queues: peer windows with posted messages, timers and device
// notices delivered on their own thread when it pumps; notify queues used
// across threads.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "busdevice/published_device.h"
#include "common/bus_test_device.h"
#include "common/temp_bus_root.h"
#include "platform/peer_window.h"
#include "platform/thread_queue.h"
#include "platform/vbus_layout.h"
#include "platform/vbus_notices.h"
#include "platform/window_registry.h"
#include "tqusb/tqusb_events.h"

namespace {

using namespace platform;

struct Received {
  std::thread::id thread;
  unsigned message;
  uintptr_t wParam;
  std::string name;   // device path of a notice
  TGuid classGuid{};  // class of a notice
  uint32_t deviceType = 0;
};

// Records every message of the windows that carry it as user data.
struct Recorder {
  std::vector<Received> got;

  static intptr_t Procedure(PeerWindow* window, unsigned message, uintptr_t wParam,
                            intptr_t lParam) {
    auto* self = static_cast<Recorder*>(GetWindowUserData(window));
    Received r{std::this_thread::get_id(), message, wParam, {}, {}, 0};
    if (message == kMsgDeviceChange) {
      auto* notice = reinterpret_cast<const TDeviceInterfaceNotice*>(lParam);
      r.name = notice->Name;
      r.classGuid = notice->ClassGuid;
      r.deviceType = notice->DeviceType;
    }
    self->got.push_back(r);
    return 0;
  }
};

bool EventFdReadable() {
  pollfd p{tqEventFd(), POLLIN, 0};
  return poll(&p, 1, 0) == 1;
}

// Pumps until `count` messages were dispatched or a generous limit passed.
void PumpFor(size_t count, const Recorder& recorder) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (recorder.got.size() < count && std::chrono::steady_clock::now() < end) tqPumpEvents(100);
}

class DeviceNotices : public ::testing::Test {
 protected:
  void SetUp() override {
    tqPumpEvents(0);  // nothing left over from earlier tests
    window_ = CreatePeerWindow(&Recorder::Procedure, &recorder_);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override { DestroyPeerWindow(window_); }

  TempBusRoot root_;
  Recorder recorder_;
  PeerWindow* window_ = nullptr;
};

// Arrival and removal reaching a camera are the camera notices' tests; here
// what the queue itself promises: nothing before the pump, the event
// descriptor, the notice's fields.
TEST_F(DeviceNotices, PublishGivesOneNoticeWhenPumped) {
  TDeviceNotify notify = RegisterDeviceNotification(window_, BusClass(2));
  ASSERT_NE(notify, 0u);
  auto device = busdevice::PublishedDevice::Publish(root_.Path(), BusClass(2), "vid_1&pid_2#n1", nullptr);
  ASSERT_TRUE(device);
  ASSERT_TRUE(WaitThreadEvents(5000));
  EXPECT_TRUE(recorder_.got.empty());  // nothing is delivered until the thread pumps
  EXPECT_TRUE(EventFdReadable());
  EXPECT_EQ(tqPumpEvents(1000), 1u);
  EXPECT_FALSE(EventFdReadable());
  EXPECT_EQ(tqPumpEvents(50), 0u);
  ASSERT_EQ(recorder_.got.size(), 1u);
  const Received& r = recorder_.got[0];
  EXPECT_EQ(r.thread, std::this_thread::get_id());
  EXPECT_EQ(r.message, kMsgDeviceChange);
  EXPECT_EQ(r.wParam, kDeviceArrival);
  EXPECT_EQ(r.deviceType, kDeviceTypeInterface);
  EXPECT_EQ(r.name, device->DevicePath());
  EXPECT_EQ(r.classGuid, BusClass(2));
  EXPECT_TRUE(UnregisterDeviceNotification(notify));
  EXPECT_FALSE(UnregisterDeviceNotification(notify));
}

TEST_F(DeviceNotices, OnlyRegisteredClassesAndDeviceDirectoriesCount) {
  std::string classDir = vbus::ClassDirectory(root_.Path(), BusClass(1));
  ASSERT_TRUE(vbus::EnsureDirectory(classDir));
  TDeviceNotify notify = RegisterDeviceNotification(window_, BusClass(1));
  ASSERT_NE(notify, 0u);
  auto other = busdevice::PublishedDevice::Publish(root_.Path(), BusClass(3), "other", nullptr);
  ASSERT_EQ(mkdir((classDir + "/Upper").c_str(), 0700), 0);  // not a device name
  ASSERT_EQ(mkdir((classDir + "/plain").c_str(), 0700), 0);  // created in place
  ASSERT_EQ(rmdir((classDir + "/plain").c_str()), 0);
  PumpFor(2, recorder_);
  EXPECT_EQ(tqPumpEvents(50), 0u);
  ASSERT_EQ(recorder_.got.size(), 2u);
  EXPECT_EQ(recorder_.got[0].wParam, kDeviceArrival);
  EXPECT_EQ(recorder_.got[0].name, vbus::MakeDevicePath("plain", BusClass(1)));
  EXPECT_EQ(recorder_.got[1].wParam, kDeviceRemoveComplete);
  UnregisterDeviceNotification(notify);
}

TEST_F(DeviceNotices, RootAndClassDirectoryMayAppearLater) {
  std::string late = root_.Path() + "/later/bus";
  setenv("TQUSB_BUS_DIR", late.c_str(), 1);
  TDeviceNotify notify = RegisterDeviceNotification(window_, BusClass(14));
  ASSERT_NE(notify, 0u);
  auto device = busdevice::PublishedDevice::Publish(late, BusClass(14), "late", nullptr);
  ASSERT_TRUE(device);
  PumpFor(1, recorder_);
  EXPECT_EQ(tqPumpEvents(50), 0u);
  ASSERT_EQ(recorder_.got.size(), 1u);
  EXPECT_EQ(recorder_.got[0].name, device->DevicePath());
  UnregisterDeviceNotification(notify);
  device->Remove();
  EXPECT_EQ(tqPumpEvents(50), 0u);  // no longer registered
}

// Each registration gets the notice on the thread that registered it; a
// destroyed window's registration ends with it.
TEST_F(DeviceNotices, EveryRegistrationGetsItsNoticeOnItsOwnThread) {
  Recorder second, workerRecorder;
  PeerWindow* other = CreatePeerWindow(&Recorder::Procedure, &second);
  RegisterDeviceNotification(window_, BusClass(7));
  RegisterDeviceNotification(other, BusClass(7));
  std::atomic<bool> registered{false};
  std::thread worker([&] {
    PeerWindow* w = CreatePeerWindow(&Recorder::Procedure, &workerRecorder);
    RegisterDeviceNotification(w, BusClass(7));
    registered = true;
    PumpFor(1, workerRecorder);
    DestroyPeerWindow(w);
  });
  while (!registered) std::this_thread::yield();
  auto device = busdevice::PublishedDevice::Publish(root_.Path(), BusClass(7), "both", nullptr);
  worker.join();
  PumpFor(1, second);
  PumpFor(1, recorder_);
  EXPECT_EQ(tqPumpEvents(50), 0u);
  ASSERT_EQ(recorder_.got.size(), 1u);
  EXPECT_EQ(recorder_.got[0].thread, std::this_thread::get_id());
  EXPECT_EQ(second.got.size(), 1u);
  ASSERT_EQ(workerRecorder.got.size(), 1u);
  EXPECT_NE(workerRecorder.got[0].thread, std::this_thread::get_id());
  DestroyPeerWindow(other);
  device->Remove();
  PumpFor(2, recorder_);
  EXPECT_EQ(recorder_.got.size(), 2u);
  EXPECT_EQ(second.got.size(), 1u);
}

TEST(PeerWindows, TimersTickOnlyWhilePumpedAndStopWhenKilled) {
  tqPumpEvents(0);
  Recorder recorder;
  PeerWindow* window = CreatePeerWindow(&Recorder::Procedure, &recorder);
  ASSERT_TRUE(SetTimer(window, 1, 20));
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  EXPECT_TRUE(recorder.got.empty());
  EXPECT_EQ(tqPumpEvents(0), 1u);  // the due ticks count as one
  ASSERT_EQ(recorder.got.size(), 1u);
  EXPECT_EQ(recorder.got[0].message, kMsgTimer);
  EXPECT_EQ(recorder.got[0].wParam, 1u);
  PumpFor(3, recorder);
  EXPECT_EQ(recorder.got.size(), 3u);
  ASSERT_TRUE(KillTimer(window, 1));
  EXPECT_FALSE(KillTimer(window, 1));
  EXPECT_EQ(tqPumpEvents(80), 0u);
  // A tick that is due when the window is destroyed is not delivered.
  ASSERT_TRUE(SetTimer(window, 2, 10));
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  ASSERT_TRUE(DestroyPeerWindow(window));
  EXPECT_EQ(tqPumpEvents(30), 0u);
  EXPECT_FALSE(SetTimer(window, 1, 10));
  EXPECT_EQ(recorder.got.size(), 3u);
}

// An endless pump waits for the first post; posts from another thread are
// dispatched in order on the owning thread.
TEST(PeerWindows, PostsFromOtherThreadsWakeThePumpAndArriveOnTheOwningThread) {
  tqPumpEvents(0);
  Recorder recorder;
  PeerWindow* window = CreatePeerWindow(&Recorder::Procedure, &recorder);
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (unsigned i = 0; i < 5; ++i) EXPECT_TRUE(PostMessage(window, 0x400 + i, i, 0));
  });
  EXPECT_GE(tqPumpEvents(TQ_INFINITE), 1u);
  poster.join();
  tqPumpEvents(0);
  EXPECT_TRUE(ThreadQueueEmpty());
  ASSERT_EQ(recorder.got.size(), 5u);
  for (unsigned i = 0; i < 5; ++i) {
    EXPECT_EQ(recorder.got[i].message, 0x400 + i);
    EXPECT_EQ(recorder.got[i].thread, std::this_thread::get_id());
  }
  PostMessage(window, 0x500, 0, 0);
  DestroyPeerWindow(window);  // the queued message is dropped
  EXPECT_EQ(tqPumpEvents(0), 0u);
  EXPECT_FALSE(PostMessage(window, 0x400, 0, 0));
  EXPECT_FALSE(DestroyPeerWindow(window));
  EXPECT_EQ(GetWindowUserData(window), nullptr);
  EXPECT_EQ(CreatePeerWindow(nullptr, nullptr), nullptr);
}

TEST(NotifyQueues, MessagesAcrossThreadsInOrder) {
  void* queue = tqCreateNotifyWindow();
  ASSERT_NE(queue, nullptr);
  constexpr unsigned kCount = 200;
  std::thread producer([&] {
    for (unsigned i = 0; i < kCount; ++i)
      PostMessage(queue, i % 2 ? TQ_MSG_CAMERA_NOT_CONNECTED : TQ_MSG_CAMERA_CONNECTED, 0,
                  static_cast<intptr_t>(i));
  });
  for (unsigned i = 0; i < kCount; ++i) {
    unsigned message = 0;
    uint64_t wparam = 9, lparam = 0;
    ASSERT_TRUE(tqGetNotifyMessage(queue, 5000, &message, &wparam, &lparam));
    EXPECT_EQ(message, i % 2 ? 0x40Bu : 0x40Au);
    EXPECT_EQ(wparam, 0u);
    EXPECT_EQ(lparam, i);
  }
  producer.join();
  EXPECT_FALSE(tqGetNotifyMessage(queue, 20, nullptr, nullptr, nullptr));
  tqDestroyNotifyWindow(queue);
  EXPECT_FALSE(PostMessage(queue, 0x40A, 0, 0));
  EXPECT_FALSE(tqGetNotifyMessage(queue, 0, nullptr, nullptr, nullptr));
  tqDestroyNotifyWindow(queue);  // twice: ignored
}

TEST(NotifyQueues, DestroyWakesAWaiterAndBadHandlesAreRefused) {
  void* queue = tqCreateNotifyWindow();
  std::atomic<int> result{-1};
  std::thread waiter(
      [&] { result = tqGetNotifyMessage(queue, TQ_INFINITE, nullptr, nullptr, nullptr); });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  tqDestroyNotifyWindow(queue);
  waiter.join();
  EXPECT_EQ(result, 0);
  int notAQueue = 0;
  EXPECT_FALSE(tqGetNotifyMessage(&notAQueue, 0, nullptr, nullptr, nullptr));
  EXPECT_FALSE(tqGetNotifyMessage(nullptr, 0, nullptr, nullptr, nullptr));
  tqDestroyNotifyWindow(&notAQueue);
  tqDestroyNotifyWindow(nullptr);
  // A peer window is not the host's to destroy.
  Recorder recorder;
  PeerWindow* window = CreatePeerWindow(&Recorder::Procedure, &recorder);
  tqDestroyNotifyWindow(window);
  EXPECT_TRUE(PostMessage(window, 0x400, 0, 0));
  EXPECT_TRUE(DestroyPeerWindow(window));
}

}  // namespace
