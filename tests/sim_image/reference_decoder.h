// An independent decoder of the camera byte streams, written from the wire
// formats with plain loops, used to check what the simulator sends. Every
// decoder returns the image top row first, each row left to right.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace simtest {

using Image = std::vector<uint16_t>;

// Generation 0: rows of 8 prefix bytes and big-endian samples (two per pixel
// averaged when `two`), received bottom row first, 4 extra rows at the end.
Image DecodeGen0(const std::vector<uint8_t>& bytes, int cols, int rows, bool two);

enum class Gen1Format { OneLE, OneBE, TwoLE, TwoBE, ThreeLE };
// Generation 1: rows received bottom row first.
Image DecodeGen1(const std::vector<uint8_t>& bytes, int width, int height, Gen1Format format);

// Kind 4: groups of four samples reassembled to a width x height image with
// the host's output offsets (outputs 1 to 4) and centre-row offset.
Image DecodeQuad(const std::vector<uint8_t>& bytes, int width, int height,
                 std::array<int, 4> offsets, int centreOffset);

// Generations 2 to 5: rows from the top, 16-bit little-endian or bytes.
Image DecodeGen2(const std::vector<uint8_t>& bytes, int width, int height, bool eightBit);

// The seconds since 1970 a receiver's time reply (0x2A/0x2B) names, given
// the counter period.
double DecodeGpsTime(const std::vector<uint8_t>& reply, double period);

// Little-endian request builders, as the host writes them.
std::vector<uint8_t> Bytes(std::initializer_list<int> fields16, uint8_t opcode);
// A generation 2-5 window request (0x09/0x0A) with the column start counted
// from the right; 0x0A carries the shutter flag and 1/8000 s units.
std::vector<uint8_t> Window(uint8_t opcode, int cs, int rs, int w, int h, uint32_t units = 0,
                            bool shutter = false);

}  // namespace simtest
