// Raw byte transfer by handle.
#include <cerrno>

#include "files/fio_core.h"
#include "tqusb/files/fio.h"

namespace FIO {

unsigned int RdBin(void* handle, unsigned int, void* buffer, unsigned int count) {
  files::BeginCall();
  const int fd = files::HandleFd(handle);
  if (fd < 0 || count == 0) return 0;
  if (buffer == nullptr) {
    files::SetError(ErrInvalidParameter);
    return 0;
  }
  const long long got = files::ReadFully(fd, buffer, count);
  if (got < 0) files::SetErrnoError(errno);
  return got < 0 ? 0 : static_cast<unsigned int>(got);
}

unsigned int WrBin(void* handle, unsigned int, const void* buffer, unsigned int count) {
  files::BeginCall();
  const int fd = files::HandleFd(handle);
  if (fd < 0 || count == 0) return 0;
  if (buffer == nullptr) {
    files::SetError(ErrInvalidParameter);
    return 0;
  }
  const long long put = files::WriteFully(fd, buffer, count);
  if (put < 0) files::SetErrnoError(errno);
  return put < 0 ? 0 : static_cast<unsigned int>(put);
}

}  // namespace FIO
