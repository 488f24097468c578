#pragma once
// Reading and replacing the scanners' text files through FIO.
#include <string>

#include "files/fio_core.h"
#include "platform/file_replace.h"
#include "platform/settings_file.h"
#include "tqusb/files/fio.h"

namespace vscan::detail {

inline constexpr unsigned int kShareRead = 1;
inline constexpr unsigned int kShareWrite = 2;

// Opens the scanner's file for reading: only a regular file of at most
// platform::kTextSettingsLimit bytes, opened without blocking (a FIFO or a
// device would block or read without end). Anything else is the invalid
// handle, as for a missing file.
template <class Char>
void* OpenForReading(unsigned int nameHigh, const Char* name) {
  std::optional<std::string> path = files::NativeName(nameHigh, name);
  int fd = -1;
  if (!path || platform::OpenSettingsFile(*path, platform::kTextSettingsLimit, &fd) !=
                   platform::SettingsOpen::kOpened)
    return FIO::InvalidHandle();
  return files::FdHandle(fd);
}

// Whether the reading has stayed within the limit; a file that grows while
// it is read counts as absent.
template <class Char>
bool ReadWithinLimit(void* handle, unsigned int nameHigh, const Char* name) {
  if (FIO::GetPos64(handle) <= platform::kTextSettingsLimit) return true;
  std::optional<std::string> path = files::NativeName(nameHigh, name);
  platform::ReportSkippedSettingsFile(path.value_or(""), "larger than the limit");
  return false;
}

// Writes the file through `write` (handle -> success). Where a rename keeps
// the file's identity (platform/file_replace.h), the new text goes to a
// temporary file beside it that is renamed over it, so a crash leaves the old
// or the new text. Elsewhere (a file with other hard links, another owner, a
// mode or group the new file cannot take, a directory this user may not
// write) the file is rewritten in place: a symbolic link, the mode, the owner
// and the other names stay as they were. An existing file that cannot be
// opened for writing is left alone, as creating it would fail.
template <class Char, class Write>
bool SaveReplacing(unsigned int nameHigh, const Char* name, Write write) {
  std::optional<std::string> target = files::NativeName(nameHigh, name);
  if (!target) return false;
  unsigned int targetHigh = static_cast<unsigned int>(target->size());
  if (FIO::ExistsA(targetHigh, target->c_str())) {
    void* probe = FIO::OpenA(targetHigh, target->c_str(), kShareWrite);
    if (probe == FIO::InvalidHandle()) return false;
    FIO::Close(probe);
  }
  std::string real;
  if (platform::RenameKeepsIdentity(*target, &real) && real.size() < files::kNamePlaces) {
    std::string temp = platform::TemporarySibling(real);
    void* handle = FIO::CreateA(static_cast<unsigned int>(temp.size()), temp.c_str(), kShareWrite);
    if (handle != FIO::InvalidHandle()) {
      const bool renamable = platform::TakeIdentity(files::HandleFd(handle), real);
      bool written = renamable && write(handle);
      written = FIO::Close(handle) && written;
      if (written) return platform::ReplaceFile(temp, real);
      FIO::DeleteA(static_cast<unsigned int>(temp.size()), temp.c_str());
      if (renamable) return false;  // the old file stays whole; the save can be retried
    }
  }
  void* handle = FIO::CreateA(targetHigh, target->c_str(), kShareWrite);
  if (handle == FIO::InvalidHandle()) return false;
  bool written = write(handle);
  return FIO::Close(handle) && written;
}

}  // namespace vscan::detail
