// The string parameters: the three texts of the information record and the
// maker's name. They do not depend on the generation.
#include "driver/config/parameter_view.h"
#include "tqusb/runtime/str.h"

namespace tQusb {
namespace {

constexpr const char* kMakerName = "Kestoral Instruments";
constexpr unsigned kMakerNameHigh = 20;
constexpr unsigned kInfoTextHigh = kInfoTextLength - 1;

}  // namespace

bool StringParameter(const TCameraInfo& info, uint32_t index, uint32_t high, char* buffer) {
  switch (index) {
    case 0:
      Str::CopyA(high, buffer, kInfoTextHigh, info.Text0);
      return true;
    case 1:
      Str::CopyA(high, buffer, kMakerNameHigh, kMakerName);
      return true;
    case 2:
      Str::CopyA(high, buffer, kInfoTextHigh, info.Text2);
      return true;
    case 3:
      Str::CopyA(high, buffer, kInfoTextHigh, info.Text3);
      return true;
    default:
      return false;
  }
}

}  // namespace tQusb
