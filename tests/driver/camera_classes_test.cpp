#include "driver/transport/camera_classes.h"

#include <gtest/gtest.h>

using namespace tQusb;

namespace {

struct ProductCase {
  uint16_t productId;
  bool known;
  uint32_t kind;
  int32_t generation;
};

class ProductIdTest : public testing::TestWithParam<ProductCase> {};

TEST_P(ProductIdTest, DecidesKindAndGeneration) {
  const ProductCase c = GetParam();
  uint32_t kind = kProductIdDefaultKind;
  int32_t generation = kProductIdDefaultGeneration;
  EXPECT_EQ(KindByProductId(c.productId, kind, generation), c.known);
  EXPECT_EQ(kind, c.kind);
  EXPECT_EQ(generation, c.generation);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProductIdTest,
    testing::Values(ProductCase{0x0C00, true, 9, 3}, ProductCase{0x0C03, true, 9, 2},
                    ProductCase{0x0C04, true, 10, 2}, ProductCase{0x0C17, true, 10, 3},
                    ProductCase{0x0C90, true, 11, 4}, ProductCase{0x0C97, true, 12, 4},
                    ProductCase{0x0C98, true, 13, 4}, ProductCase{0x0C02, true, 14, 5},
                    ProductCase{0x0C26, true, 14, 5}, ProductCase{0x0C2B, true, 15, 5},
                    ProductCase{0x0C2C, true, 16, 5}, ProductCase{0x0C05, false, 9, 2},
                    ProductCase{0x0C99, false, 9, 2}, ProductCase{0x0000, false, 9, 2},
                    ProductCase{0xFFFF, false, 9, 2}));

TEST(CameraClasses, InitOrderCoversEveryClassButTenOnce) {
  const int expected[] = {2, 3, 1, 6, 7, 8, 9, 11, 12, 13, 14, 4, 5};
  const auto order = CameraInitClassOrder();
  ASSERT_EQ(order.size(), std::size(expected));
  for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i].ClassNumber, expected[i]);
  EXPECT_EQ(order[2].CameraKind, 9u);
  EXPECT_EQ(order[6].Generation, 0);
  EXPECT_EQ(order[12].CameraKind, 5u);
}

TEST(CameraClasses, ReadModeDefaultsFollowGenerationAndKind) {
  struct Case {
    int32_t generation;
    uint32_t kind;
    uint32_t mode;
  } cases[] = {{0, 17, 16}, {1, 8, 2},  {1, 7, 2},  {1, 3, 1},  {2, 10, 3}, {2, 9, 0},  {3, 10, 3},
               {3, 9, 0},   {4, 12, 3}, {4, 13, 3}, {4, 11, 0}, {5, 15, 3}, {5, 16, 3}, {5, 14, 0}};
  for (const Case& c : cases)
    EXPECT_EQ(DefaultReadMode(c.generation, c.kind), c.mode) << c.generation << "/" << c.kind;
}

}  // namespace
