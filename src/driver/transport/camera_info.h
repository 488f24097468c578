#pragma once
// The camera-information record in its two wire forms. Cameras of generation 0
// (and kinds 1 and 2) send the packed 60-byte form, all others the expanded
// 64-byte form; the camera object keeps both, deriving the one it did not get.
#include <cstddef>
#include <cstdint>

namespace tQusb {

inline constexpr unsigned kInfoTextLength = 15;

#pragma pack(push, 1)
struct TCameraInfoPacked {
  uint32_t CameraId;
  uint16_t PackedFlags;  // bits 0-1 wheel kind, 2 and 5 caps, 8-11 positions, 12-15 extra
  uint16_t Width;
  uint16_t Height;
  uint16_t InfoWord3;
  uint16_t InfoWord4;
  char Text0[kInfoTextLength];
  char Text2[kInfoTextLength];
  char Text3[kInfoTextLength];
  uint8_t Reserved;
};

struct TCameraInfo {
  uint32_t CameraId;
  uint8_t Caps;
  uint8_t FilterCount;
  uint16_t Extra;
  uint16_t Width;
  uint16_t Height;
  uint16_t InfoWord3;
  uint16_t InfoWord4;
  char Text0[kInfoTextLength];
  char Text2[kInfoTextLength];
  char Text3[kInfoTextLength];
  uint8_t Reserved[3];
};
#pragma pack(pop)

static_assert(sizeof(TCameraInfoPacked) == 60);
static_assert(sizeof(TCameraInfo) == 64);
static_assert(offsetof(TCameraInfoPacked, Text0) == 14);
static_assert(offsetof(TCameraInfo, Text0) == 16);

// Fill the record from the reply data (little-endian on the wire) and derive
// the other form. `data` holds exactly sizeof the record being read.
void ReadExpandedInfo(const uint8_t* data, TCameraInfo& info, TCameraInfoPacked& packed);
void ReadPackedInfo(const uint8_t* data, TCameraInfoPacked& packed, TCameraInfo& info);

// The derivations themselves.
TCameraInfoPacked PackInfo(const TCameraInfo& info);
TCameraInfo ExpandInfo(const TCameraInfoPacked& packed);

}  // namespace tQusb
