// Images, exposure timing, receiver replies and image faults of the running
// device server, read through real sockets with the library's bus client.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <sstream>

#include "core/model_config.h"
#include "image/gps_reply.h"
#include "image/scene.h"
#include "platform/usb_bus.h"
#include "server/device_server.h"
#include "sim/sim_test_support.h"
#include "sim_image/reference_decoder.h"

namespace tqsim {
namespace {

namespace usb = platform::usb;
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
  void Start(double timeScale, bool cachedFrames = false) {
    ConfigResult config = ParseConfig(kConfig);
    ASSERT_TRUE(config.Ok()) << config.error;
    models_ = config.cameras;
    ServerOptions options;
    options.root = bus_.Root();
    options.cameras = config.cameras;
    options.timeScale = timeScale;
    options.cachedFrames = cachedFrames;
    server_ = std::make_unique<DeviceServer>(options);
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
    std::istringstream list(server_->Control("list"));
    std::string line;
    std::getline(list, line);
    while (std::getline(list, line)) paths_.push_back(line.substr(line.rfind(' ') + 1));
    ASSERT_EQ(paths_.size(), models_.size());
  }
  void TearDown() override {
    if (server_) server_->Stop();
  }

  // Writes a readout request and reads the whole image frame.
  static bool ReadImage(HostPipes& pipes, const Bytes& request, size_t expected, Bytes& image) {
    uint32_t done = 0;
    if (!usb::WriteFile(pipes.command, request.data(), uint32_t(request.size()), &done))
      return false;
    image.assign(expected, 0);
    if (!usb::ReadFile(pipes.image, image.data(), uint32_t(expected), &done)) return false;
    image.resize(done);
    return true;
  }
  static uint8_t Status(HostPipes& pipes) {
    uint8_t status = 0;
    uint32_t done = 0;
    return usb::ReadFile(pipes.reply, &status, 1, &done) && done == 1 ? status : 0;
  }
  static Bytes Window09(uint8_t opcode, int cs, int rs, int w, int h) {
    return {opcode,           0,          uint8_t(cs),     uint8_t(cs >> 8), uint8_t(rs),
            uint8_t(rs >> 8), uint8_t(w), uint8_t(w >> 8), uint8_t(h),       uint8_t(h >> 8)};
  }
  static Bytes Expose0A(int cs, int rs, int w, int h, uint32_t units, bool shutter) {
    Bytes r = Window09(0x0A, cs, rs, w, h);
    r[1] = shutter;
    for (int i = 0; i < 4; ++i) r.push_back(uint8_t(units >> (8 * i)));
    return r;
  }

  TempBus bus_;
  std::unique_ptr<DeviceServer> server_;
  std::vector<CameraModel> models_;
  std::vector<std::string> paths_;
};

TEST_F(ServedImages, ExposedSubFrameDecodesToTheCamerasSky) {
  Start(0);
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(paths_[0]));
  ASSERT_EQ(pipes.Transact({0x03, 1}), Bytes{kOk});  // 12-bit mode: 16-bit samples
  // Window at column 40, row 30, 100 x 80: column start counts from the right.
  Bytes image;
  ASSERT_TRUE(ReadImage(pipes, Expose0A(320 - 100 - 40, 30, 100, 80, 8000, true), 16000, image));
  ASSERT_EQ(image.size(), 16000u);
  EXPECT_EQ(Status(pipes), kOk);

  image::SceneParams params;
  params.seed = 501;
  image::Scene scene(params, 320, 240);
  std::vector<double> expected = scene.Expected({40, 30, 100, 80, 1, 1}, {1.0, 1.0, 20.0, 0});
  simtest::Image got = simtest::DecodeGen2(image, 100, 80, false);
  for (size_t p = 0; p < expected.size(); ++p) {
    double e = std::min(expected[p], 65535.0);
    double sigma = std::sqrt(36.0 + std::max(0.0, e - params.biasAdu));
    ASSERT_NEAR(got[p], e, 6.0 * sigma + 3.0) << p;
  }

  // A dark exposure: the shutter stays closed.
  ASSERT_TRUE(ReadImage(pipes, Expose0A(0, 0, 320, 240, 8000, false), 320 * 240 * 2, image));
  EXPECT_EQ(Status(pipes), kOk);
  simtest::Image dark = simtest::DecodeGen2(image, 320, 240, false);
  EXPECT_LT(*std::max_element(dark.begin(), dark.end()), params.biasAdu + 60);
}

TEST_F(ServedImages, ExposureTakesItsTimeAtScaleOne) {
  Start(1.0);
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(paths_[0]));
  Bytes image;
  auto t0 = Clock::now();
  ASSERT_TRUE(ReadImage(pipes, Expose0A(0, 0, 320, 240, 800, true), 320 * 240, image));  // 100 ms
  EXPECT_EQ(Status(pipes), kOk);
  EXPECT_GE(Clock::now() - t0, std::chrono::milliseconds(100));
  EXPECT_EQ(image.size(), 320u * 240);
}

