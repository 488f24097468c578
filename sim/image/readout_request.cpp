#include "image/readout_request.h"

namespace tqsim::image {
namespace {

uint32_t U16(std::span<const uint8_t> b, size_t at) {
  return b[at] | (uint32_t{b[at + 1]} << 8);
}

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return U16(b, at) | (U16(b, at + 2) << 16);
}

struct Layout {
  int firstGeneration, lastGeneration;
  uint8_t opcode;
  size_t length;
};

constexpr Layout kLayouts[] = {
    {0, 0, 0x04, 1}, {0, 0, 0x05, 3},  {0, 0, 0x07, 9},  {0, 0, 0x08, 11},
    {1, 1, 0x0B, 9}, {1, 1, 0x15, 12}, {2, 5, 0x09, 10}, {2, 5, 0x0A, 14},
};

}  // namespace

size_t ReadoutRequestLength(int generation, uint8_t opcode) {
  for (const Layout& l : kLayouts)
    if (generation >= l.firstGeneration && generation <= l.lastGeneration && opcode == l.opcode)
      return l.length;
  return 0;
}

std::optional<ReadoutRequest> DecodeReadoutRequest(int generation, std::span<const uint8_t> b) {
  if (b.empty()) return std::nullopt;
  size_t length = ReadoutRequestLength(generation, b[0]);
  if (length == 0 || b.size() != length) return std::nullopt;

  ReadoutRequest r;
  r.opcode = b[0];
  switch (r.opcode) {
    case 0x04:
      break;
    case 0x05:
      r.expose = true;
      r.exposureRaw = U16(b, 1);
      r.exposureSeconds = r.exposureRaw / 8000.0;
      break;
    case 0x07:
    case 0x08:
      if (generation == 0) {
        r.windowed = true;
        r.colStart = U16(b, 1);
        r.rowStart = U16(b, 3);
        r.colCount = U16(b, 5);
        r.rowCount = U16(b, 7);
        if (r.opcode == 0x08) {
          r.expose = true;
          r.exposureRaw = U16(b, 9);
          r.exposureSeconds = r.exposureRaw / 8000.0;
        }
      }
      break;
    case 0x0B:
    case 0x15:
      r.windowed = true;
      r.rowStart = U16(b, 1);
      r.rowCount = U16(b, 3);
      r.colStart = U16(b, 5);
      r.colCount = U16(b, 7);
      if (r.opcode == 0x15) {
        r.expose = true;
        r.exposureRaw = U16(b, 9);
        r.exposureSeconds = r.exposureRaw / 1000.0;
        r.shutterOpen = b[11] != 0;  // the low byte of the flag word
      }
      break;
    case 0x09:
    case 0x0A:
      r.windowed = true;
      r.colStart = U16(b, 2);
      r.rowStart = U16(b, 4);
      r.colCount = U16(b, 6);
      r.rowCount = U16(b, 8);
      if (r.opcode == 0x0A) {
        r.expose = true;
        r.shutterOpen = b[1] != 0;
        r.exposureRaw = U32(b, 10);
        r.exposureSeconds = r.exposureRaw / 8000.0;
      }
      break;
    default:
      return std::nullopt;
  }
  return r;
}

}  // namespace tqsim::image
