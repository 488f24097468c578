#include "driver/acquisition/read_modes.h"

#include <cstring>

#include "driver/camera/camera.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"
#include "tqusb/runtime/str.h"

namespace tQusb {
namespace {

constexpr const char* kTextInvalidReadMode = "Invalid read mode";

// Generation 0 codes: bit 4 asks for two samples per pixel.
constexpr TReadMode kGeneration0[] = {{"Fast read", 2}, {"Slow read", 16}};
constexpr TReadMode kGeneration1ThreeModes[] = {
    {"Ultra Low Noise", 2}, {"Low Noise", 1}, {"Preview", 0}};
constexpr TReadMode kGeneration1[] = {{"Low Noise", 1}, {"Preview", 0}};
// Codes 0 and 2 are the 8-bit modes.
constexpr TReadMode kMultiModeExtended[] = {
    {"8-bit slow", 0}, {"12-bit slow", 1}, {"8-bit fast", 2}, {"12-bit fast", 3}};
constexpr TReadMode kMultiMode[] = {{"8-bit", 0}, {"12-bit", 1}};

}  // namespace

bool HasLaterReadModes(uint32_t cameraKind) {
  return KindTraitsOf(cameraKind).MultiMode;
}

std::span<const TReadMode> ReadModeList(int32_t generation, uint32_t cameraKind, uint16_t ver128Lo,
                                        uint16_t ver131) {
  if (generation == 0) return kGeneration0;
  if (generation == 1) {
    if (KindTraitsOf(cameraKind).Generation1ReadModes == 3) return kGeneration1ThreeModes;
    return kGeneration1;
  }
  if (generation >= 2 && generation <= 5 && HasLaterReadModes(cameraKind)) {
    if (ver128Lo >= 2 && ver131 >= 2) return kMultiModeExtended;
    return kMultiMode;
  }
  return {};
}

bool CCamera::EnumerateReadModes(uint32_t index, uint32_t high, char* name) {
  const std::span<const TReadMode> list = ReadModeList(Generation, CameraKind, Ver128Lo, Ver131);
  if (index >= list.size() || name == nullptr) return false;
  const char* text = list[index].Name;
  Str::CopyA(high, name, static_cast<unsigned>(std::strlen(text)), text);
  return true;
}

// The code is kept before it is sent, so the object follows the host's choice
// even when the camera refuses it.
bool CCamera::SetReadMode(uint32_t mode) {
  if (Generation < 0 || Generation > 5) return false;
  if (Generation >= 2 && !HasLaterReadModes(CameraKind)) return Unsupported();
  const std::span<const TReadMode> list = ReadModeList(Generation, CameraKind, Ver128Lo, Ver131);
  if (mode >= list.size()) {
    return Fail(*this, kTextInvalidReadMode);
  }
  const uint32_t code = list[mode].Code;
  if (Generation == 0) {
    ReadModeG0 = code;
    return ByteCommand(*this, opcode::gen0::kReadMode, static_cast<uint8_t>(code));
  }
  ReadMode = code;
  // Generations 1 to 5 share the read-mode command.
  static_assert(opcode::gen1::kReadMode == opcode::gen2to5::kReadMode);
  return ByteCommand(*this, opcode::gen2to5::kReadMode, static_cast<uint8_t>(code));
}

}  // namespace tQusb
