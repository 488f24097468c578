// The file name of a loaded module. A module is named as a loaded shared
// object: by its full path, by its file name, or by its file name without the
// ".so" suffixes ("libtqusb" finds libtqusb.so.1). An empty name is the program
// itself. The library's own file comes from dladdr (platform::ModuleFileName),
// so it is found also when it was loaded under another name.
#include <link.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "platform/module_info.h"
#include "tqusb/containers/vcom.h"
#include "tqusb/runtime/str.h"

namespace vcom {

namespace {

std::string_view FileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// name matches path by full path, by file name, or by file name up to ".so".
bool Matches(std::string_view name, const std::string& path) {
  if (path.empty()) return false;
  if (name.find('/') != std::string_view::npos) {
    char resolved[PATH_MAX];
    const std::string wanted(name);
    return name == path || (realpath(wanted.c_str(), resolved) && path == resolved);
  }
  const std::string_view file = FileName(path);
  if (file == name) return true;
  return file.size() > name.size() && file.substr(0, name.size()) == name &&
         file.substr(name.size()).starts_with(".so");
}

std::string ProgramPath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

struct TSearch {
  std::string_view name;
  std::string found;
};

int VisitObject(dl_phdr_info* info, std::size_t, void* context) {
  auto* search = static_cast<TSearch*>(context);
  if (info->dlpi_name == nullptr || info->dlpi_name[0] == '\0') return 0;
  if (!Matches(search->name, info->dlpi_name)) return 0;
  search->found = info->dlpi_name;
  return 1;
}

std::string FindModule(std::string_view name) {
  if (name.empty()) return ProgramPath();
  const std::string self = platform::ModuleFileName();
  if (Matches(name, self)) return self;
  TSearch search{name, {}};
  dl_iterate_phdr(VisitObject, &search);
  if (search.found.empty()) return {};
  char resolved[PATH_MAX];
  return realpath(search.found.c_str(), resolved) ? std::string(resolved) : search.found;
}

}  // namespace

unsigned char GetModulePathA(unsigned int nameHigh, const char* name, unsigned int pathHigh,
                             char* path) {
  if (path == nullptr) return 0;
  if (name == nullptr) {
    Str::CopyA(pathHigh, path, 0, "");
    return 0;
  }
  const std::string found = FindModule(std::string_view(name, Str::LengthA(nameHigh, name)));
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
