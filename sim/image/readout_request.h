// Decoding of the readout requests that arrive on the command pipe.
//
//   generation 0:    0x04 read whole frame (1 byte); 0x05 expose and read
//                    whole frame (3: u16 exposure in 1/8000 s); 0x07 read
//                    window (9: column start, row start, column count, row
//                    count, u16 each); 0x08 expose and read window (11: as
//                    0x07, then u16 exposure in 1/8000 s)
//   generation 1:    0x0B read window (9: row start, row count, column start,
//                    column count); 0x15 expose and read window (12: as 0x0B,
//                    u16 exposure in ms, the shutter flag byte)
//   generations 2-5: 0x09 read window (10: one unused byte, column start,
//                    row start, column count, row count); 0x0A expose and
//                    read window (14: shutter flag byte, the same four words,
//                    u32 exposure in 1/8000 s)
// All numbers are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tqsim::image {

struct ReadoutRequest {
  uint8_t opcode = 0;
  bool expose = false;       // exposing request: integrate, then read
  uint32_t exposureRaw = 0;  // the exposure field in the generation's units
  double exposureSeconds = 0.0;
  bool shutterOpen = false;  // flag of 0x15 and 0x0A (nonzero = open)
  bool windowed = false;     // false: generation 0 whole-frame request
  uint32_t colStart = 0, rowStart = 0, colCount = 0, rowCount = 0;
};

// Length of the readout request with this opcode in a generation, 0 when the
// opcode is no readout request there.
size_t ReadoutRequestLength(int generation, uint8_t opcode);

// The request, or nothing when the bytes are not a readout request of the
// generation or have the wrong length.
std::optional<ReadoutRequest> DecodeReadoutRequest(int generation, std::span<const uint8_t> bytes);

}  // namespace tqsim::image
