// The image unit as the device server drives it: exposure-control requests,
// readouts with their timing, cached frames, faults and receiver replies.
#include "image/image_unit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

#include "sim_image/reference_decoder.h"

using namespace tqsim::image;
using namespace simtest;

namespace {

constexpr uint32_t kW = 64, kH = 48;

ImageUnitConfig Config() {
  ImageUnitConfig c;
  c.scene.starsPerPixel = 0;  // a flat sky makes integrated time easy to read back
  c.scene.skyRate = 400.0;
  c.utcAtClockZero = 1764851700.0;
  return c;
}

double MeanOf(const Image& img) {
  return std::accumulate(img.begin(), img.end(), 0.0) / img.size();
}

// Mean ADU of a flat frame that integrated `dark` seconds with `light` of them lit.
double FlatLevel(const ImageUnitConfig& c, double dark, double light, double temperature) {
  Scene s(c.scene, kW, kH);
  std::vector<double> e = s.Expected({0, 0, kW, kH, 1, 1}, {dark, light, temperature, 0});
  return std::accumulate(e.begin(), e.end(), 0.0) / e.size();
}

}  // namespace

TEST(ImageUnit, BeginAndEndExposureIntegrateTheTimeBetweenThem) {
  const ImageUnitConfig config = Config();
  ImageUnit unit(config, {3, 10, kW, kH, 8}, 0.0);
  unit.Observe(std::vector<uint8_t>{0x07, 0x01}, 1.0);
  unit.Observe(std::vector<uint8_t>{0x08, 0x00, 0x00}, 3.0);
  ImageAnswer a = unit.Readout(Window(0x09, 0, 0, kW, kH), {3, 16, 1, 1}, 4.0, 0.0);
  ASSERT_TRUE(a.reply.image);
  EXPECT_EQ(a.reply.image->size(), kW * kH * 2);
  EXPECT_TRUE(a.reply.hasStatus);
  EXPECT_EQ(a.reply.status, 0x80);
  EXPECT_EQ(a.exposureSeconds, 0.0);
  EXPECT_DOUBLE_EQ(a.readoutSeconds, kW * kH * 2 / config.readoutRate);
  // The camera sends the top 12 bits of each 16-bit level.
  Image img = DecodeGen2(*a.reply.image, kW, kH, false);
  EXPECT_NEAR(MeanOf(img) * 16 + 7.5, FlatLevel(config, 2.0, 2.0, 0.0), 16.0);
  EXPECT_GT(MeanOf(img) * 16, config.scene.biasAdu + 700.0);
}

TEST(ImageUnit, Generation1ShutterCommandsBoundTheLight) {
  const ImageUnitConfig config = Config();
  ImageUnit unit(config, {1, 3, kW, kH, 0}, 0.0);
  unit.Observe(std::vector<uint8_t>{0x04}, 0.0);
  unit.Observe(std::vector<uint8_t>{0x0C}, 1.0);
  unit.Observe(std::vector<uint8_t>{0x0D}, 3.0);
  ImageAnswer a = unit.Readout(Bytes({0, kH, 0, kW}, 0x0B), {1, 16, 1, 1}, 5.0, -5.0);
  EXPECT_FALSE(a.reply.hasStatus);
  Image img = DecodeGen1(*a.reply.image, kW, kH, Gen1Format::OneLE);
  EXPECT_NEAR(MeanOf(img), FlatLevel(config, 5.0, 2.0, -5.0), 1.0);
}

TEST(ImageUnit, ExposingRequestsReportTheirTimeAndStampTheirStart) {
  ImageUnit unit(Config(), {5, 14, kW, kH, 9}, 0.0);
  ImageAnswer a = unit.Readout(Window(0x0A, 0, 0, kW, kH, 800, true), {3, 16, 1, 1}, 10.0, 0.0);
  EXPECT_DOUBLE_EQ(a.exposureSeconds, 0.1);
  EXPECT_EQ(unit.TimeReply(0x2A, 20.0), TimeReply(GpsReceiver{}, 1764851710.0));
  EXPECT_EQ(unit.TimeReply(0x2B, 20.0), TimeReply(GpsReceiver{}, 1764851720.0));
}

TEST(ImageUnit, RefusedRequestsAndFaults) {
  ImageUnit gen3(Config(), {3, 10, kW, kH, 8}, 0.0);
  // Malformed readout request: no pixels, failure status.
  auto bad = gen3.Readout(std::vector<uint8_t>{0x09, 0, 0}, {3, 16, 1, 1}, 1.0, 0.0);
  EXPECT_EQ(bad.reply.sendBytes, 0u);
  EXPECT_TRUE(bad.reply.hasStatus);
  EXPECT_EQ(bad.reply.status, 0x82);

  ImageUnitConfig noWindows = Config();
  noWindows.subFrames = false;
  ImageUnit gen0(noWindows, {0, 17, kW, kH, 0}, 0.0);
  auto refused = gen0.Readout(Bytes({0, 0, 20, 20}, 0x07), {0, 16, 1, 1}, 1.0, 0.0);
  EXPECT_EQ(refused.reply.sendBytes, 0u);
  EXPECT_FALSE(refused.reply.hasStatus);
  auto whole = gen0.Readout(std::vector<uint8_t>{0x04}, {0, 16, 1, 1}, 2.0, 0.0);
  EXPECT_EQ(whole.reply.sendBytes, (kW + 2) * 4u * (kH + 4));
}
