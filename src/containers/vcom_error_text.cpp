// System error texts. Error codes reach the host as the file layer reports
// them (FIO::IOresult): the Windows codes of the common failures. Each is
// mapped to the errno value it stands for here and described by strerror.
#include <string.h>

#include <cerrno>
#include <iterator>

#include "tqusb/containers/vcom.h"
#include "tqusb/runtime/str.h"

namespace vcom {

namespace {

struct TErrorCode {
  unsigned int code;
  int errnoValue;
};

constexpr TErrorCode kErrorCodes[] = {
    {0, 0},               // success
    {1, ENOSYS},          // invalid function
    {2, ENOENT},          // file not found
    {3, ENOENT},          // path not found
    {4, EMFILE},          // too many open files
    {5, EACCES},          // access denied
    {6, EBADF},           // invalid handle
    {8, ENOMEM},          // not enough memory
    {14, ENOMEM},         // out of memory
    {15, ENODEV},         // invalid drive
    {16, EBUSY},          // current directory cannot be removed
    {17, EXDEV},          // not the same device
    {18, ENOENT},         // no more files
    {19, EROFS},          // write protected
    {21, EAGAIN},         // device not ready
    {23, EIO},            // data error
    {25, ESPIPE},         // seek error
    {29, EIO},            // write fault
    {30, EIO},            // read fault
    {31, EIO},            // general failure
    {32, EBUSY},          // sharing violation
    {33, EBUSY},          // lock violation
    {38, ENODATA},        // end of file
    {39, ENOSPC},         // disk full
    {50, ENOTSUP},        // not supported
    {80, EEXIST},         // file exists
    {87, EINVAL},         // invalid parameter
    {109, EPIPE},         // broken pipe
    {110, EIO},           // open failed
    {112, ENOSPC},        // disk full
    {122, ERANGE},        // buffer too small
    {123, EINVAL},        // invalid name
    {145, ENOTEMPTY},     // directory not empty
    {161, EINVAL},        // bad path name
    {183, EEXIST},        // already exists
    {206, ENAMETOOLONG},  // file name too long
    {267, ENOTDIR},       // directory name invalid
    {1224, ETXTBSY},      // file mapped by a user
};

// The errno value for a code, or -1 for a code without one.
int ErrnoOf(unsigned int code) {
  for (const TErrorCode& e : kErrorCodes) {
    if (e.code == code) return e.errnoValue;
  }
  return -1;
}

// Writes the text into buffer[0..high]; control characters at its end are
// dropped, as with the line end that ends a system message.
void ErrorText(unsigned int code, unsigned int high, char* buffer) {
  const int value = ErrnoOf(code);
  char text[256] = "";
  if (value >= 0) {
    // The GNU strerror_r returns the text, which may or may not be in `text`.
    const char* message = strerror_r(value, text, sizeof text);
    if (message != text) Str::CopyA(sizeof text - 1, text, 4096, message);
  }
  std::size_t length = strnlen(text, sizeof text);
  while (length > 0 && static_cast<unsigned char>(text[length - 1]) < 32) --length;
  text[length] = '\0';
  Str::CopyA(high, buffer, static_cast<unsigned int>(length), text);
}

}  // namespace

void GetErrorMessageA(unsigned int code, unsigned int high, char* buffer) {
  if (buffer == nullptr) return;
  ErrorText(code, high, buffer);
}

void GetErrorMessageW(unsigned int code, unsigned int high, char16_t* buffer) {
  if (buffer == nullptr) return;
  constexpr unsigned int kHigh = 511;
  char text[kHigh + 1];
  ErrorText(code, kHigh, text);
  Str::A2U(kHigh, text, high, buffer);
}

}  // namespace vcom
