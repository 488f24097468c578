#include "platform/module_info.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include "tqusb_version.h"

namespace platform {

std::string ModuleFileName() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&ModuleFileName), &info) || !info.dli_fname ||
      !*info.dli_fname)
    return {};
  char resolved[PATH_MAX];
  if (realpath(info.dli_fname, resolved)) return resolved;
  return info.dli_fname;
}

TModuleVersion ModuleVersion() {
  return {TQUSB_VERSION_MAJOR, TQUSB_VERSION_MINOR, TQUSB_VERSION_PATCH,
          TQUSB_VERSION_TWEAK + 0};  // "+ 0": the tweak number may be empty
}

}  // namespace platform
