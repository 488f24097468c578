#include "driver/transport/camera_info.h"

#include <cstring>

namespace tQusb {
namespace {

uint16_t Word(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Long(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A text field keeps at most 15 characters and is zero-filled behind its end,
// so a field that is full stays unterminated as the camera sent it.
void CopyText(char (&dst)[kInfoTextLength], const char* src) {
  std::memset(dst, 0, kInfoTextLength);
  for (unsigned i = 0; i < kInfoTextLength && src[i] != '\0'; ++i) dst[i] = src[i];
}

}  // namespace

TCameraInfoPacked PackInfo(const TCameraInfo& info) {
  TCameraInfoPacked packed{};
  packed.CameraId = info.CameraId;
  packed.Width = info.Width;
  packed.Height = info.Height;
  packed.InfoWord3 = info.InfoWord3;
  packed.InfoWord4 = info.InfoWord4;
  CopyText(packed.Text0, info.Text0);
  CopyText(packed.Text2, info.Text2);
  CopyText(packed.Text3, info.Text3);
  uint16_t flags = 0;
  if (info.Caps & 1) flags |= 0x04;
  if (info.Caps & 2) flags |= 0x20;
  flags |= static_cast<uint16_t>((info.FilterCount & 0x0F) << 8);
  packed.PackedFlags = flags;
  return packed;
}

TCameraInfo ExpandInfo(const TCameraInfoPacked& packed) {
  TCameraInfo info{};
  info.CameraId = packed.CameraId;
  info.Width = packed.Width;
  info.Height = packed.Height;
  info.InfoWord3 = packed.InfoWord3;
  info.InfoWord4 = packed.InfoWord4;
  CopyText(info.Text0, packed.Text0);
  CopyText(info.Text2, packed.Text2);
  CopyText(info.Text3, packed.Text3);
  const uint16_t flags = packed.PackedFlags;
  info.Caps = static_cast<uint8_t>(((flags & 0x04) ? 1 : 0) | ((flags & 0x20) ? 2 : 0));
  if ((flags & 0x03) == 0x03)
    info.FilterCount = static_cast<uint8_t>((flags >> 8) & 0x0F);
  else if (flags & 0x01)
    info.FilterCount = 5;
  else if (flags & 0x02)
    info.FilterCount = 6;
  else
    info.FilterCount = 0;
  info.Extra = static_cast<uint16_t>(flags >> 12);
  return info;
}

void ReadExpandedInfo(const uint8_t* data, TCameraInfo& info, TCameraInfoPacked& packed) {
  std::memcpy(&info, data, sizeof info);
  info.CameraId = Long(data + 0);
  info.Extra = Word(data + 6);
  info.Width = Word(data + 8);
  info.Height = Word(data + 10);
  info.InfoWord3 = Word(data + 12);
  info.InfoWord4 = Word(data + 14);
  packed = PackInfo(info);
}

void ReadPackedInfo(const uint8_t* data, TCameraInfoPacked& packed, TCameraInfo& info) {
  std::memcpy(&packed, data, sizeof packed);
  packed.CameraId = Long(data + 0);
  packed.PackedFlags = Word(data + 4);
  packed.Width = Word(data + 6);
  packed.Height = Word(data + 8);
  packed.InfoWord3 = Word(data + 10);
  packed.InfoWord4 = Word(data + 12);
  info = ExpandInfo(packed);
}

}  // namespace tQusb
