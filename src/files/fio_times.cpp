// File times: last-write time by handle, as FILETIME or UTC calendar fields.
#include <sys/stat.h>
#include <time.h>

#include <cerrno>

#include "files/file_attributes.h"
#include "files/fio_core.h"
#include "tqusb/files/fio.h"

namespace FIO {
namespace {

bool LastWrite(void* handle, struct timespec* t) {
  files::BeginCall();
  const int fd = files::HandleFd(handle);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    files::SetErrnoError(errno);
    return false;
  }
  *t = st.st_mtim;
  return true;
}

// Sets the last-write time and leaves the access time alone.
unsigned char SetLastWrite(void* handle, const struct timespec& t) {
  files::BeginCall();
  const int fd = files::HandleFd(handle);
  if (fd < 0) return 0;
  const struct timespec times[2] = {{0, UTIME_OMIT}, t};
  if (futimens(fd, times) == 0) return 1;
  files::SetErrnoError(errno);
  return 0;
}

void Store(unsigned short* field, long value) {
  if (field != nullptr) *field = static_cast<unsigned short>(value);
}

}  // namespace

FILETIME GetFileTime(void* handle) {
  struct timespec t {};
  return LastWrite(handle, &t) ? files::ToFileTime(t) : FILETIME{0, 0};
}

unsigned char SetFileTime(void* handle, FILETIME time) {
  return SetLastWrite(handle, files::FromFileTime(time));
}

FILETIME GetCurrentFileTime() {
  files::BeginCall();
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return files::ToFileTime(now);
}

unsigned char GetFileTime2(void* handle, unsigned short* year, unsigned short* month,
                           unsigned short* day, unsigned short* hour, unsigned short* minute,
                           unsigned short* second, unsigned short* millisecond) {
  struct timespec t {};
  struct tm utc {};
  if (!LastWrite(handle, &t) || gmtime_r(&t.tv_sec, &utc) == nullptr) return 0;
  Store(year, utc.tm_year + 1900L);
  Store(month, utc.tm_mon + 1L);
  Store(day, utc.tm_mday);
  Store(hour, utc.tm_hour);
  Store(minute, utc.tm_min);
  Store(second, utc.tm_sec);
  Store(millisecond, t.tv_nsec / 1000000);
  return 1;
}

unsigned char SetFileTime2(void* handle, unsigned short year, unsigned short month,
                           unsigned short day, unsigned short hour, unsigned short minute,
                           unsigned short second, unsigned short millisecond) {
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59 ||
      millisecond > 999) {
    files::BeginCall();
    files::SetError(ErrInvalidParameter);
    return 0;
  }
  struct tm utc {};
  utc.tm_year = year - 1900;
  utc.tm_mon = month - 1;
  utc.tm_mday = day;
  utc.tm_hour = hour;
  utc.tm_min = minute;
  utc.tm_sec = second;
  struct timespec t {};
  t.tv_sec = timegm(&utc);
  t.tv_nsec = millisecond * 1000000L;
  return SetLastWrite(handle, t);
}

}  // namespace FIO
