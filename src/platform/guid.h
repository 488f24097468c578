#pragma once
// Interface class identifiers: the 128-bit GUID record and its text form.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

struct TGuid {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];

  friend bool operator==(const TGuid&, const TGuid&) = default;
};

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" in lower case (the bus directory name).
std::string FormatGuid(const TGuid& guid);

// Reads the braced form in either letter case; false for anything else.
bool ParseGuid(std::string_view text, TGuid* guid);

}  // namespace platform
