// The filter wheel: moving it, asking it to find its positions again, and the
// descriptions of its positions. Generation 1 and generations 4 and 5 have a
// wheel protocol; 0, 2 and 3 do not.
#include "driver/accessories/filter_list.h"
#include "driver/camera/camera.h"
#include "driver/transport/camera_info.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"
#include "tqusb/runtime/str.h"

namespace tQusb {
namespace {

struct TWheelOpcodes {
  uint8_t Move;    // ByteCommand with the position
  uint8_t Reinit;  // one byte; the reply is status and position count
};

// The wheel commands of a generation; false without text for a generation
// outside 0..5, with "Camera does not support this feature" for 0, 2 and 3.
bool WheelOpcodes(CCamera& camera, TWheelOpcodes* opcodes) {
  switch (camera.Generation) {
    case 1:
      *opcodes = {opcode::gen1::kFilterMove, opcode::gen1::kFilterReinit};
      return true;
    case 4:
    case 5:
      *opcodes = {opcode::gen2to5::kFilterMove, opcode::gen2to5::kFilterReinit};
      return true;
    case 0:
    case 2:
    case 3:
      return camera.Unsupported();
    default:
      return false;
  }
}

bool FindFilter(CCamera& camera, uint32_t index, CFilterListElem** found) {
  TWheelOpcodes unused{};
  if (!WheelOpcodes(camera, &unused)) return false;
  CFilterListElem* elem = nullptr;
  unsigned char ok = camera.Filters.GetFirst(&elem);
  for (uint32_t i = 0; ok && i < index; ++i) ok = camera.Filters.GetNext(&elem);
  if (!ok) return false;
  *found = elem;
  return true;
}

}  // namespace

bool CCamera::SetFilter(uint8_t index) {
  TWheelOpcodes opcodes{};
  if (!WheelOpcodes(*this, &opcodes)) return false;
  return ByteCommand(*this, opcodes.Move, index);
}

bool CCamera::ReinitFilterWheel() {
  TWheelOpcodes opcodes{};
  if (!WheelOpcodes(*this, &opcodes)) return false;
  uint8_t reply[2] = {};
  if (!WriteRequest(*this, TRequest(opcodes.Reinit), "ReinitFilterWheel USB Write FAIL"))
    return false;
  if (!ReadReply(*this, reply, sizeof reply, "ReinitFilterWheel USB Read FAIL")) return false;
  if (!CheckStatus(*this, reply[0])) return false;
  Info.FilterCount = reply[1];
  PackedInfo = PackInfo(Info);
  LoadFilterList(*this);
  return true;
}

bool CCamera::EnumerateFilters(uint32_t index, uint32_t high, char* name, uint32_t* colour) {
  CFilterListElem* elem = nullptr;
  if (!FindFilter(*this, index, &elem)) return false;
  if (name != nullptr) Str::CopyA(high, name, kFilterNameHigh, elem->Name);
  if (colour != nullptr) *colour = elem->Colour;
  return true;
}

bool CCamera::EnumerateFilters2(uint32_t index, uint32_t high, char* name, uint32_t* colour,
                                uint32_t* offset) {
  CFilterListElem* elem = nullptr;
  if (!FindFilter(*this, index, &elem)) return false;
  if (name != nullptr) Str::CopyA(high, name, kFilterNameHigh, elem->Name);
  if (colour != nullptr) *colour = elem->Colour;
  if (offset != nullptr) *offset = static_cast<uint32_t>(elem->Offset);
  return true;
}

}  // namespace tQusb
