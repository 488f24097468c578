// The file name of a loaded module (platform::LoadedModuleFile says how
// modules are named); the W form goes through the 8-bit one.
#include <string>

#include "platform/loaded_modules.h"
#include "tqusb/containers/vcom.h"
#include "tqusb/runtime/str.h"

namespace vcom {

unsigned char GetModulePathA(unsigned int nameHigh, const char* name, unsigned int pathHigh,
                             char* path) {
  if (path == nullptr) return 0;
  if (name == nullptr) {
    Str::CopyA(pathHigh, path, 0, "");
    return 0;
  }
  const std::string found =
      platform::LoadedModuleFile(std::string_view(name, Str::LengthA(nameHigh, name)));
  if (found.empty()) {
    Str::CopyA(pathHigh, path, nameHigh, name);
    return 0;
  }
  Str::CopyA(pathHigh, path, static_cast<unsigned int>(found.size()), found.c_str());
  return 1;
}

// Through the 8-bit form with the name in the 8-bit code page and at most 511
// characters of path.
unsigned char GetModulePathW(unsigned int nameHigh, const char16_t* name, unsigned int pathHigh,
                             char16_t* path) {
  if (path == nullptr) return 0;
  if (name == nullptr) {
    Str::CopyW(pathHigh, path, 0, u"");
    return 0;
  }
  constexpr unsigned int kHigh = 511;
  char nameA[kHigh + 1];
  char pathA[kHigh + 1];
  Str::U2A(nameHigh, name, kHigh, nameA);
  if (!GetModulePathA(kHigh, nameA, kHigh, pathA)) {
    Str::CopyW(pathHigh, path, nameHigh, name);
    return 0;
  }
  Str::A2U(kHigh, pathA, pathHigh, path);
  return 1;
}

}  // namespace vcom
