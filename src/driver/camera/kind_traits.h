#pragma once
// What a camera kind implies, in one row per kind (0: no camera found, 1 to
// 21: the kinds the interface classes and product ids name). A camera object
// looks its row up once when its kind is decided; every branch that depends
// on the model asks the row instead of comparing kind numbers.
#include <cstdint>
#include <optional>

namespace tQusb {

inline constexpr uint32_t kKindCount = 22;

// How the sensor clock timing request is encoded.
enum class ETimingEncoding : uint8_t {
  None,             // no programmable timing
  DelayOnly,        // opcode, delay
  OverlapAndDelay,  // opcode, overlap, delay
};

// The interface class a kind-0 object watches for: every one.
inline constexpr int kAnyInterfaceClass = -1;

struct TKindTraits {
  uint32_t Kind;
  uint8_t Generations;  // bit g: the kind is played in protocol generation g
  int InterfaceClass;   // the class its devices are found in (0: none)
  // The 61-byte packed information record (generation 0 always uses it).
  bool PackedRecord;
  // The coarse temperature and analogue scales of generations 1, 4 and 5.
  bool CoarseScales;
  // The cooler power reading that the periodic refresh keeps (value 11 answers
  // from it).
  bool StoredPowerReading;
  // The read-mode list of generations 2 to 5 (the generation's multi-mode model).
  bool MultiMode;
  uint8_t Generation1ReadModes;  // 2 or 3 read modes in generation 1
  // Generation-1 readout: big-endian samples and the samples per pixel in read
  // modes 0, 1 and 2 (other modes read one).
  bool BigEndianSamples;
  uint8_t SamplesPerMode[3];
  // The sensor is read through four outputs in whole frames only, never cropped.
  bool FourOutputs;
  // Sub-frame window step and minimum widths in the 8-bit and 16-bit read modes.
  uint8_t WindowStep;
  uint16_t MinimumWidth8Bit;
  uint16_t MinimumWidth16Bit;
  ETimingEncoding Timing;
  uint8_t DefaultReadMode;  // generation 0: ReadModeG0; others: ReadMode
  // Generation-1 parameter answers: integer 14 follows Caps bit 3, boolean 14.
  bool CapsTimingIndex;
  bool BooleanIndex14;
  // Generation-0 parameter answers: booleans 131 and 132 (-1: no answer), the
  // last character of text 3 that boolean 128 tests for.
  int8_t Boolean131;
  int8_t Boolean132;
  char TextTestEnd;
};

// The row of `kind`; kinds outside the table get the row of kind 0.
const TKindTraits& KindTraitsOf(uint32_t kind);

// Read modes 0 and 2 are the 8-bit modes of the multi-mode models.
constexpr bool IsEightBitMode(uint32_t readMode) {
  return readMode == 0 || readMode == 2;
}

// The kind is the multi-mode model of `generation` (which has its read-mode
// list and 8-bit output).
inline bool IsMultiModeIn(const TKindTraits& traits, int32_t generation) {
  return traits.MultiMode && generation >= 0 && generation < 8 &&
         (traits.Generations & (1u << generation)) != 0;
}

inline std::optional<bool> TriState(int8_t value) {
  if (value < 0) return std::nullopt;
  return value != 0;
}

}  // namespace tQusb
