#pragma once
// Identity of the library module: its file and its version.
#include <cstdint>
#include <string>

namespace platform {

// Full path of the file this code was loaded from (the shared library, or the
// program that links it statically); empty when it cannot be found.
std::string ModuleFileName();

// The project version compiled into the library: major, minor, release, build.
struct TModuleVersion {
  uint16_t major;
  uint16_t minor;
  uint16_t release;
  uint16_t build;
};
TModuleVersion ModuleVersion();

}  // namespace platform
