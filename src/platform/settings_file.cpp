#include "platform/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/debug_output.h"

namespace platform {

void ReportSkippedSettingsFile(const std::string& path, const char* why) {
  DebugOutput(("Settings file " + path + " ignored: " + why + "\n").c_str());
}

SettingsOpen OpenSettingsFile(const std::string& path, size_t limit, int* fd) {
  *fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (*fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return SettingsOpen::kMissing;
    ReportSkippedSettingsFile(path, std::strerror(errno));
    return SettingsOpen::kRefused;
  }
  struct stat st;
  const char* why = nullptr;
  if (fstat(*fd, &st) != 0)
    why = std::strerror(errno);
  else if (!S_ISREG(st.st_mode))
    why = "not a regular file";
  else if (static_cast<unsigned long long>(st.st_size) > limit)
    why = "larger than the limit";
  if (why == nullptr) return SettingsOpen::kOpened;
  ReportSkippedSettingsFile(path, why);
  close(*fd);
  *fd = -1;
  return SettingsOpen::kRefused;
}

bool ReadSettingsFile(int fd, const std::string& path, size_t limit, std::string* text) {
  text->clear();
  char buffer[65536];
  while (true) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ReportSkippedSettingsFile(path, std::strerror(errno));
      return false;
    }
    if (n == 0) return true;
    if (text->size() + static_cast<size_t>(n) > limit) {
      ReportSkippedSettingsFile(path, "larger than the limit");
      return false;
    }
    text->append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace platform
