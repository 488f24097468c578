// Splitting a string into items separated by runs of separator characters.
#include "runtime/str_core.h"

namespace Str {
namespace {
using detail::Length;
using detail::PutAt;
using detail::Size;

// Finds item n of src (runs of separators count as one, leading ones are
// skipped) and copies it to dst; dst is emptied when there is no such item.
template <typename Ch, typename IsSeparator>
void CopyItem(unsigned int dstHigh, Ch* dst, unsigned int srcHigh, const Ch* src, unsigned int n,
              IsSeparator isSeparator) {
  Size len = Length(srcHigh, src);
  Size i = 0;
  for (unsigned int item = 0;; ++item) {
    while (i < len && isSeparator(src[i])) ++i;
    if (i == len) break;
    Size start = i;
    while (i < len && !isSeparator(src[i])) ++i;
    if (item == n) {
      PutAt(dstHigh, dst, 0, src + start, i - start);
      return;
    }
  }
  dst[0] = Ch(0);
}

bool InBitmap(const unsigned char* set, unsigned int c) {
  return (set[c >> 3] & (1u << (c & 7))) != 0;
}

}  // namespace

void ItemA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src,
           const unsigned char* set, unsigned int n) {
  CopyItem(dstHigh, dst, srcHigh, src, n,
           [set](char c) { return InBitmap(set, static_cast<unsigned char>(c)); });
}

void ItemW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src,
           const unsigned char* set, unsigned int n) {
  CopyItem(dstHigh, dst, srcHigh, src, n,
           [set](char16_t c) { return c < 128 && InBitmap(set, c); });
}

void ItemSA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src,
            unsigned int sepHigh, const char* seps, unsigned int n) {
  unsigned char set[32] = {};
  Size sepLen = Length(sepHigh, seps);
  for (Size i = 0; i < sepLen; ++i) {
    auto c = static_cast<unsigned char>(seps[i]);
    set[c >> 3] = static_cast<unsigned char>(set[c >> 3] | (1u << (c & 7)));
  }
  ItemA(dstHigh, dst, srcHigh, src, set, n);
}

// The W form tests each unit against the separator list, so any unit can separate.
void ItemSW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src,
            unsigned int sepHigh, const char16_t* seps, unsigned int n) {
  Size sepLen = Length(sepHigh, seps);
  CopyItem(dstHigh, dst, srcHigh, src, n,
           [seps, sepLen](char16_t c) { return detail::ScanFor(seps, sepLen, c) < sepLen; });
}

}  // namespace Str
