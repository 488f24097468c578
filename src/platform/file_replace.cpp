#include "platform/file_replace.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace platform {

std::string TemporarySibling(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  char name[32];
  std::snprintf(name, sizeof name, ".~%x.%x", static_cast<unsigned>(getpid()),
                counter.fetch_add(1) & 0xFFFFu);
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(name) : path.substr(0, slash + 1) + name;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  unlink(from.c_str());
  return false;
}

}  // namespace platform
