#pragma once
// The read modes a host can choose from: a numbered list of names per camera
// family, each standing for the code the camera is sent and the object keeps.
#include <cstdint>
#include <span>

namespace tQusb {

struct TReadMode {
  const char* Name;
  uint32_t Code;
};

// True for the kinds that have read modes on generations 2 to 5.
bool HasLaterReadModes(uint32_t cameraKind);

// The list for a camera; empty for cameras without read modes and for any
// generation outside 0 to 5. `ver128Lo` and `ver131` decide whether the
// multi-mode models offer their fast modes.
std::span<const TReadMode> ReadModeList(int32_t generation, uint32_t cameraKind, uint16_t ver128Lo,
                                        uint16_t ver131);

}  // namespace tQusb
