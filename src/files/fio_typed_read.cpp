// Typed readers: one item of up to 80 characters, converted and range-checked.
#include <cmath>

#include "files/fio_text_read.h"
#include "tqusb/files/fio.h"
#include "tqusb/runtime/str.h"
#include "tqusb/runtime/str_convert.h"

namespace files {
namespace {

constexpr unsigned int kItemHigh = 80;

template <typename Ch>
struct Item {
  Ch text[kItemHigh + 1];
  bool found;
};

template <typename Ch>
Item<Ch> ReadTypedItem(void* handle) {
  Item<Ch> item{};
  item.found = ReadItemText(handle, kItemHigh, item.text);
  return item;
}

void SetOk(unsigned char* ok, bool value) {
  if (ok != nullptr) *ok = value;
}

template <typename Ch>
unsigned int ParseCard(const Item<Ch>& item, unsigned int base, unsigned char* ok) {
  unsigned char parsed = 0;
  unsigned int value;
  if constexpr (sizeof(Ch) == 1)
    value = Str::StrToCardA(kItemHigh, item.text, base, &parsed);
  else
    value = Str::StrToCardW(kItemHigh, item.text, base, &parsed);
  SetOk(ok, item.found && parsed);
  return value;
}

// ok also requires value <= limit.
template <typename Ch>
unsigned int ReadCard(void* handle, unsigned int base, unsigned int limit, unsigned char* ok) {
  unsigned char parsed = 0;
  const unsigned int value = ParseCard(ReadTypedItem<Ch>(handle), base, &parsed);
  SetOk(ok, parsed && value <= limit);
  return value;
}

template <typename Ch>
int ReadInt(void* handle, int low, int high, unsigned char* ok) {
  const Item<Ch> item = ReadTypedItem<Ch>(handle);
  unsigned char parsed = 0;
  int value;
  if constexpr (sizeof(Ch) == 1)
    value = Str::StrToIntA(kItemHigh, item.text, 10, &parsed);
  else
    value = Str::StrToIntW(kItemHigh, item.text, 10, &parsed);
  SetOk(ok, item.found && parsed && value >= low && value <= high);
  return value;
}

template <typename Ch>
double ReadReal(void* handle, unsigned char* ok) {
  const Item<Ch> item = ReadTypedItem<Ch>(handle);
  unsigned char parsed = 0;
  double value;
  if constexpr (sizeof(Ch) == 1)
    value = Str::StrToRealA(kItemHigh, item.text, &parsed);
  else
    value = Str::StrToRealW(kItemHigh, item.text, &parsed);
  SetOk(ok, item.found && parsed);
  return value;
}

template <typename Ch>
float ReadFloat(void* handle, unsigned char* ok) {
  unsigned char parsed = 0;
  const double value = ReadReal<Ch>(handle, &parsed);
  const bool fits = value <= 3.4e38 && value >= -3.4e38;
  SetOk(ok, parsed && fits);
  return fits ? static_cast<float>(value) : (value > 0 ? HUGE_VALF : -HUGE_VALF);
}

template <typename Ch>
unsigned char ReadBool(void* handle, unsigned char* ok) {
  static constexpr Ch kTrue[] = {'T', 'R', 'U', 'E', 0};
  static constexpr Ch kFalse[] = {'F', 'A', 'L', 'S', 'E', 0};
  const Item<Ch> item = ReadTypedItem<Ch>(handle);
  auto same = [&](const Ch* word) {
    if constexpr (sizeof(Ch) == 1)
      return Str::SameA(kItemHigh, item.text, 5, word) != 0;
    else
      return Str::SameW(kItemHigh, item.text, 5, word) != 0;
  };
  const bool isTrue = same(kTrue);
  SetOk(ok, item.found && (isTrue || same(kFalse)));
  return isTrue;
}

constexpr unsigned int kAnyCard = 0xFFFFFFFFu;

}  // namespace
}  // namespace files

namespace FIO {

using files::kAnyCard;
using files::ReadCard;
using files::ReadInt;

unsigned int RdCard8A(void* h, unsigned char* ok) {
  return ReadCard<char>(h, 10, 255, ok);
}
unsigned int RdCard16A(void* h, unsigned char* ok) {
  return ReadCard<char>(h, 10, 65535, ok);
}
unsigned int RdCard32A(void* h, unsigned char* ok) {
  return ReadCard<char>(h, 10, kAnyCard, ok);
}
int RdInt8A(void* h, unsigned char* ok) {
  return ReadInt<char>(h, -128, 127, ok);
}
int RdInt16A(void* h, unsigned char* ok) {
  return ReadInt<char>(h, -32768, 32767, ok);
}
int RdInt32A(void* h, unsigned char* ok) {
  return ReadInt<char>(h, -2147483647 - 1, 2147483647, ok);
}
unsigned int RdHex8A(void* h, unsigned char* ok) {
  return ReadCard<char>(h, 16, 255, ok);
}
unsigned int RdHex16A(void* h, unsigned char* ok) {
  return ReadCard<char>(h, 16, 65535, ok);
}
unsigned int RdHex32A(void* h, unsigned char* ok) {
  return ReadCard<char>(h, 16, kAnyCard, ok);
}
float RdRealA(void* h, unsigned char* ok) {
  return files::ReadFloat<char>(h, ok);
}
double RdLngRealA(void* h, unsigned char* ok) {
  return files::ReadReal<char>(h, ok);
}
unsigned char RdBoolA(void* h, unsigned char* ok) {
  return files::ReadBool<char>(h, ok);
}

unsigned int RdCard8W(void* h, unsigned char* ok) {
  return ReadCard<char16_t>(h, 10, 255, ok);
}
unsigned int RdCard16W(void* h, unsigned char* ok) {
  return ReadCard<char16_t>(h, 10, 65535, ok);
}
unsigned int RdCard32W(void* h, unsigned char* ok) {
  return ReadCard<char16_t>(h, 10, kAnyCard, ok);
}
int RdInt8W(void* h, unsigned char* ok) {
  return ReadInt<char16_t>(h, -128, 127, ok);
}
int RdInt16W(void* h, unsigned char* ok) {
  return ReadInt<char16_t>(h, -32768, 32767, ok);
}
int RdInt32W(void* h, unsigned char* ok) {
  return ReadInt<char16_t>(h, -2147483647 - 1, 2147483647, ok);
}
unsigned int RdHex8W(void* h, unsigned char* ok) {
  return ReadCard<char16_t>(h, 16, 255, ok);
}
unsigned int RdHex16W(void* h, unsigned char* ok) {
  return ReadCard<char16_t>(h, 16, 65535, ok);
}
unsigned int RdHex32W(void* h, unsigned char* ok) {
  return ReadCard<char16_t>(h, 16, kAnyCard, ok);
}
float RdRealW(void* h, unsigned char* ok) {
  return files::ReadFloat<char16_t>(h, ok);
}
double RdLngRealW(void* h, unsigned char* ok) {
  return files::ReadReal<char16_t>(h, ok);
}
unsigned char RdBoolW(void* h, unsigned char* ok) {
  return files::ReadBool<char16_t>(h, ok);
}

}  // namespace FIO
