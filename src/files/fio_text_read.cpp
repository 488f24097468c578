// Text reading: characters, lines and separator-delimited items.
#include "files/fio_text_read.h"

#include "files/char_reader.h"
#include "files/fio_core.h"
#include "files/text_traits.h"
#include "tqusb/files/fio.h"

namespace files {
namespace {

constexpr unsigned int kEndOfText = 26;  // Ctrl-Z ends text files of old

template <typename Ch>
Ch ReadChar(void* handle, unsigned char* ok) {
  BeginCall();
  Ch c{};
  bool got = false;
  const int fd = HandleFd(handle);
  if (fd >= 0) {
    CharReader<Ch> reader(fd);
    got = reader.Next(&c);
  }
  if (ok != nullptr) *ok = got;
  return got ? c : Ch(0);
}

// Stores c at *length when there is room; false once the buffer is full.
template <typename Ch>
bool Store(unsigned int high, Ch* buffer, unsigned long long* length, Ch c) {
  if (*length > high) return false;
  buffer[(*length)++] = c;
  return true;
}

template <typename Ch>
unsigned char ReadLine(void* handle, unsigned int high, Ch* buffer) {
  BeginCall();
  const int fd = HandleFd(handle);
  if (fd < 0 || buffer == nullptr) return 0;
  CharReader<Ch> reader(fd);
  unsigned long long length = 0;
  bool any = false;
  Ch c;
  while (length <= high && reader.Next(&c)) {
    any = true;
    if (c == TextTraits<Ch>::Eol() || c == Ch(kEndOfText)) break;
    if (c == Ch('\r') || c == Ch('\n')) continue;
    Store(high, buffer, &length, c);
  }
  if (length <= high) buffer[length] = Ch(0);
  return any;
}

template <typename Ch>
unsigned char ReadItem(void* handle, unsigned int high, Ch* buffer) {
  BeginCall();
  const int fd = HandleFd(handle);
  if (fd < 0 || buffer == nullptr) return 0;
  CharReader<Ch> reader(fd);
  Ch c;
  while (reader.Peek(&c) && TextTraits<Ch>::IsSeparator(c)) reader.Take();
  unsigned long long length = 0;
  bool any = false;
  while (length <= high && reader.Next(&c)) {
    if (c == Ch('\r')) {
      reader.Next(&c);  // the LF of a CR LF pair
      break;
    }
    if (c == Ch(kEndOfText) || TextTraits<Ch>::IsSeparator(c)) break;
    any = true;
    Store(high, buffer, &length, c);
  }
  if (length <= high) buffer[length] = Ch(0);
  return any;
}

}  // namespace

unsigned char ReadItemText(void* handle, unsigned int high, char* buffer) {
  return ReadItem(handle, high, buffer);
}
unsigned char ReadItemText(void* handle, unsigned int high, char16_t* buffer) {
  return ReadItem(handle, high, buffer);
}

}  // namespace files

namespace FIO {

char RdCharA(void* handle, unsigned char* ok) {
  return files::ReadChar<char>(handle, ok);
}
char16_t RdCharW(void* handle, unsigned char* ok) {
  return files::ReadChar<char16_t>(handle, ok);
}
unsigned char RdStrA(void* handle, unsigned int high, char* buffer) {
  return files::ReadLine(handle, high, buffer);
}
unsigned char RdStrW(void* handle, unsigned int high, char16_t* buffer) {
  return files::ReadLine(handle, high, buffer);
}
unsigned char RdItemA(void* handle, unsigned int high, char* buffer) {
  return files::ReadItem(handle, high, buffer);
}
unsigned char RdItemW(void* handle, unsigned int high, char16_t* buffer) {
  return files::ReadItem(handle, high, buffer);
}

}  // namespace FIO
