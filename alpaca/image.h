#pragma once
// A finished exposure in the order Alpaca serialises it, and its two wire
// forms. The pixels are stored column-major (element [x][y] at x * height + y),
// the order of both the JSON array and ImageBytes, so a download is one pass
// over one buffer.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tqalpaca {

struct Image {
  uint32_t width = 0;          // NumX: the first array index
  uint32_t height = 0;         // NumY
  uint32_t bytesPerPixel = 2;  // 2: uint16 in host order, 1: uint8
  std::vector<uint8_t> data;   // column-major pixels

  size_t Pixels() const { return size_t{width} * height; }
  // The vector's storage is aligned for any pixel type.
  const uint16_t* Data16() const { return reinterpret_cast<const uint16_t*>(data.data()); }
};

// Builds the column-major image from a readout in rows, top to bottom.
Image FromRows(const uint8_t* rows, uint32_t width, uint32_t height, uint32_t bytesPerPixel);

inline constexpr size_t kImageBytesHeaderSize = 44;

// The ImageBytes header: eleven little-endian int32 fields. With an image:
// metadata version 1, element type Int32, transmission UInt16 or Byte, rank 2,
// NumX, NumY, 0. With an error (image null), the types, rank and dimensions
// are 0 and the UTF-8 message follows the header.
std::array<uint8_t, kImageBytesHeaderSize> ImageBytesHeader(const Image* image, int errorNumber,
                                                            uint32_t clientTransaction,
                                                            uint32_t serverTransaction);

// The JSON body of an imagearray answer: Type 2, Rank 2, Value as NumX
// arrays of NumY integers, then the transaction fields; written into one
// preallocated string.
std::string ImageArrayJson(const Image& image, uint32_t clientTransaction,
                           uint32_t serverTransaction);

}  // namespace tqalpaca
