// GetValue: one measured quantity, asked for with the word query of the
// camera's generation (or the power request) and converted on a fixed scale.
#include "driver/accessories/exchange.h"
#include "driver/accessories/value_scales.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"

namespace tQusb {
namespace {

// The value-index table: which host indices a generation group knows, the
// query index it sends for them and the scale of the answer. The variant
// scale applies to kinds with the coarse scales (generations 1, 4, 5) or, in generation 0,
// when packed flag bit 1 is set.
constexpr uint8_t kPowerRequest = 0xFF;  // not a word query: the power-reading exchange

struct TValueRow {
  uint32_t FirstIndex, LastIndex;
  uint8_t Query;
  EValueScale Scale;
  EValueScale Variant;
};

struct TValueGroup {
  uint8_t QueryOpcode;
  const char* WriteFail;
  const char* ReadFail;
  const TValueRow* Rows;
  unsigned RowCount;
};

using S = EValueScale;

constexpr TValueRow kRowsG0[] = {
    {0, 0, 0x00, S::SensorG0, S::SensorG0Sixteenth},
    {10, 10, 0x02, S::AnalogG0, S::AnalogG0},
};
constexpr TValueRow kRowsG145[] = {
    {0, 0, 0x00, S::TemperatureFine, S::TemperatureCoarse},
    {1, 3, 0x01, S::TemperatureFine, S::TemperatureCoarse},
    {10, 10, 0x02, S::AnalogFine, S::AnalogCoarse},
    {11, 11, kPowerRequest, S::Thousandths, S::Thousandths},  // scales unused
    {20, 20, 0x03, S::Thousandths, S::Thousandths},
};
constexpr TValueRow kRowsG23[] = {
    {0, 0, 0x00, S::SensorG23, S::SensorG23},
    {20, 20, 0x03, S::Thousandths, S::Thousandths},
};

constexpr TValueGroup kGroupG0 = {opcode::gen0::kQueryWord, "GetValue USB Write1 FAIL",
                                  "GetValue USB Read1 FAIL", kRowsG0, 2};
constexpr TValueGroup kGroupG145 = {opcode::gen1::kQueryWord, "GetValue USB Write2 FAIL",
                                    "GetValue USB Read2 FAIL", kRowsG145, 5};
constexpr TValueGroup kGroupG23 = {opcode::gen2to5::kQueryWord, "GetValue USB Write3 FAIL",
                                   "GetValue USB Read3 FAIL", kRowsG23, 2};

constexpr const TValueGroup* kGroups[kGenerationCount] = {&kGroupG0,  &kGroupG145, &kGroupG23,
                                                          &kGroupG23, &kGroupG145, &kGroupG145};

constexpr uint16_t kPackedSixteenthFlag = 0x0002;

const TValueRow* FindRow(const TValueGroup& group, uint32_t index) {
  for (unsigned i = 0; i < group.RowCount; ++i)
    if (index >= group.Rows[i].FirstIndex && index <= group.Rows[i].LastIndex)
      return &group.Rows[i];
  return nullptr;
}

bool UsesVariant(const CCamera& camera) {
  if (camera.Generation == 0) return (camera.PackedInfo.PackedFlags & kPackedSixteenthFlag) != 0;
  return camera.Traits->CoarseScales;
}

uint16_t Word(const uint8_t* bytes) {
  return static_cast<uint16_t>(bytes[0] | (bytes[1] << 8));
}

// Value 11 of the kinds that have no stored reading: a / b of the power
// request's two words, -1.0 when b is 0. (Kinds 1 and 2 form a / (a + b).)
bool ReadPowerQuotient(CCamera& camera, const TValueGroup& group, float* value) {
  // Generations 1, 4 and 5 share the power request; its second byte is 0.
  static_assert(opcode::gen1::kPowerReading == opcode::gen2to5::kPowerReading);
  const TRequest request = TRequest(opcode::gen2to5::kPowerReading).Byte(0);
  uint8_t reply[5] = {};
  if (!Exchange(camera, request, reply, sizeof reply, group.WriteFail, group.ReadFail))
    return false;
  if (!CheckStatus(camera, reply[0])) return false;
  const uint16_t a = Word(reply + 1);
  const uint16_t b = Word(reply + 3);
  *value = b == 0 ? -1.0f : static_cast<float>(a) / static_cast<float>(b);
  return true;
}

}  // namespace

bool CCamera::GetValue(uint32_t index, float* value) {
  if (Generation < 0 || Generation >= kGenerationCount) return false;
  const TValueGroup& group = *kGroups[Generation];
  const TValueRow* row = FindRow(group, index);
  if (row == nullptr) {
    SetLastError("Unsupported value index");
    return false;
  }
  if (value == nullptr) return false;
  if (row->Query == kPowerRequest) {
    // Kinds with a stored reading answer from what the power timer keeps.
    if (Traits->StoredPowerReading) {
      *value = PowerUtilization;
      return true;
    }
    return ReadPowerQuotient(*this, group, value);
  }
  uint8_t reply[3] = {};
  if (!Exchange(*this, TRequest(group.QueryOpcode).Byte(row->Query), reply, sizeof reply,
                group.WriteFail, group.ReadFail))
    return false;
  if (!CheckStatus(*this, reply[0])) return false;
  *value = ConvertRaw(UsesVariant(*this) ? row->Variant : row->Scale, Word(reply + 1));
  return true;
}

}  // namespace tQusb
