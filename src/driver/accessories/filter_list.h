#pragma once
// The camera's description of its filter wheel: one element per position
// with a name, a display colour and a focus offset, from the user's registry
// (key "Software\Kestoral Instruments\Tq Camera Filters", subkey by camera id)
// or else the "filters" section of tqusb.<id>.ini or tqusb.ini beside the
// library. Positions without a description are "<undefined>".
#include <cstdint>

#include "tqusb/containers/vlist.h"

namespace tQusb {

class CCamera;

inline constexpr unsigned kFilterNameHigh = 31;
inline constexpr unsigned kFilterLineHigh = 79;

class CFilterListElem : public vlist::CListElem {
 public:
  char Name[kFilterNameHigh + 1] = {};
  uint32_t Colour = 0;  // red in bits 0-7, green 8-15, blue 16-23
  int32_t Offset = 0;
};

// "name, colour, offset": the colour a decimal number or a colour name in any
// case (anything else 0), the offset a decimal signed number (else 0).
void ParseFilterLine(unsigned high, const char* line, CFilterListElem& elem);

// Rebuilds camera.Filters with exactly as many elements as the wheel has
// positions (integer parameter 8); may set the micrometre-offsets flag.
void LoadFilterList(CCamera& camera);

}  // namespace tQusb
