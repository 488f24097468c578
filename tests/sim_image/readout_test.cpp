// Decodes what the simulated cameras send with the reference decoder and
// compares it with the scene: whole frames against sub-frames, the four
// outputs of kind 4, camera-side binning, invalid windows.
#include "image/readout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "image/frame_cache.h"
#include "sim_image/reference_decoder.h"

using namespace tqsim::image;
using namespace simtest;

namespace {

struct Area {
  int x, y, w, h;  // scene coordinates (binned pixels on generation 1)
};

struct Case {
  std::string name;
  int generation, kind;
  uint32_t readMode, readModeG0, bin;
  std::array<int32_t, 3> sampleLevels;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

constexpr uint32_t kW = 120, kH = 80;

ReadoutCamera CameraOf(const Case& c) {
  ReadoutCamera cam;
  cam.generation = c.generation;
  cam.kind = c.kind;
  cam.width = kW;
  cam.height = kH;
  cam.readMode = c.readMode;
  cam.readModeG0 = c.readModeG0;
  cam.binX = cam.binY = c.bin;
  cam.sampleLevels = c.sampleLevels;
  return cam;
}

Exposure TestExposure(uint64_t frame = 3) {
  return {2.0, 2.0, -10.0, frame};
}

// The request the host writes for a window given in scene coordinates.
std::vector<uint8_t> RequestFor(const ReadoutCamera& cam, const Area& w, bool whole) {
  switch (cam.generation) {
    case 0: {
      if (whole) return {0x04};
      int extra = (cam.readModeG0 & 0x10) ? 2 : 4;
      return Bytes({w.x, int(kH) - w.y - w.h, w.w + extra, w.h + 4}, 0x07);
    }
    case 1: {
      int fh = int(kH / cam.binY);
      return Bytes({fh - w.y - w.h, w.h, w.x, w.w}, 0x0B);
    }
    default:
      return simtest::Window(0x09, int(kW) - w.w - w.x, w.y, w.w, w.h);
  }
}

Image Decode(const ReadoutCamera& cam, const std::vector<uint8_t>& bytes, const Area& w) {
  if (cam.generation == 0) return DecodeGen0(bytes, w.w, w.h, (cam.readModeG0 & 0x10) != 0);
  if (cam.generation == 1) {
    bool big = cam.kind == 1 || cam.kind == 2;
    Gen1Format f = big ? Gen1Format::OneBE : Gen1Format::OneLE;
    if (cam.readMode == 2 && cam.kind == 7)
      f = Gen1Format::ThreeLE;
    else if (cam.readMode == 1 && (big || cam.kind == 7))
      f = big ? Gen1Format::TwoBE : Gen1Format::TwoLE;
    return DecodeGen1(bytes, w.w, w.h, f);
  }
  return DecodeGen2(bytes, w.w, w.h, cam.readMode == 0 || cam.readMode == 2);
}

// Sends the request through the simulator and decodes the image.
Image ReadWindow(const ReadoutCamera& cam, const Scene& scene, const Area& w, bool whole,
                 const Exposure& e = TestExposure()) {
  auto request = DecodeReadoutRequest(cam.generation, RequestFor(cam, w, whole));
  EXPECT_TRUE(request.has_value());
  if (!request) return {};
  ReadoutPlan plan = PlanReadout(cam, *request);
  EXPECT_TRUE(plan.valid);
  SceneSource source(scene, e);
  std::vector<uint8_t> bytes;
  EncodeImage(cam, plan, source, bytes);
  EXPECT_EQ(bytes.size(), plan.bytes);
  return Decode(cam, bytes, w);
}

class ReadoutFormats : public ::testing::TestWithParam<Case> {};

TEST_P(ReadoutFormats, WholeFrameMatchesSceneAndSubFrameAgreesWhereTheyOverlap) {
  const Case& c = GetParam();
  ReadoutCamera cam = CameraOf(c);
  Scene scene(SceneParams{}, kW, kH);
  const Area full{0, 0, int(kW / c.bin), int(kH / c.bin)};
  const Area sub{c.bin == 1 ? 17 : 9, c.bin == 1 ? 9 : 5, c.bin == 1 ? 40 : 22, 30 / int(c.bin)};

  Image whole = ReadWindow(cam, scene, full, true);
  Image part = ReadWindow(cam, scene, sub, false);
  ASSERT_EQ(whole.size(), size_t(full.w) * full.h);
  ASSERT_EQ(part.size(), size_t(sub.w) * sub.h);

  // Three readings per pixel are levelled by frame means, which differ
  // slightly between the two windows.
  int overlapTolerance = c.sampleLevels[2] != 0 ? 1 : 0;
  for (int i = 0; i < sub.h; ++i)
    for (int j = 0; j < sub.w; ++j)
      ASSERT_LE(
          std::abs(part[size_t(i) * sub.w + j] - whole[size_t(sub.y + i) * full.w + sub.x + j]),
          overlapTolerance)
          << "pixel " << j << "," << i;

  // The whole frame is the scene within the noise.
  // Generations 2 to 5 send the top 8 or 12 bits, within 254 or 4094.
  bool eightBit = c.generation >= 2 && (c.readMode == 0 || c.readMode == 2);
  double scale = c.generation < 2 ? 1.0 : eightBit ? 256.0 : 16.0;
  double top = c.generation < 2 ? 65535.0 : (eightBit ? 254.0 : 4094.0) * scale + scale / 2;
  double n = double(c.bin) * c.bin;
  std::vector<double> expected =
      scene.Expected({0, 0, uint32_t(full.w), uint32_t(full.h), c.bin, c.bin}, TestExposure());
  double bias = scene.BlockBias(c.bin, c.bin);
  double levelShift = c.sampleLevels[2] != 0 ? 0.0 : (c.sampleLevels[0] + c.sampleLevels[1]) / 2.0;
  for (size_t p = 0; p < expected.size(); ++p) {
    double e = std::min(expected[p] + levelShift, top);
    double sigma = std::sqrt(n * 36.0 + std::max(0.0, expected[p] - bias));
    double got = scale > 1 ? whole[p] * scale + scale / 2 : whole[p];
    ASSERT_LE(whole[p] * scale, top) << "pixel " << p;
    ASSERT_NEAR(got, e, 6.0 * sigma + scale / 2 + 1.0) << "pixel " << p;
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllGenerations, ReadoutFormats,
    ::testing::Values(Case{"gen0_fast_one_sample", 0, 17, 0, 2, 1, {0, 0, 0}},
                      Case{"gen0_slow_two_samples", 0, 17, 0, 16, 1, {0, 0, 0}},
                      Case{"gen1_kind3_one_sample", 1, 3, 1, 0, 1, {0, 0, 0}},
                      Case{"gen1_kind3_binned", 1, 3, 1, 0, 2, {0, 0, 0}},
                      Case{"gen1_kind1_big_endian", 1, 1, 0, 0, 1, {0, 0, 0}},
                      Case{"gen1_kind1_two_big_endian", 1, 1, 1, 0, 1, {4, -2, 0}},
                      Case{"gen1_kind7_two_samples", 1, 7, 1, 0, 1, {0, 0, 0}},
                      Case{"gen1_kind7_three_samples", 1, 7, 2, 0, 1, {0, 9, -6}},
                      Case{"gen2_kind9_8bit", 2, 9, 0, 0, 1, {0, 0, 0}},
                      Case{"gen3_kind10_16bit", 3, 10, 3, 0, 1, {0, 0, 0}},
                      Case{"gen4_kind11_8bit_fast", 4, 11, 2, 0, 1, {0, 0, 0}},
                      Case{"gen5_kind15_16bit", 5, 15, 3, 0, 1, {0, 0, 0}}),
    [](const auto& info) { return info.param.name; });

TEST(Readout, Gen1BinnedPixelsAreTwoByTwoSumsOfTheUnbinnedScene) {
  Scene scene(SceneParams{}, kW, kH);
  ReadoutCamera plain = CameraOf({"", 1, 3, 1, 0, 1, {0, 0, 0}});
  ReadoutCamera binned = CameraOf({"", 1, 3, 1, 0, 2, {0, 0, 0}});
  Image full = ReadWindow(plain, scene, {0, 0, int(kW), int(kH)}, true, TestExposure(11));
  Image sums = ReadWindow(binned, scene, {0, 0, int(kW / 2), int(kH / 2)}, true, TestExposure(12));
  double meanDiff = 0;
  for (uint32_t i = 0; i < kH / 2; ++i) {
    for (uint32_t j = 0; j < kW / 2; ++j) {
      double s = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) s += full[(2 * i + dy) * kW + 2 * j + dx];
      double got = sums[i * (kW / 2) + j];
      if (s >= 65535.0 || got >= 65535.0) continue;  // saturated star cores
      double sigma = std::sqrt(2.0 * (4.0 * 36.0 + std::max(0.0, s - 4000.0)));
      ASSERT_NEAR(got, s, 6.0 * sigma) << j << "," << i;
      meanDiff += got - s;
    }
  }
  EXPECT_LT(std::abs(meanDiff / (kW * kH / 4)), 3.0);
}

TEST(Readout, Kind4OutputsReassembleToTheScene) {
  ReadoutCamera cam;
  cam.generation = 1;
  cam.kind = 4;
  cam.width = 48;  // one quarter
  cam.height = 30;
  cam.outputLevels = {120, -80, 40, 200};
  Scene scene(SceneParams{}, 96, 60);
  Exposure e = TestExposure();

  auto request = DecodeReadoutRequest(1, Bytes({0, 30, 0, 48}, 0x0B));
  ASSERT_TRUE(request);
  ReadoutPlan plan = PlanReadout(cam, *request);
  ASSERT_TRUE(plan.valid);
  SceneSource source(scene, e);
  std::vector<uint8_t> bytes;
  EncodeImage(cam, plan, source, bytes);
  ASSERT_EQ(bytes.size(), 48u * 30u * 8u);

  Image img = DecodeQuad(bytes, 96, 60, {-120, 80, -40, -200}, int(scene.BlockBias(1, 1)));
  std::vector<uint16_t> truth(96 * 59);
  scene.Render({0, 0, 96, 59, 1, 1}, e, 0, truth.data());
  for (int r = 0; r < 59; ++r)
    for (int c = 0; c < 96; ++c)
      ASSERT_EQ(img[r * 96 + c], truth[r * 96 + c]) << "row " << r << " column " << c;
  // The last image row repeats the last sensor row.
  for (int c = 0; c < 96; ++c) EXPECT_EQ(img[59 * 96 + c], truth[58 * 96 + c]);
}

TEST(Readout, InvalidWindowsSendNoPixels) {
  struct Invalid {
    const char* name;
    int generation, kind;
    std::vector<uint8_t> request;
  };
  const Invalid cases[] = {
      {"gen0 window past the top", 0, 17, Bytes({0, 70, 24, 20}, 0x07)},
      {"gen0 window without pixels", 0, 17, Bytes({0, 0, 2, 10}, 0x07)},
      {"gen1 window past the right edge", 1, 3, Bytes({0, 10, 100, 30}, 0x0B)},
      {"gen1 empty window", 1, 3, Bytes({0, 0, 0, 30}, 0x0B)},
      {"kind 4 half window", 1, 4, Bytes({0, 40, 0, 60}, 0x0B)},
      {"gen3 column start beyond the left edge", 3, 10, {0x09, 0, 100, 0, 0, 0, 40, 0, 10, 0}},
      {"gen3 rows past the bottom", 3, 10, {0x09, 0, 0, 0, 70, 0, 40, 0, 20, 0}},
  };
  for (const Invalid& c : cases) {
    SCOPED_TRACE(c.name);
    ReadoutCamera cam = CameraOf({"", c.generation, c.kind, 3, 16, 1, {0, 0, 0}});
    auto request = DecodeReadoutRequest(c.generation, c.request);
    ASSERT_TRUE(request);
    ReadoutPlan plan = PlanReadout(cam, *request);
    EXPECT_FALSE(plan.valid);
    EXPECT_EQ(plan.bytes, 0u);
    EXPECT_EQ(plan.hasStatus, c.generation >= 2);
    if (plan.hasStatus) {
      EXPECT_EQ(plan.status, 0x82);
    }
  }
}

TEST(FrameCache, ServesTheSameEncodedImageAndMatchesTheLiveScene) {
  Scene scene(SceneParams{}, kW, kH);
  ReadoutCamera cam = CameraOf({"", 5, 15, 3, 0, 1, {0, 0, 0}});
  FrameCache cache(scene, TestExposure(), 2);
  auto request = DecodeReadoutRequest(5, RequestFor(cam, {10, 10, 50, 40}, false));
  ASSERT_TRUE(request);
  ReadoutPlan plan = PlanReadout(cam, *request);
  auto first = cache.Image(cam, plan);
  auto again = cache.Image(cam, plan);
  EXPECT_EQ(first.get(), again.get());

  SceneSource live(scene, TestExposure());
  std::vector<uint8_t> bytes;
  EncodeImage(cam, plan, live, bytes);
  EXPECT_EQ(*first, bytes);

  // Older entries give way to newer shapes.
  for (int x : {20, 30}) {
    auto other = DecodeReadoutRequest(5, RequestFor(cam, {x, 10, 50, 40}, false));
    cache.Image(cam, PlanReadout(cam, *other));
  }
  EXPECT_NE(cache.Image(cam, plan).get(), first.get());
}

}  // namespace
