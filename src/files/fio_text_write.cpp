// Text writing: strings in fields, characters, line ends and values.
#include <cerrno>
#include <string>

#include "files/fio_core.h"
#include "files/text_traits.h"
#include "tqusb/files/fio.h"
#include "tqusb/runtime/str.h"
#include "tqusb/runtime/str_convert.h"

namespace files {
namespace {

constexpr unsigned long long kFieldLimit = 256;  // longest string and field
constexpr unsigned int kNumberHigh = 79;         // numbers convert into 80 places
constexpr unsigned int kRepeatPiece = 80;

// Writes the characters as bytes or 16-bit little-endian units.
template <typename Ch>
bool Put(void* handle, const Ch* text, unsigned long long count) {
  const int fd = HandleFd(handle);
  if (fd < 0) return false;
  if (count == 0) return true;
  std::string bytes;
  if constexpr (sizeof(Ch) == 1) {
    bytes.assign(text, count);
  } else {
    bytes.reserve(count * 2);
    for (unsigned long long i = 0; i < count; ++i) {
      bytes.push_back(static_cast<char>(text[i] & 0xFF));
      bytes.push_back(static_cast<char>(text[i] >> 8));
    }
  }
  if (WriteFully(fd, bytes.data(), bytes.size()) == static_cast<long long>(bytes.size()))
    return true;
  SetErrnoError(errno);
  return false;
}

template <typename Ch>
unsigned long long LengthOf(unsigned int high, const Ch* s) {
  if (s == nullptr) return 0;
  if constexpr (sizeof(Ch) == 1)
    return Str::LengthA(high, s);
  else
    return Str::LengthW(high, s);
}

template <typename Ch>
unsigned char WriteAdjusted(void* handle, unsigned int high, const Ch* s, int width) {
  BeginCall();
  unsigned long long length = LengthOf(high, s);
  if (length > kFieldLimit) length = kFieldLimit;
  const long long signedWidth = width;
  unsigned long long field =
      static_cast<unsigned long long>(signedWidth < 0 ? -signedWidth : signedWidth);
  if (field > kFieldLimit) field = kFieldLimit;
  std::basic_string<Ch> out;
  if (width != 0 && length > field && FIO::ChopOff == 1) {
    out.assign(field, Ch('?'));
  } else {
    if (s != nullptr) out.assign(s, length);
    const unsigned long long fill = length < field ? field - length : 0;
    if (width > 0) out.insert(0, fill, TextTraits<Ch>::Prefix());
    if (width < 0) out.append(fill, TextTraits<Ch>::Suffix());
  }
  return Put(handle, out.data(), out.size());
}

template <typename Ch>
unsigned char WriteRepeated(void* handle, Ch c, unsigned int count) {
  BeginCall();
  Ch piece[kRepeatPiece];
  for (Ch& p : piece) p = c;
  if (count == 0) return HandleFd(handle) >= 0;
  while (count > 0) {
    const unsigned int n = count < kRepeatPiece ? count : kRepeatPiece;
    if (!Put(handle, piece, n)) return 0;
    count -= n;
  }
  return 1;
}

template <typename Ch>
unsigned char WriteLineEnd(void* handle) {
  BeginCall();
  const Ch crlf[2] = {Ch('\r'), Ch('\n')};
  return Put(handle, crlf, 2);
}

// Converts with `convert(high, buffer, &ok)` into 80 places and writes the
// text in its field; nothing is written when the conversion fails.
template <typename Ch, typename Convert>
unsigned char WriteConverted(void* handle, int width, Convert convert) {
  Ch text[kNumberHigh + 1] = {};
  unsigned char ok = 0;
  convert(kNumberHigh, text, &ok);
  if (!ok) {
    BeginCall();
    return 0;
  }
  return WriteAdjusted(handle, kNumberHigh, text, width);
}

template <typename Ch>
unsigned char WriteCard(void* handle, unsigned int value, unsigned int base, int width) {
  return WriteConverted<Ch>(handle, width, [&](unsigned int high, Ch* text, unsigned char* ok) {
    if constexpr (sizeof(Ch) == 1)
      Str::CardToStrA(value, high, text, base, ok);
    else
      Str::CardToStrW(value, high, text, base, ok);
  });
}

template <typename Ch>
unsigned char WriteInt(void* handle, int value, int width) {
  return WriteConverted<Ch>(handle, width, [&](unsigned int high, Ch* text, unsigned char* ok) {
    if constexpr (sizeof(Ch) == 1)
      Str::IntToStrA(value, high, text, 10, ok);
    else
      Str::IntToStrW(value, high, text, 10, ok);
  });
}

template <typename Ch>
unsigned char WriteReal(void* handle, double value, unsigned int digits, int width) {
  return WriteConverted<Ch>(handle, width, [&](unsigned int high, Ch* text, unsigned char* ok) {
    if constexpr (sizeof(Ch) == 1)
      Str::RealToStrA(value, digits, FIO::Eng, high, text, ok);
    else
      Str::RealToStrW(value, digits, FIO::Eng, high, text, ok);
  });
}

template <typename Ch>
unsigned char WriteFixReal(void* handle, double value, unsigned int decimals, int width) {
  return WriteConverted<Ch>(handle, width, [&](unsigned int high, Ch* text, unsigned char* ok) {
    if constexpr (sizeof(Ch) == 1)
      Str::FixRealToStrA(value, decimals, high, text, ok);
    else
      Str::FixRealToStrW(value, decimals, high, text, ok);
  });
}

template <typename Ch>
unsigned char WriteBool(void* handle, unsigned char value, int width) {
  static constexpr Ch kTrue[] = {'T', 'R', 'U', 'E', 0};
  static constexpr Ch kFalse[] = {'F', 'A', 'L', 'S', 'E', 0};
  return WriteAdjusted(handle, 5, value ? kTrue : kFalse, width);
}

}  // namespace
}  // namespace files

