// The names `info` prints for the parameter indices and measured values it
// asks (the numbering is the library's, tqusb_constants.h), and the version
// words written into FITS headers.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "tqusb/tqusb_constants.h"

namespace tqcam {

// Firmware version words and library version parts.
inline constexpr uint32_t kFirmwareWords[] = {TQ_INT_FIRMWARE_VERSION_1, TQ_INT_FIRMWARE_VERSION_2,
                                              TQ_INT_FIRMWARE_VERSION_3, TQ_INT_FIRMWARE_VERSION_4,
                                              TQ_INT_FIRMWARE_VERSION_5};
inline constexpr uint32_t kLibraryVersion[] = {TQ_INT_LIBRARY_MAJOR, TQ_INT_LIBRARY_MINOR,
                                               TQ_INT_LIBRARY_RELEASE};

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
