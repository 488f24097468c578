#pragma once
// File attributes and times in the forms FIO reports them.
#include <sys/stat.h>
#include <time.h>

#include "tqusb/files/fio.h"

namespace files {

// Directory 0x10 and read-only 0x01 (no write permission for anyone); a plain
// writable file is "normal" 0x80.
inline unsigned int AttributesOf(const struct stat& st) {
  unsigned int attr = 0;
  if (S_ISDIR(st.st_mode)) attr |= FIO::AttrDirectory;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attr |= FIO::AttrReadOnly;
  return attr == 0 ? FIO::AttrNormal : attr;
}

// Seconds from 1 January 1601 to 1 January 1970.
inline constexpr long long kEpochDifference = 11644473600LL;

inline FIO::FILETIME ToFileTime(const struct timespec& t) {
  const long long ticks =
      (static_cast<long long>(t.tv_sec) + kEpochDifference) * 10000000LL + t.tv_nsec / 100;
  const auto u = static_cast<unsigned long long>(ticks < 0 ? 0 : ticks);
  return {static_cast<std::uint32_t>(u), static_cast<std::uint32_t>(u >> 32)};
}

inline struct timespec FromFileTime(FIO::FILETIME f) {
  const unsigned long long u =
      (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
  struct timespec t {};
  t.tv_sec = static_cast<time_t>(static_cast<long long>(u / 10000000ULL) - kEpochDifference);
  t.tv_nsec = static_cast<long>((u % 10000000ULL) * 100);
  return t;
}

}  // namespace files
