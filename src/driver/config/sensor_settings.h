#pragma once
// Sensor clock timing (camera kinds 3 to 8, sent once at configuration) and
// the preflash of generation-1 cameras: their request encodings and the
// operations that send them.
#include <cstdint>
#include <optional>

#include "driver/transport/protocol.h"

namespace tQusb {

class CCamera;

// Kinds 7 and 8 take overlap and delay, kinds 3 to 6 the delay only; other
// kinds have no programmable timing (no request).
std::optional<TRequest> TimingRequest(uint32_t cameraKind, uint8_t overlap, uint8_t delay);

// The preflash time in milliseconds, rounded, 65535 at most; a negative or
// non-finite time keeps the low 16 bits of its rounded integer part (0 for
// non-finite times).
uint16_t PreflashMilliseconds(double seconds);
// Opcode, time word (low byte first) and a count of at most 16.
TRequest PreflashRequest(double seconds, uint32_t count);

// Sends the timing to a camera of kinds 3 to 8. Used by the configuration
// step only; it has no export.
bool SetTiming(CCamera& camera, uint8_t overlap, uint8_t delay);

}  // namespace tQusb
