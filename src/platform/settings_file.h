#pragma once
// Opening the files a person writes to configure the library (the registry
// file, the INI files, devices.conf). Such a file may be anything a path can
// name: a FIFO would block the opener, a link to a device would read without
// end. Only a regular file within a size limit is read; anything else counts
// as absent and says so in one debug line.
#include <cstddef>
#include <string>

namespace platform {

// The limits, in bytes. Registry files hold every program's values; INI files
// and the device table are hand-written and become one list node per line.
inline constexpr size_t kRegistryFileLimit = 16u << 20;
inline constexpr size_t kTextSettingsLimit = 256u << 10;

enum class SettingsOpen {
  kOpened,   // *fd is a regular file of at most the limit, opened for reading
  kMissing,  // no such file (no debug line: that is the ordinary case)
  kRefused,  // not a regular file, too large, or not readable (one debug line)
};

// Opens `path` for reading without blocking and without becoming the
// controlling terminal; the caller closes *fd.
SettingsOpen OpenSettingsFile(const std::string& path, size_t limit, int* fd);

// Reads the whole file into *text; false (with one debug line) when it does
// not fit the limit after all (it grew since it was opened) or cannot be read.
bool ReadSettingsFile(int fd, const std::string& path, size_t limit, std::string* text);

// The debug line for a file that is skipped, for readers that find it too
// large only while reading.
void ReportSkippedSettingsFile(const std::string& path, const char* why);

}  // namespace platform
