#pragma once
// Reads a file's characters (bytes, or 16-bit little-endian units) through a
// small buffer and, when done, puts the file position right behind the last
// character taken, so that text reads mix freely with Seek and RdBin.
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include "files/fio_core.h"

namespace files {

template <typename Ch>
class CharReader {
 public:
  explicit CharReader(int fd) : fd_(fd) {}
  ~CharReader() {
    const off_t unused = static_cast<off_t>(filled_ - next_);
    if (unused > 0) lseek(fd_, -unused, SEEK_CUR);
  }
  CharReader(const CharReader&) = delete;
  CharReader& operator=(const CharReader&) = delete;

  // The next character without taking it; false at the end or on failure.
  bool Peek(Ch* c) {
    if (next_ == filled_ && !Fill()) return false;
    *c = Decode(next_);
    return true;
  }
  void Take() { next_ += sizeof(Ch); }
  bool Next(Ch* c) {
    if (!Peek(c)) return false;
    Take();
    return true;
  }

 private:
  bool Fill() {
    if (failed_) return false;
    filled_ = next_ = 0;
    long long got;
    do {
      got = read(fd_, bytes_, sizeof bytes_);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
      SetErrnoError(errno);
      failed_ = true;
      return false;
    }
    // A lone last byte of a 16-bit file is no character; leave it unread.
    const long long whole = got - got % static_cast<long long>(sizeof(Ch));
    if (got > whole) lseek(fd_, -(got - whole), SEEK_CUR);
    filled_ = static_cast<unsigned int>(whole);
    return filled_ > 0;
  }
  Ch Decode(unsigned int at) const {
    if constexpr (sizeof(Ch) == 1) {
      return static_cast<Ch>(bytes_[at]);
    } else {
      return static_cast<Ch>(bytes_[at] | (bytes_[at + 1] << 8));
    }
  }

  int fd_;
  unsigned char bytes_[256];
  unsigned int filled_ = 0;
  unsigned int next_ = 0;
  bool failed_ = false;
};

}  // namespace files
