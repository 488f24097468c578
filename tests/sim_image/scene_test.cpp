#include "image/scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

using namespace tqsim::image;

namespace {

std::vector<uint16_t> RenderAll(const Scene& s, const Exposure& e) {
  std::vector<uint16_t> out(size_t{s.Width()} * s.Height());
  s.Render({0, 0, s.Width(), s.Height(), 1, 1}, e, 0, out.data());
  return out;
}

double Mean(const std::vector<double>& v) {
  return std::accumulate(v.begin(), v.end(), 0.0) / v.size();
}

}  // namespace

TEST(Scene, SameSeedSameFrameIsReproducibleOtherSeedsAreNot) {
  SceneParams p;
  Exposure e{1.0, 1.0, 0.0, 5};
  Scene a(p, 200, 150), b(p, 200, 150);
  EXPECT_EQ(RenderAll(a, e), RenderAll(b, e));
  p.seed = 2;
  Scene c(p, 200, 150);
  EXPECT_NE(RenderAll(a, e), RenderAll(c, e));
  Exposure other = e;
  other.frame = 6;
  EXPECT_NE(RenderAll(a, e), RenderAll(a, other));  // new frame, new noise
}

TEST(Scene, DarkCurrentGrowsWithTimeAndTemperature) {
  SceneParams p;
  p.starsPerPixel = 0;
  Scene s(p, 64, 64);
  BlockWindow all{0, 0, 64, 64, 1, 1};
  double cold = Mean(s.Expected(all, {100.0, 0.0, -20.0, 0}));
  double warm = Mean(s.Expected(all, {100.0, 0.0, 20.0, 0}));
  double warmLong = Mean(s.Expected(all, {200.0, 0.0, 20.0, 0}));
  EXPECT_GT(cold, p.biasAdu);
  EXPECT_GT(warm - p.biasAdu, 50.0 * (cold - p.biasAdu));
  EXPECT_NEAR(warmLong - p.biasAdu, 2.0 * (warm - p.biasAdu), 1e-6);
}

TEST(Scene, StarsAndAFaintGradientAppearOnlyInLight) {
  SceneParams p;
  Scene s(p, 300, 200);
  BlockWindow all{0, 0, 300, 200, 1, 1};
  std::vector<double> lit = s.Expected(all, {1.0, 1.0, 0.0, 0});
  std::vector<double> dark = s.Expected(all, {1.0, 0.0, 0.0, 0});
  // A spread of star brightness: many pixels clearly above the sky, a few far above.
  size_t above =
      std::count_if(lit.begin(), lit.end(), [&](double v) { return v > p.biasAdu + 200; });
  EXPECT_GT(above, 50u);
  EXPECT_GT(*std::max_element(lit.begin(), lit.end()), p.biasAdu + 10000);
  EXPECT_LT(*std::max_element(dark.begin(), dark.end()), p.biasAdu + 1.0);
  // Sky gradient: the median of the right edge column is brighter than the left.
  auto columnMedian = [&](int x) {
    std::vector<double> col;
    for (int y = 0; y < 200; ++y) col.push_back(lit[y * 300 + x]);
    std::nth_element(col.begin(), col.begin() + 100, col.end());
    return col[100];
  };
  EXPECT_GT(columnMedian(299) - columnMedian(0), 0.5 * p.gradient * p.skyRate);
}

TEST(Scene, WindowsAndBinnedBlocksSampleTheSameField) {
  Scene s(SceneParams{}, 160, 120);
  Exposure e{2.0, 2.0, 5.0, 9};
  std::vector<double> full = s.Expected({0, 0, 160, 120, 1, 1}, e);
  std::vector<double> part = s.Expected({30, 20, 50, 40, 1, 1}, e);
  for (int i = 0; i < 40; ++i)
    for (int j = 0; j < 50; ++j) ASSERT_NEAR(part[i * 50 + j], full[(20 + i) * 160 + 30 + j], 1e-6);
  std::vector<double> binned = s.Expected({5, 4, 20, 15, 3, 2}, e);
  for (int i = 0; i < 15; ++i)
    for (int j = 0; j < 20; ++j) {
      double sum = 0;
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 3; ++dx) sum += full[((4 + i) * 2 + dy) * 160 + (5 + j) * 3 + dx];
      ASSERT_NEAR(binned[i * 20 + j], sum, 1e-3 * sum);
    }
}

TEST(Scene, NoiseHasTheConfiguredSpread) {
  SceneParams p;
  p.starsPerPixel = 0;
  p.skyRate = 0;
  Scene s(p, 256, 256);
  std::vector<uint16_t> img = RenderAll(s, {0.0, 0.0, 0.0, 1});
  double mean = 0, sq = 0;
  for (uint16_t v : img) mean += v;
  mean /= img.size();
  for (uint16_t v : img) sq += (v - mean) * (v - mean);
  EXPECT_NEAR(mean, p.biasAdu, 0.2);
  EXPECT_NEAR(std::sqrt(sq / img.size()), p.readNoiseAdu, 0.3);
}
