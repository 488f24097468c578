// Module start-up and the two library-wide tables of SetTabs.
#include <clocale>
#include <cstring>

#include "runtime/str_tabs.h"

namespace Str {
namespace {
unsigned short gTab1[128];
unsigned short gTab2[128];
}  // namespace

namespace detail {
const unsigned short* Tab1() {
  return gTab1;
}
const unsigned short* Tab2() {
  return gTab2;
}
}  // namespace detail

void SetTabs(const void* tab1, const void* tab2) {
  if (tab1 != nullptr) std::memcpy(gTab1, tab1, sizeof(gTab1));
  if (tab2 != nullptr) std::memcpy(gTab2, tab2, sizeof(gTab2));
}

// The user's locale for collation and character classes, but numbers are always
// written and read with '.' as the decimal point.
void InitModule() {
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace Str
