#pragma once
// Helpers shared by the accessory operations: choosing the command of the
// camera's generation, and one request/reply exchange with texts of its own.
#include <cstdint>

#include "driver/camera/camera.h"
#include "driver/transport/protocol.h"

namespace tQusb {

inline constexpr int kGenerationCount = 6;
inline constexpr uint8_t kNoOpcode = 0xFF;
using TOpcodeByGeneration = uint8_t[kGenerationCount];

// The entry of a per-generation table for the camera, or null when there is
// none. A generation 0..5 without the operation stores "Camera does not
// support this feature"; a generation outside 0..5 has no protocol at all and
// fails without text.
template <class T>
const T* ForGeneration(CCamera& camera, const T* const (&table)[kGenerationCount]) {
  if (camera.Generation < 0 || camera.Generation >= kGenerationCount) return nullptr;
  const T* entry = table[camera.Generation];
  if (entry == nullptr) camera.Unsupported();
  return entry;
}

// The same for a table of opcodes: kNoOpcode when there is none.
uint8_t OpcodeForGeneration(CCamera& camera, const TOpcodeByGeneration& opcodes);

// Writes the request and reads `replySize` bytes of reply (status first).
// A failed transfer writes its plain debug line and disconnects the camera.
bool Exchange(CCamera& camera, const TRequest& request, uint8_t* reply, uint32_t replySize,
              const char* writeFail, const char* readFail);

}  // namespace tQusb
