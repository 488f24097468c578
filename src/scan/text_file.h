#pragma once
// Reading and replacing the scanners' text files through FIO.
#include <string>

#include "files/fio_core.h"
#include "platform/file_replace.h"
#include "tqusb/files/fio.h"

namespace vscan::detail {

inline constexpr unsigned int kShareRead = 1;
inline constexpr unsigned int kShareWrite = 2;

// Writes the new file through `write` (handle -> success) under a temporary
// name beside the file and renames it over the file. An existing file that
// cannot be opened for writing is left alone, as creating it would fail.
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
  std::string temp = platform::TemporarySibling(*target);
  void* handle = FIO::CreateA(static_cast<unsigned int>(temp.size()), temp.c_str(), kShareWrite);
  if (handle == FIO::InvalidHandle()) return false;
  bool written = write(handle);
  written = FIO::Close(handle) && written;
  if (!written) {
    FIO::DeleteA(static_cast<unsigned int>(temp.size()), temp.c_str());
    return false;
  }
  return platform::ReplaceFile(temp, *target);
}

}  // namespace vscan::detail