namespace FIO {

using files::WriteCard;
using files::WriteInt;

unsigned char WrStrAdjA(void* h, unsigned int high, const char* s, int width) {
  return files::WriteAdjusted(h, high, s, width);
}
unsigned char WrStrA(void* h, unsigned int high, const char* s) {
  return files::WriteAdjusted(h, high, s, 0);
}
unsigned char WrCharA(void* h, char c) {
  return files::WriteRepeated(h, c, 1);
}
unsigned char WrCharRepA(void* h, char c, unsigned int count) {
  return files::WriteRepeated(h, c, count);
}
unsigned char WrLnA(void* h) {
  return files::WriteLineEnd<char>(h);
}
unsigned char WrCard8A(void* h, unsigned char v, int width) {
  return WriteCard<char>(h, v, 10, width);
}
unsigned char WrCard16A(void* h, unsigned short v, int width) {
  return WriteCard<char>(h, v, 10, width);
}
unsigned char WrCard32A(void* h, unsigned int v, int width) {
  return WriteCard<char>(h, v, 10, width);
}
unsigned char WrInt8A(void* h, signed char v, int width) {
  return WriteInt<char>(h, v, width);
}
unsigned char WrInt16A(void* h, short v, int width) {
  return WriteInt<char>(h, v, width);
}
unsigned char WrInt32A(void* h, int v, int width) {
  return WriteInt<char>(h, v, width);
}
unsigned char WrHex8A(void* h, unsigned char v, int width) {
  return WriteCard<char>(h, v, 16, width);
}
unsigned char WrHex16A(void* h, unsigned short v, int width) {
  return WriteCard<char>(h, v, 16, width);
}
unsigned char WrHex32A(void* h, unsigned int v, int width) {
  return WriteCard<char>(h, v, 16, width);
}
unsigned char WrRealA(void* h, float v, unsigned int digits, int width) {
  return files::WriteReal<char>(h, v, digits, width);
}
unsigned char WrLngRealA(void* h, double v, unsigned int digits, int width) {
  return files::WriteReal<char>(h, v, digits, width);
}
unsigned char WrFixRealA(void* h, float v, unsigned int decimals, int width) {
  return files::WriteFixReal<char>(h, v, decimals, width);
}
unsigned char WrFixLngRealA(void* h, double v, unsigned int decimals, int width) {
  return files::WriteFixReal<char>(h, v, decimals, width);
}
unsigned char WrBoolA(void* h, unsigned char v, int width) {
  return files::WriteBool<char>(h, v, width);
}

unsigned char WrStrAdjW(void* h, unsigned int high, const char16_t* s, int width) {
  return files::WriteAdjusted(h, high, s, width);
}
unsigned char WrStrW(void* h, unsigned int high, const char16_t* s) {
  return files::WriteAdjusted(h, high, s, 0);
}
unsigned char WrCharW(void* h, char16_t c) {
  return files::WriteRepeated(h, c, 1);
}
unsigned char WrCharRepW(void* h, char16_t c, unsigned int count) {
  return files::WriteRepeated(h, c, count);
}
unsigned char WrLnW(void* h) {
  return files::WriteLineEnd<char16_t>(h);
}
unsigned char WrCard8W(void* h, unsigned char v, int width) {
  return WriteCard<char16_t>(h, v, 10, width);
}
unsigned char WrCard16W(void* h, unsigned short v, int width) {
  return WriteCard<char16_t>(h, v, 10, width);
}
unsigned char WrCard32W(void* h, unsigned int v, int width) {
  return WriteCard<char16_t>(h, v, 10, width);
}
unsigned char WrInt8W(void* h, signed char v, int width) {
  return WriteInt<char16_t>(h, v, width);
}
unsigned char WrInt16W(void* h, short v, int width) {
  return WriteInt<char16_t>(h, v, width);
}
unsigned char WrInt32W(void* h, int v, int width) {
  return WriteInt<char16_t>(h, v, width);
}
unsigned char WrHex8W(void* h, unsigned char v, int width) {
  return WriteCard<char16_t>(h, v, 16, width);
}
unsigned char WrHex16W(void* h, unsigned short v, int width) {
  return WriteCard<char16_t>(h, v, 16, width);
}
unsigned char WrHex32W(void* h, unsigned int v, int width) {
  return WriteCard<char16_t>(h, v, 16, width);
}
unsigned char WrRealW(void* h, float v, unsigned int digits, int width) {
  return files::WriteReal<char16_t>(h, v, digits, width);
}
unsigned char WrLngRealW(void* h, double v, unsigned int digits, int width) {
  return files::WriteReal<char16_t>(h, v, digits, width);
}
unsigned char WrFixRealW(void* h, float v, unsigned int decimals, int width) {
  return files::WriteFixReal<char16_t>(h, v, decimals, width);
}
unsigned char WrFixLngRealW(void* h, double v, unsigned int decimals, int width) {
  return files::WriteFixReal<char16_t>(h, v, decimals, width);
}
unsigned char WrBoolW(void* h, unsigned char v, int width) {
  return files::WriteBool<char16_t>(h, v, width);
}

}  // namespace FIO
