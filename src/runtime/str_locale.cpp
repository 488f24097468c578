// Comparisons by the collation of the current locale (set from the
// environment by Str::InitModule into a locale object of the library's own).
#include <cstring>
#include <string.h>
#include <cwctype>
#include <wctype.h>

#include "runtime/str_core.h"
#include "runtime/str_module_locale.h"
#include "runtime/str_utf.h"
#include "tqusb/runtime/storage.h"

namespace Str {
namespace {
using detail::Length;
using detail::Size;

// A terminated work copy for strcoll: on the stack when short, else from Storage.
class CollationText {
 public:
  explicit CollationText(Size capacity) {
    if (capacity <= sizeof(local_)) {
      text_ = local_;
    } else {
      void* block = nullptr;
      Storage::Allocate(&block, capacity);
      heap_ = block;
      text_ = static_cast<char*>(block);
    }
  }
  ~CollationText() { Storage::Free(&heap_); }
  CollationText(const CollationText&) = delete;
  CollationText& operator=(const CollationText&) = delete;

  char* text() { return text_; }

 private:
  char local_[256];
  void* heap_ = nullptr;
  char* text_;
};

void CopyTerminated(CollationText& out, const char* s, Size len) {
  std::memcpy(out.text(), s, len);
  out.text()[len] = '\0';
}

// Lower-cases every code point with towlower; bytes that are not valid UTF-8 are
// kept as they are. A code point never grows by more than one byte when mapped
// (2 -> 3 at most), so twice the input length plus the terminator suffices.
void CopyFolded(CollationText& out, const char* s, Size len) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(s);
  char* dst = out.text();
  std::size_t i = 0;
  while (i < len) {
    std::size_t start = i;
    detail::Decoded d = detail::DecodeUtf8(bytes, len, i);
    if (!d.valid) {
      std::memcpy(dst, s + start, i - start);
      dst += i - start;
      continue;
    }
    auto folded = static_cast<char32_t>(towlower_l(static_cast<wint_t>(d.cp), detail::ModuleLocale()));
    if (folded > 0x10FFFF || (folded >= 0xD800 && folded <= 0xDFFF)) folded = d.cp;
    unsigned char enc[4];
    unsigned k = detail::EncodeUtf8(folded, enc);
    std::memcpy(dst, enc, k);
    dst += k;
  }
  *dst = '\0';
}

int LocaleCompare(unsigned int aHigh, const char* a, unsigned int bHigh, const char* b,
                  bool ignoreCase) {
  Size aLen = Length(aHigh, a);
  Size bLen = Length(bHigh, b);
  if (aLen == 0 || bLen == 0) {
    if (aLen == bLen) return 0;
    return aLen == 0 ? -1 : 1;
  }
  Size factor = ignoreCase ? 2 : 1;
  CollationText aText(aLen * factor + 1);
  CollationText bText(bLen * factor + 1);
  if (ignoreCase) {
    CopyFolded(aText, a, aLen);
    CopyFolded(bText, b, bLen);
  } else {
    CopyTerminated(aText, a, aLen);
    CopyTerminated(bText, b, bLen);
  }
  int r = strcoll_l(aText.text(), bText.text(), detail::ModuleLocale());
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

}  // namespace

int LocaleCompareA(unsigned int aHigh, const char* a, unsigned int bHigh, const char* b) {
  return LocaleCompare(aHigh, a, bHigh, b, false);
}

int LocaleCompareCaseInsensitiveA(unsigned int aHigh, const char* a, unsigned int bHigh,
                                  const char* b) {
  return LocaleCompare(aHigh, a, bHigh, b, true);
}

}  // namespace Str
