#include "image.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace tqalpaca {
namespace {

// Transposes in square tiles so both the rows read and the columns written
// stay in the cache.
template <typename T>
void Transpose(const T* rows, uint32_t width, uint32_t height, T* columns) {
  constexpr uint32_t kTile = 64;
  for (uint32_t y0 = 0; y0 < height; y0 += kTile) {
    const uint32_t y1 = std::min(height, y0 + kTile);
    for (uint32_t x0 = 0; x0 < width; x0 += kTile) {
      const uint32_t x1 = std::min(width, x0 + kTile);
      for (uint32_t y = y0; y < y1; ++y) {
        const T* row = rows + size_t{y} * width;
        for (uint32_t x = x0; x < x1; ++x) columns[size_t{x} * height + y] = row[x];
      }
    }
  }
}

void PutInt32(uint8_t* at, int64_t value) {
  const auto v = static_cast<uint32_t>(value);
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
  at[2] = static_cast<uint8_t>(v >> 16);
  at[3] = static_cast<uint8_t>(v >> 24);
}

template <typename T>
char* WriteColumns(const T* pixels, uint32_t width, uint32_t height, char* p) {
  for (uint32_t x = 0; x < width; ++x) {
    if (x) *p++ = ',';
    *p++ = '[';
    const T* column = pixels + size_t{x} * height;
    for (uint32_t y = 0; y < height; ++y) {
      if (y) *p++ = ',';
      p = std::to_chars(p, p + 8, column[y]).ptr;
    }
    *p++ = ']';
  }
  return p;
}

constexpr int kTypeInt32 = 2;
constexpr int kTypeByte = 6;
constexpr int kTypeUInt16 = 8;

}  // namespace

Image FromRows(const uint8_t* rows, uint32_t width, uint32_t height, uint32_t bytesPerPixel) {
  Image image;
  image.width = width;
  image.height = height;
  image.bytesPerPixel = bytesPerPixel;
  image.data.resize(image.Pixels() * bytesPerPixel);
  if (bytesPerPixel == 1)
    Transpose(rows, width, height, image.data.data());
  else
    Transpose(reinterpret_cast<const uint16_t*>(rows), width, height,
              reinterpret_cast<uint16_t*>(image.data.data()));
  return image;
}

std::array<uint8_t, kImageBytesHeaderSize> ImageBytesHeader(const Image* image, int errorNumber,
                                                            uint32_t clientTransaction,
                                                            uint32_t serverTransaction) {
  std::array<uint8_t, kImageBytesHeaderSize> h{};
  PutInt32(&h[0], 1);
  PutInt32(&h[4], errorNumber);
  PutInt32(&h[8], clientTransaction);
  PutInt32(&h[12], serverTransaction);
  PutInt32(&h[16], kImageBytesHeaderSize);
  if (image) {
    PutInt32(&h[20], kTypeInt32);
    PutInt32(&h[24], image->bytesPerPixel == 1 ? kTypeByte : kTypeUInt16);
    PutInt32(&h[28], 2);
    PutInt32(&h[32], image->width);
    PutInt32(&h[36], image->height);
  }
  return h;
}

std::string ImageArrayJson(const Image& image, uint32_t clientTransaction,
                           uint32_t serverTransaction) {
  static constexpr char kHead[] = R"({"Type":2,"Rank":2,"Value":[)";
  std::string out;
  // At most five digits and a comma per pixel, two brackets per column.
  out.resize(sizeof kHead + image.Pixels() * 6 + size_t{image.width} * 2 + 160);
  char* p = out.data();
  std::memcpy(p, kHead, sizeof kHead - 1);
  p += sizeof kHead - 1;
  p = image.bytesPerPixel == 1 ? WriteColumns(image.data.data(), image.width, image.height, p)
                               : WriteColumns(image.Data16(), image.width, image.height, p);
  char* end = out.data() + out.size();
  p += std::snprintf(p, static_cast<size_t>(end - p),
                     R"(],"ClientTransactionID":%u,"ServerTransactionID":%u,)"
                     R"("ErrorNumber":0,"ErrorMessage":""})",
                     clientTransaction, serverTransaction);
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

}  // namespace tqalpaca
