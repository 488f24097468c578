// List elements that carry a string.
#include "tqusb/containers/vcom.h"
#include "tqusb/runtime/str.h"

namespace vcom {

CCommonStringListElem::CCommonStringListElem() = default;

CStringListElemA::CStringListElemA() = default;

CStringListElemA::CStringListElemA(unsigned int high, const char* s) {
  if (s != nullptr) Str::CopyA(kHigh, text, high, s);
}

CStringListElem255A::CStringListElem255A() = default;

CStringListElem255A::CStringListElem255A(unsigned int high, const char* s) {
  if (s != nullptr) Str::CopyA(kHigh, text, high, s);
}

CDStringListElemA::CDStringListElemA() = default;

CDStringListElemA::CDStringListElemA(char* s) : text(s) {}

}  // namespace vcom
