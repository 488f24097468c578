// Names for the parameter indices the tool reads, and the list of every
// index `info` asks. The numbering is the library's; where an index has no
// settled meaning the name only says what it is.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace tqcam {

inline constexpr uint32_t kIntCameraId = 0;
inline constexpr uint32_t kIntWidth = 1;
inline constexpr uint32_t kIntHeight = 2;
inline constexpr uint32_t kIntMaxBinX = 5;
inline constexpr uint32_t kIntMaxBinY = 6;
inline constexpr uint32_t kIntFilterCount = 8;
inline constexpr uint32_t kIntMaxGain = 16;
inline constexpr uint32_t kIntMaxPixel = 17;

inline constexpr uint32_t kBoolConnected = 0;
inline constexpr uint32_t kBoolSubFrames = 1;
inline constexpr uint32_t kBoolWindowHeating = 3;
inline constexpr uint32_t kBoolSetPoint = 4;
inline constexpr uint32_t kBoolFilterWheel = 6;
inline constexpr uint32_t kBoolGuidePort = 7;
inline constexpr uint32_t kBoolGain = 13;
inline constexpr uint32_t kBoolGps = 16;

inline constexpr uint32_t kStringModel = 0;
inline constexpr uint32_t kStringMaker = 1;
inline constexpr uint32_t kStringSerial = 2;
inline constexpr uint32_t kStringRevision = 3;

// Firmware version words and library version parts.
inline constexpr uint32_t kFirmwareWords[] = {128, 129, 130, 134, 135};
inline constexpr uint32_t kLibraryVersion[] = {131, 132, 133};

struct ParameterName {
  uint32_t index;
  const char* name;
};

std::span<const ParameterName> IntegerParameters();
std::span<const ParameterName> BooleanParameters();
std::span<const ParameterName> StringParameters();

// Measured values of GetValue: index, name, unit.
struct ValueName {
  uint32_t index;
  const char* name;
  const char* unit;
};
std::span<const ValueName> MeasuredValues();

}  // namespace tqcam
