// Loaded modules are the shared objects of the process (dl_iterate_phdr) and
// the program itself; the library's own file comes from dladdr
// (ModuleFileName), so it is found also when it was loaded under another name.
#include "platform/loaded_modules.h"

#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/module_info.h"

namespace platform {

namespace {

std::string_view FileName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The path with links and dot segments resolved; empty when it does not exist.
std::string Resolved(const std::string& path) {
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

// The part of a file name before its ".so" (the whole name without one) and
// the version behind it: "libtqusb.so.0.4" -> "libtqusb", "0.4".
struct TSharedName {
  std::string_view stem, version;
  bool shared;
};
TSharedName SharedName(std::string_view file) {
  for (std::size_t so = file.find(".so"); so != std::string_view::npos;
       so = file.find(".so", so + 1)) {
    if (so + 3 == file.size()) return {file.substr(0, so), {}, true};
    if (file[so + 3] == '.') return {file.substr(0, so), file.substr(so + 4), true};
  }
  return {file, {}, false};
}

// name matches path by full path, by file name, or by file name with fewer
// of its ".so" suffixes: "libtqusb", "libtqusb.so" and "libtqusb.so.0" all
// name libtqusb.so.0.4 (the version given must be a leading part of the
// file's, whole numbers only).
bool Matches(std::string_view name, const std::string& path) {
  if (path.empty()) return false;
  if (name.find('/') != std::string_view::npos) {
    if (name == path) return true;
    const std::string wanted = Resolved(std::string(name));
    return !wanted.empty() && wanted == Resolved(path);
  }
  const std::string_view file = FileName(path);
  if (file == name) return true;
  const TSharedName have = SharedName(file), want = SharedName(name);
  if (!have.shared || have.stem != want.stem) return false;
  if (want.version.empty()) return true;
  return have.version.starts_with(want.version) &&
         (have.version.size() == want.version.size() || have.version[want.version.size()] == '.');
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

}  // namespace

std::string LoadedModuleFile(std::string_view name) {
  if (name.empty()) return ProgramPath();
  const std::string self = ModuleFileName();
  if (Matches(name, self)) return self;
  TSearch search{name, {}};
  dl_iterate_phdr(VisitObject, &search);
  if (search.found.empty()) return {};
  const std::string resolved = Resolved(search.found);
  return resolved.empty() ? search.found : resolved;
}

}  // namespace platform
