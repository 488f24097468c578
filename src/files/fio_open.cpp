// Opening, closing, positioning and sizing files by handle.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/fio_core.h"
#include "tqusb/files/fio.h"

namespace FIO {
namespace {

enum class Mode { Open, OpenRead, Create, Append };

struct ModeFlags {
  Mode mode;
  int flags;
};

constexpr ModeFlags kModeFlags[] = {
    {Mode::Open, O_RDWR},
    {Mode::OpenRead, O_RDONLY},
    {Mode::Create, O_RDWR | O_CREAT | O_TRUNC},
    {Mode::Append, O_RDWR},
};

// A null handle would stand for descriptor 0; a file never gets it, so that a
// null handle can always be refused.
int AwayFromZero(int fd) {
  if (fd != 0) return fd;
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

void* OpenNative(const std::optional<std::string>& name, Mode mode) {
  if (!name) return InvalidHandle();
  int flags = O_CLOEXEC;
  for (const ModeFlags& entry : kModeFlags)
    if (entry.mode == mode) flags |= entry.flags;
  int fd = open(name->c_str(), flags, 0666);
  if (fd < 0) {
    files::SetErrnoError(errno, name->c_str());
    return InvalidHandle();
  }
  // Directories open for reading here but are not files.
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    files::SetError(ErrAccessDenied);
    return InvalidHandle();
  }
  fd = AwayFromZero(fd);
  if (fd < 0) {
    files::SetErrnoError(errno);
    return InvalidHandle();
  }
  if (mode == Mode::Append && lseek(fd, 0, SEEK_END) < 0) {
    files::SetErrnoError(errno);
    close(fd);
    return InvalidHandle();
  }
  return files::FdHandle(fd);
}

template <typename Ch>
void* OpenName(unsigned int high, const Ch* name, Mode mode) {
  files::BeginCall();
  return OpenNative(files::NativeName(high, name), mode);
}

// Runs a call on the handle's descriptor; false (error recorded) when the
// handle is not one or the call fails.
template <typename Call>
bool OnFd(void* handle, Call call) {
  files::BeginCall();
  const int fd = files::HandleFd(handle);
  if (fd < 0) return false;
  if (call(fd)) return true;
  files::SetErrnoError(errno);
  return false;
}

constexpr unsigned long long kAllBits = ~0ULL;

unsigned long long Position(void* handle) {
  off_t pos = -1;
  return OnFd(handle, [&](int fd) { return (pos = lseek(fd, 0, SEEK_CUR)) >= 0; })
             ? static_cast<unsigned long long>(pos)
             : kAllBits;
}

unsigned long long FileSize(void* handle) {
  struct stat st {};
  return OnFd(handle, [&](int fd) { return fstat(fd, &st) == 0; })
             ? static_cast<unsigned long long>(st.st_size)
             : kAllBits;
}

}  // namespace

void* OpenA(unsigned int nameHigh, const char* name, unsigned int) {
  return OpenName(nameHigh, name, Mode::Open);
}
void* OpenW(unsigned int nameHigh, const char16_t* name, unsigned int) {
  return OpenName(nameHigh, name, Mode::Open);
}
void* OpenReadA(unsigned int nameHigh, const char* name, unsigned int) {
  return OpenName(nameHigh, name, Mode::OpenRead);
}
void* OpenReadW(unsigned int nameHigh, const char16_t* name, unsigned int) {
  return OpenName(nameHigh, name, Mode::OpenRead);
}
void* CreateA(unsigned int nameHigh, const char* name, unsigned int) {
  return OpenName(nameHigh, name, Mode::Create);
}
void* CreateW(unsigned int nameHigh, const char16_t* name, unsigned int) {
  return OpenName(nameHigh, name, Mode::Create);
}
void* AppendA(unsigned int nameHigh, const char* name, unsigned int) {
  return OpenName(nameHigh, name, Mode::Append);
}
void* AppendW(unsigned int nameHigh, const char16_t* name, unsigned int) {
  return OpenName(nameHigh, name, Mode::Append);
}

unsigned char Close(void* handle) {
  return OnFd(handle, [](int fd) { return close(fd) == 0; });
}

unsigned char Flush(void* handle) {
  return OnFd(handle, [](int fd) { return fsync(fd) == 0; });
}

unsigned char Truncate(void* handle) {
  return OnFd(handle, [](int fd) {
    const off_t pos = lseek(fd, 0, SEEK_CUR);
    return pos >= 0 && ftruncate(fd, pos) == 0;
  });
}

unsigned char Seek(void* handle, unsigned int pos) {
  return Seek64(handle, pos);
}

unsigned char Seek64(void* handle, unsigned long long pos) {
  return OnFd(handle, [pos](int fd) {
    if (pos > static_cast<unsigned long long>(~0ULL >> 1)) {
      errno = EINVAL;
      return false;
    }
    return lseek(fd, static_cast<off_t>(pos), SEEK_SET) >= 0;
  });
}

unsigned int GetPos(void* handle) {
  return static_cast<unsigned int>(Position(handle));
}

unsigned long long GetPos64(void* handle) {
  return Position(handle);
}

unsigned int Size(void* handle) {
  return static_cast<unsigned int>(FileSize(handle));
}

unsigned long long Size64(void* handle) {
  return FileSize(handle);
}

unsigned char EndOfFile(void* handle) {
  const unsigned long long pos = Position(handle);
  if (pos == kAllBits) return 0;
  const unsigned long long size = FileSize(handle);
  return size != kAllBits && pos == size;
}

unsigned char IsUnicodeFile(void* handle) {
  unsigned char bytes[2] = {};
  ssize_t got = -1;
  if (!OnFd(handle, [&](int fd) { return (got = pread(fd, bytes, 2, 0)) >= 0; })) return 0;
  const unsigned int first = bytes[0] | (bytes[1] << 8);
  const bool mark = got == 2 && first == 0xFEFF;
  const bool unicode = mark || (got == 2 && first <= 255);
  OnFd(handle, [mark](int fd) { return lseek(fd, mark ? 2 : 0, SEEK_SET) >= 0; });
  return unicode;
}

}  // namespace FIO
