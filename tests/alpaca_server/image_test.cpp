#include "image.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tqalpaca {
namespace {

int32_t Field(const std::array<uint8_t, kImageBytesHeaderSize>& h, int index) {
  const uint8_t* p = &h[size_t(index) * 4];
  return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                 uint32_t(p[3]) << 24);
}

// A 3 x 2 image whose pixel (x, y) is 10 * x + y + 1000 (rows top to bottom).
TEST(AlpacaImage, ColumnMajorInBothFormats) {
  const uint16_t rows[] = {1000, 1010, 1020, 1001, 1011, 1021};
  const Image image = FromRows(reinterpret_cast<const uint8_t*>(rows), 3, 2, 2);
  const uint16_t expected[] = {1000, 1001, 1010, 1011, 1020, 1021};
  ASSERT_EQ(image.data.size(), sizeof expected);
  EXPECT_EQ(std::memcmp(image.data.data(), expected, sizeof expected), 0);

  EXPECT_EQ(
      ImageArrayJson(image, 7, 9),
      R"({"Type":2,"Rank":2,"Value":[[1000,1001],[1010,1011],[1020,1021]],)"
      R"("ClientTransactionID":7,"ServerTransactionID":9,"ErrorNumber":0,"ErrorMessage":""})");

  const auto h = ImageBytesHeader(&image, 0, 7, 9);
  const int32_t fields[] = {1, 0, 7, 9, 44, 2, 8, 2, 3, 2, 0};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(Field(h, i), fields[i]) << "field " << i;

  const uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
  const Image eight = FromRows(bytes, 2, 3, 1);
  EXPECT_EQ(eight.data, (std::vector<uint8_t>{1, 3, 5, 2, 4, 6}));
  EXPECT_EQ(Field(ImageBytesHeader(&eight, 0, 0, 1), 6), 6);  // Byte

  const auto error = ImageBytesHeader(nullptr, 0x40B, 1, 2);
  const int32_t errorFields[] = {1, 0x40B, 1, 2, 44, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 11; ++i) EXPECT_EQ(Field(error, i), errorFields[i]) << "field " << i;
}

}  // namespace
}  // namespace tqalpaca
