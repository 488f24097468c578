// End to end against the simulator: what a dying device, a race between two
// programs or a careless host must not do to the library: hang a readout,
// lose a camera, crash, or send samples beyond the announced range.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "driver/camera/camera.h"
#include "support/simulator.h"
#include "tqusb/tqusb.h"

namespace {

using tQusb::CCamera;

class HardeningE2e : public tqtest::SimulatorTest {};

// The readout request is the one whose reply connection the device closes:
// the image read, which has no timeout of its own, must notice.
TEST_F(HardeningE2e, ReadoutEndsWhenTheReplyConnectionCloses) {
  CCamera* camera = Open(1103);
  ASSERT_TRUE(camera->IsConnected());
  Control({"fault", "1103", "close-reply"});
  std::vector<uint16_t> pixels(64 * 64);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(GetImage16b(camera, 0, 0, 64, 64, uint32_t(pixels.size() * 2), pixels.data()));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(camera->IsConnected());
}

// Each program reads the id of the other's camera under its claim for a
// moment on its way; both must still connect.
TEST_F(HardeningE2e, TwoProcessesOpeningTwoCamerasAtOnceBothConnect) {
  for (int run = 0; run < 50; ++run) {
    auto first = Helper({"open", "13020"});
    auto second = Helper({"open", "14021"});
    EXPECT_EQ(first->ReadLine(), "connected") << "run " << run;
    EXPECT_EQ(second->ReadLine(), "connected") << "run " << run;
    first->CloseInput();
    second->CloseInput();
    first->Wait();
    second->Wait();
  }
}

// One handle used from two threads at once: the calls take turns.
TEST_F(HardeningE2e, TwoThreadsReadingOneHandleTakeTurns) {
  CCamera* camera = Open(1103);
  ASSERT_TRUE(camera->IsConnected());
  auto reader = [camera](int* failures) {
    std::vector<uint16_t> pixels(128 * 96);
    for (int i = 0; i < 10; ++i)
      if (!GetImage16b(camera, 8, 8, 128, 96, uint32_t(pixels.size() * 2), pixels.data()))
        ++*failures;
  };
  int failures[2] = {0, 0};
  std::thread a(reader, &failures[0]), b(reader, &failures[1]);
  a.join();
  b.join();
  EXPECT_EQ(failures[0] + failures[1], 0) << LastError(camera);
}

TEST_F(HardeningE2e, MissingImageBufferIsTooSmallInEveryGeneration) {
  for (uint32_t id : {9017u, 2003u, 1103u}) {
    SCOPED_TRACE(id);
    CCamera* camera = Open(id);
    ASSERT_TRUE(camera->IsConnected());
    EXPECT_FALSE(GetImage16b(camera, 0, 0, 16, 16, 512, nullptr));
    EXPECT_EQ(LastError(camera), "Buffer too small");
    EXPECT_TRUE(camera->IsConnected());
  }
}

// Read modes of generations 2 to 5 announce their largest pixel value;
// an exposed frame with saturated stars reaches it and never goes beyond.
TEST_F(HardeningE2e, SamplesStayWithinTheAnnouncedLargestValue) {
  CCamera* camera = Open(1103);
  ASSERT_TRUE(camera->IsConnected());
  for (uint32_t mode : {1u, 0u}) {  // 12-bit, 8-bit
    ASSERT_TRUE(SetReadMode(camera, mode));
    uint32_t largest = 0;
    ASSERT_TRUE(GetIntegerParameter(camera, 17, &largest));
    std::vector<uint16_t> pixels(1280 * 1024);
    ASSERT_TRUE(GetImageExposure16b(camera, 30.0, true, 0, 0, 1280, 1024,
                                    uint32_t(pixels.size() * 2), pixels.data()))
        << LastError(camera);
    EXPECT_EQ(*std::max_element(pixels.begin(), pixels.end()), largest) << "mode " << mode;
  }
}

}  // namespace
