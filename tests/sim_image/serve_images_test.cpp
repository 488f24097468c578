// Images and exposure timing of the running device server, read through real
// sockets with the library's bus client. (Image faults are read by the
// driver's readout tests.)
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "image/scene.h"
#include "platform/vbus_host.h"
#include "sim/sim_test_support.h"
#include "sim_image/reference_decoder.h"

namespace tqsim {
namespace {

namespace vbus = platform::vbus;
using Clock = std::chrono::steady_clock;

constexpr const char* kConfig = R"({"cameras": [
  {"name": "g3-small", "class": 1, "product_id": "0x0C00", "camera_id": 501,
   "width": 320, "height": 240, "versions": ["0x0307", 1, 1, 2],
   "gps": {"latitude": -31.2754, "longitude": 149.0673, "altitude": 1165.0, "satellites": 9}},
  {"name": "g5-large", "class": 1, "product_id": "0x0C26", "camera_id": 503,
   "width": 6248, "height": 4176, "versions": ["0x0509", 1, 1, 3]}
]})";

class ServedImages : public ::testing::Test {
 protected:
  void Start(double timeScale) {
    ConfigResult config = ParseConfig(kConfig);
    ASSERT_TRUE(config.Ok()) << config.error;
    std::string error;
    paths_ = StartServer(server_, bus_.Root(), config.cameras, timeScale, &error);
    ASSERT_EQ(paths_.size(), config.cameras.size()) << error;
  }
  void TearDown() override {
    if (server_) server_->Stop();
  }

  // Writes a readout request and reads the whole image frame.
  static bool ReadImage(HostPipes& pipes, const Bytes& request, size_t expected, Bytes& image) {
    uint32_t done = 0;
    if (!vbus::WriteFile(pipes.command, request.data(), uint32_t(request.size()), &done))
      return false;
    image.assign(expected, 0);
    if (!vbus::ReadFile(pipes.image, image.data(), uint32_t(expected), &done)) return false;
    image.resize(done);
    return true;
  }
  static uint8_t Status(HostPipes& pipes) {
    uint8_t status = 0;
    uint32_t done = 0;
    return vbus::ReadFile(pipes.reply, &status, 1, &done) && done == 1 ? status : 0;
  }

  TempBus bus_;
  std::unique_ptr<DeviceServer> server_;
  std::vector<std::string> paths_;
};

TEST_F(ServedImages, ExposedSubFrameDecodesToTheCamerasSky) {
  Start(0);
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(paths_[0]));
  ASSERT_EQ(pipes.Transact({0x03, 1}), Bytes{kOk});  // 12-bit mode: two bytes per sample
  // Window at column 40, row 30, 100 x 80: column start counts from the right.
  Bytes image;
  ASSERT_TRUE(ReadImage(pipes, simtest::Window(0x0A, 320 - 100 - 40, 30, 100, 80, 8000, true), 16000, image));
  ASSERT_EQ(image.size(), 16000u);
  EXPECT_EQ(Status(pipes), kOk);

  image::SceneParams params;
  params.seed = 501;
  image::Scene scene(params, 320, 240);
  std::vector<double> expected = scene.Expected({40, 30, 100, 80, 1, 1}, {1.0, 1.0, 20.0, 0});
  simtest::Image got = simtest::DecodeGen2(image, 100, 80, false);
  // The top 12 bits of the sky, at most 4094.
  for (size_t p = 0; p < expected.size(); ++p) {
    double e = std::min(expected[p], 4094.0 * 16 + 8);
    double sigma = std::sqrt(36.0 + std::max(0.0, e - params.biasAdu));
    ASSERT_NEAR(got[p] * 16.0 + 8.0, e, 6.0 * sigma + 11.0) << p;
  }

  // A dark exposure: the shutter stays closed.
  ASSERT_TRUE(ReadImage(pipes, simtest::Window(0x0A, 0, 0, 320, 240, 8000, false), 320 * 240 * 2, image));
  EXPECT_EQ(Status(pipes), kOk);
  simtest::Image dark = simtest::DecodeGen2(image, 320, 240, false);
  EXPECT_LT(*std::max_element(dark.begin(), dark.end()) * 16, params.biasAdu + 60);
}

TEST_F(ServedImages, ExposureTakesItsTimeAtScaleOne) {
  Start(1.0);
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(paths_[0]));
  Bytes image;
  auto t0 = Clock::now();
  ASSERT_TRUE(ReadImage(pipes, simtest::Window(0x0A, 0, 0, 320, 240, 800, true), 320 * 240, image));  // 100 ms
  EXPECT_EQ(Status(pipes), kOk);
  EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(100));
  EXPECT_EQ(image.size(), 320u * 240);
}

TEST_F(ServedImages, LargestFrameArrivesAtScaleZero) {
  Start(0);
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(paths_[1]));
  ASSERT_EQ(pipes.Transact({0x03, 3}), Bytes{kOk});
  const size_t bytes = size_t{6248} * 4176 * 2;
  Bytes image;
  ASSERT_TRUE(ReadImage(pipes, simtest::Window(0x09, 0, 0, 6248, 4176), bytes, image));
  EXPECT_EQ(Status(pipes), kOk);
  EXPECT_EQ(image.size(), bytes);
}

}  // namespace
}  // namespace tqsim
