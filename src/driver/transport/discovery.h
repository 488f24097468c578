#pragma once
// Finding camera devices by interface class and camera id.
#include <cstdint>

#include "driver/transport/backend.h"

namespace tQusb {

using TEnumCallback = void (*)(uint32_t id);

// The id the camera reports for itself (reply to opcode 0x00), or -1. Classes
// 1 to 8 answer with 65 bytes, 9 to 14 with 61.
int32_t GetDeviceId(unsigned high, const char* path, int classNumber);

// Without callback: the first device of the class that this caller could
// claim and that has the wanted id (-1: any); its open handle is returned and
// the claim and `path` stay with the caller. With callback: every free device
// of the class is reported by its id and left unclaimed; the result is then
// the invalid handle. `path` is empty when nothing was found. `busy`, when
// given, is set when a device was passed over only because another holder had
// its claim (perhaps just for a moment, to read its id).
transport::Handle FindDevice(int classNumber, TEnumCallback callback, int32_t wantedId,
                             unsigned high, char* path, bool* busy = nullptr);

// Reports the id of every attached camera that no process has claimed,
// class 1 to 14 in order.
void EnumerateCameras(TEnumCallback callback);

}  // namespace tQusb
