// The thread's FIO error code, the errno translation, handles and names.
#include "files/fio_core.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>

#include "tqusb/files/fio.h"
#include "tqusb/runtime/str.h"

namespace files {
namespace {

thread_local unsigned int t_error = 0;

struct ErrnoCode {
  int error;
  unsigned int code;
};

// The Windows codes that callers of FIO test for, by errno.
constexpr ErrnoCode kErrnoCodes[] = {
    {ENOENT, FIO::ErrFileNotFound},
    {ENOTDIR, FIO::ErrPathNotFound},
    {EMFILE, FIO::ErrTooManyOpenFiles},
    {ENFILE, FIO::ErrTooManyOpenFiles},
    {EACCES, FIO::ErrAccessDenied},
    {EPERM, FIO::ErrAccessDenied},
    {EROFS, FIO::ErrAccessDenied},
    {EISDIR, FIO::ErrAccessDenied},
    {EBADF, FIO::ErrInvalidHandle},
    {ENOMEM, FIO::ErrNotEnoughMemory},
    {EXDEV, FIO::ErrNotSameDevice},
    {ESPIPE, FIO::ErrSeek},
    {ETXTBSY, FIO::ErrSharingViolation},
    {EEXIST, FIO::ErrFileExists},
    {EINVAL, FIO::ErrInvalidParameter},
    {ENOSPC, FIO::ErrDiskFull},
    {EDQUOT, FIO::ErrDiskFull},
    {ENOTEMPTY, FIO::ErrDirNotEmpty},
    {EBUSY, FIO::ErrBusy},
    {ENAMETOOLONG, FIO::ErrFilenameTooLong},
    {EFBIG, FIO::ErrFileTooLarge},
    {ELOOP, 1921u},  // cannot resolve the name
    {EIO, 1117u},    // device I/O error
};

bool ParentMissing(const char* path) {
  if (path == nullptr) return false;
  std::string parent(path);
  const std::size_t slash = parent.find_last_of('/');
  if (slash == std::string::npos) return false;  // the current directory exists
  parent.resize(slash == 0 ? 1 : slash);
  struct stat st {};
  return stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
}

std::string WithSlashes(const char* text) {
  std::string native(text);
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

}  // namespace

void BeginCall() {
  t_error = FIO::ErrNone;
}

void SetError(unsigned int code) {
  t_error = code;
}

unsigned int LastError() {
  return t_error;
}

void SetErrnoError(int error, const char* path) {
  unsigned int code = FIO::ErrGenFailure;
  for (const ErrnoCode& entry : kErrnoCodes)
    if (entry.error == error) code = entry.code;
  if (error == ENOENT && ParentMissing(path)) code = FIO::ErrPathNotFound;
  t_error = code;
}

int HandleFd(void* handle) {
  const auto value = reinterpret_cast<std::uintptr_t>(handle);
  if (handle == nullptr || value > static_cast<std::uintptr_t>(INT_MAX)) {
    t_error = FIO::ErrInvalidHandle;
    return -1;
  }
  return static_cast<int>(value);
}

void* FdHandle(int fd) {
  return fd < 0 ? FIO::InvalidHandle() : reinterpret_cast<void*>(static_cast<std::uintptr_t>(fd));
}

std::optional<std::string> NativeName(unsigned int high, const char* name) {
  char text[kNamePlaces];
  if (name == nullptr) {
    t_error = FIO::ErrInvalidParameter;
    return std::nullopt;
  }
  if (!Str::StrToCA(high, name, kNamePlaces - 1, text)) {
    t_error = FIO::ErrFilenameTooLong;
    return std::nullopt;
  }
  return WithSlashes(text);
}

// The limit counts UTF-16 units; the UTF-8 form may be longer.
std::optional<std::string> NativeName(unsigned int high, const char16_t* name) {
  char16_t wide[kNamePlaces];
  if (name == nullptr) {
    t_error = FIO::ErrInvalidParameter;
    return std::nullopt;
  }
  if (!Str::StrToCW(high, name, kNamePlaces - 1, wide)) {
    t_error = FIO::ErrFilenameTooLong;
    return std::nullopt;
  }
  char narrow[kNamePlaces * 3 + 1];  // at most three bytes per unit
  Str::U2A(kNamePlaces - 1, wide, sizeof narrow - 1, narrow);
  return WithSlashes(narrow);
}

long long ReadFully(int fd, void* buffer, unsigned long long count) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  unsigned long long done = 0;
  while (done < count) {
    const ssize_t n = read(fd, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<unsigned long long>(n);
  }
  return static_cast<long long>(done);
}

long long WriteFully(int fd, const void* buffer, unsigned long long count) {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  unsigned long long done = 0;
  while (done < count) {
    const ssize_t n = write(fd, bytes + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    done += static_cast<unsigned long long>(n);
  }
  return static_cast<long long>(done);
}

}  // namespace files