TEST_F(ServedImages, LargestFrameAtScaleZeroLiveAndCached) {
  for (bool cached : {false, true}) {
    SCOPED_TRACE(cached ? "cached" : "live");
    Start(0, cached);
    HostPipes pipes;
    ASSERT_TRUE(pipes.Open(paths_[1]));
    ASSERT_EQ(pipes.Transact({0x03, 3}), Bytes{kOk});
    const size_t bytes = size_t{6248} * 4176 * 2;
    Bytes image;
    // Live: every readout renders the scene; cached: only the first.
    for (int round = 0; round < (cached ? 2 : 1); ++round) {
      auto t0 = Clock::now();
      ASSERT_TRUE(ReadImage(pipes, Window09(0x09, 0, 0, 6248, 4176), bytes, image));
      EXPECT_EQ(Status(pipes), kOk);
      ASSERT_EQ(image.size(), bytes);
      RecordProperty(std::string(cached ? "cached" : "live") + "_ms_" + std::to_string(round),
                     int(std::chrono::duration<double, std::milli>(Clock::now() - t0).count()));
    }
    pipes.Close();
    server_->Stop();
    server_.reset();
    paths_.clear();
  }
}

TEST_F(ServedImages, ReceiverRepliesCarryTheConfiguredPositionAndTheClock) {
  Start(1.0);
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(paths_[0]));
  Bytes position = pipes.Transact({0x2C});
  ASSERT_GE(position.size(), 13u);
  EXPECT_EQ(position[0], kOk);
  std::string text(position.begin() + 2, position.end());
  EXPECT_NE(text.find(",3116.5240,S,14904.0380,E,1,09,"), std::string::npos) << text;
  EXPECT_NE(text.find(",1165.0,"), std::string::npos) << text;

  Bytes frequency = pipes.Transact({0x2D});
  ASSERT_EQ(frequency.size(), 5u);
  const double period = 1.0 / GetU32(frequency, 1);
  Bytes now = pipes.Transact({0x2B});
  double wall =
      std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
  ASSERT_GE(now.size(), 20u);
  ASSERT_EQ(now.size(), 10u + now[9]);
  std::string stamp(now.begin() + 10, now.end());
  // hhmmss.ss,dd,mm,yyyy of the UTC day of the wall clock.
  image::UtcTime utc = image::UtcFromUnix(wall);
  char date[16];
  std::snprintf(date, sizeof date, ",%02d,%02d,%04d", utc.day, utc.month, utc.year);
  double hms = std::stod(stamp.substr(0, stamp.find(',')));
  double secondsOfDay = int(hms / 10000) * 3600 + int(hms / 100) % 100 * 60 +
                        std::fmod(hms, 100.0) + GetU32(now, 5) + GetU32(now, 1) * period;
  double wallOfDay = utc.hour * 3600 + utc.minute * 60 + utc.second;
  // (Across midnight the two days differ and the comparison is skipped.)
  if (stamp.substr(stamp.find(',')) == date) {
    EXPECT_NEAR(secondsOfDay, wallOfDay, 1.0) << stamp;
  }
}

TEST_F(ServedImages, ImageFaultsCutShortenAndFailTheTransfer) {
  Start(0);
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(paths_[0]));
  const Bytes request = Window09(0x09, 0, 0, 320, 240);  // 8-bit default mode
  Bytes image;
  ASSERT_EQ(server_->Control("fault g3-small image-short 100"), "ok\n");
  ASSERT_TRUE(ReadImage(pipes, request, 320 * 240, image));
  EXPECT_EQ(image.size(), 320u * 240 - 100);
  EXPECT_EQ(Status(pipes), kOk);

  ASSERT_EQ(server_->Control("fault g3-small image-status 0x84"), "ok\n");
  ASSERT_TRUE(ReadImage(pipes, request, 320 * 240, image));
  EXPECT_EQ(image.size(), 320u * 240);
  EXPECT_EQ(Status(pipes), 0x84);

  // The fault lasts one transfer.
  ASSERT_TRUE(ReadImage(pipes, request, 320 * 240, image));
  EXPECT_EQ(Status(pipes), kOk);

  ASSERT_EQ(server_->Control("fault g3-small image-cut 1000"), "ok\n");
  EXPECT_FALSE(ReadImage(pipes, request, 320 * 240, image));
}

}  // namespace
}  // namespace tqsim

namespace tqsim {
namespace {

TEST(ImageConfig, ImageAndReceiverKeysReachTheModel) {
  ConfigResult ok = ParseConfig(R"({"cameras": [{"name": "a", "class": 4, "width": 64,
    "height": 32, "image": {"seed": 9, "readout_rate": 1e6, "cached_frames": true,
    "sky_rate": 3.5, "star_flux": [10, 1000], "output_levels": [1, -2, 3, -4]},
    "gps": {"fix": false, "latitude": -12.5, "counter_frequency": 1000000}}]})");
  ASSERT_TRUE(ok.Ok()) << ok.error;
  const ImageModel& m = ok.cameras[0].image;
  EXPECT_EQ(m.seed, 9u);
  EXPECT_EQ(m.readoutRate, 1e6);
  EXPECT_TRUE(m.cachedFrames);
  EXPECT_EQ(m.scene.skyRate, 3.5);
  EXPECT_EQ(m.scene.maxStarFlux, 1000.0);
  EXPECT_EQ(m.outputLevels[3], -4);
  EXPECT_FALSE(m.gps.fix);
  EXPECT_EQ(m.gps.latitude, -12.5);
  EXPECT_EQ(m.gps.counterFrequency, 1000000u);

  for (const char* bad : {R"("image": {"seed": -1})", R"("image": {"gain": 0})",
                          R"("image": {"output_levels": [1, 2]})", R"("image": {"sky": 1})",
                          R"("gps": {"latitude": 91})", R"("gps": {"present": 1})"}) {
    std::string text = std::string(R"({"cameras": [{"name": "a", "class": 4, "width": 8, )") +
                       R"("height": 8, )" + bad + "}]}";
    EXPECT_FALSE(ParseConfig(text).Ok()) << bad;
  }
}

}  // namespace
}  // namespace tqsim
