// Length, copying and building strings from pieces.
#include "runtime/str_core.h"

namespace Str {
namespace {
using detail::Length;
using detail::MoveChars;
using detail::Places;
using detail::PutAt;
using detail::Size;
using detail::Terminate;

template <typename Ch>
void Copy(unsigned int dstHigh, Ch* dst, unsigned int srcHigh, const Ch* src) {
  PutAt(dstHigh, dst, 0, src, Length(srcHigh, src));
}

template <typename Ch>
void Append(unsigned int dstHigh, Ch* dst, unsigned int srcHigh, const Ch* src) {
  Size dstLen = Length(dstHigh, dst);
  if (dstLen == Places(dstHigh)) return;
  PutAt(dstHigh, dst, dstLen, src, Length(srcHigh, src));
}

template <typename Ch>
void Prepend(unsigned int dstHigh, Ch* dst, unsigned int srcHigh, const Ch* src) {
  Size srcLen = Length(srcHigh, src);
  if (srcLen >= Places(dstHigh)) {
    PutAt(dstHigh, dst, 0, src, srcLen);
    return;
  }
  Size dstLen = Length(dstHigh, dst);
  Size room = Places(dstHigh) - srcLen;
  Size kept = dstLen < room ? dstLen : room;
  MoveChars(dst, dst + srcLen, kept);
  MoveChars(src, dst, srcLen);
  Terminate(dstHigh, dst, srcLen + kept);
}

template <typename Ch>
void Concat(unsigned int dstHigh, Ch* dst, unsigned int aHigh, const Ch* a, unsigned int bHigh,
            const Ch* b) {
  Size aLen = Length(aHigh, a);
  Size bLen = Length(bHigh, b);
  // b is placed first so that dst may be the buffer of either a or b.
  if (aLen < Places(dstHigh)) PutAt(dstHigh, dst, aLen, b, bLen);
  Size aStored = aLen < Places(dstHigh) ? aLen : Places(dstHigh);
  MoveChars(a, dst, aStored);
}

template <typename Ch>
void Insert(unsigned int dstHigh, Ch* dst, unsigned int srcHigh, const Ch* src, unsigned int pos) {
  Size dstLen = Length(dstHigh, dst);
  Size at = pos < dstLen ? pos : dstLen;
  Size srcLen = Length(srcHigh, src);
  if (srcLen == 0 || at > dstHigh) return;
  // The tail moves right with its terminator, if it has one; whatever would land
  // past high is dropped.
  Size tail = dstLen - at + (dstLen < Places(dstHigh) ? 1 : 0);
  Size target = at + srcLen;
  if (target <= dstHigh) {
    Size room = Places(dstHigh) - target;
    MoveChars(dst + at, dst + target, tail < room ? tail : room);
  }
  Size room = Places(dstHigh) - at;
  MoveChars(src, dst + at, srcLen < room ? srcLen : room);
}

template <typename Ch>
void Delete(unsigned int high, Ch* s, unsigned int pos, unsigned int count) {
  Size len = Length(high, s);
  if (count == 0 || pos >= len) return;
  if (count < len - pos) {
    MoveChars(s + pos + count, s + pos, len - pos - count);
    s[len - count] = Ch(0);
  } else {
    s[pos] = Ch(0);
  }
}

template <typename Ch>
void Slice(unsigned int dstHigh, Ch* dst, unsigned int srcHigh, const Ch* src, unsigned int pos,
           unsigned int count) {
  Size srcLen = Length(srcHigh, src);
  if (pos >= srcLen) {
    dst[0] = Ch(0);
    return;
  }
  Size avail = srcLen - pos;
  PutAt(dstHigh, dst, 0, src + pos, count < avail ? count : avail);
}

template <typename Ch>
unsigned char StrToC(unsigned int srcHigh, const Ch* src, unsigned int dstHigh, Ch* dst) {
  Size srcLen = Length(srcHigh, src);
  PutAt(dstHigh, dst, 0, src, srcLen);
  return srcLen <= dstHigh ? 1 : 0;
}

template <typename Ch>
unsigned char StrToPas(unsigned int srcHigh, const Ch* src, unsigned int dstHigh, Ch* dst) {
  // The count must fit its one element: 255 for bytes, 65535 for units.
  constexpr Size kMaxCount = sizeof(Ch) == 1 ? 0xFF : 0xFFFF;
  Size srcLen = Length(srcHigh, src);
  if (dstHigh == 0 || srcLen + 1 > dstHigh || srcLen > kMaxCount) {
    dst[0] = Ch(0);
    return 0;
  }
  MoveChars(src, dst + 1, srcLen);
  dst[0] = static_cast<Ch>(srcLen);
  return 1;
}

}  // namespace

unsigned int LengthA(unsigned int high, const char* s) {
  return static_cast<unsigned int>(Length(high, s));
}
unsigned int LengthW(unsigned int high, const char16_t* s) {
  return static_cast<unsigned int>(Length(high, s));
}

void CopyA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src) {
  Copy(dstHigh, dst, srcHigh, src);
}
void CopyW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src) {
  Copy(dstHigh, dst, srcHigh, src);
}

void AppendA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src) {
  Append(dstHigh, dst, srcHigh, src);
}
void AppendW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src) {
  Append(dstHigh, dst, srcHigh, src);
}

void PrependA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src) {
  Prepend(dstHigh, dst, srcHigh, src);
}
void PrependW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src) {
  Prepend(dstHigh, dst, srcHigh, src);
}

void ConcatA(unsigned int dstHigh, char* dst, unsigned int aHigh, const char* a, unsigned int bHigh,
             const char* b) {
  Concat(dstHigh, dst, aHigh, a, bHigh, b);
}
void ConcatW(unsigned int dstHigh, char16_t* dst, unsigned int aHigh, const char16_t* a,
             unsigned int bHigh, const char16_t* b) {
  Concat(dstHigh, dst, aHigh, a, bHigh, b);
}

void InsertA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src,
             unsigned int pos) {
  Insert(dstHigh, dst, srcHigh, src, pos);
}
void InsertW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src,
             unsigned int pos) {
  Insert(dstHigh, dst, srcHigh, src, pos);
}

void DeleteA(unsigned int high, char* s, unsigned int pos, unsigned int count) {
  Delete(high, s, pos, count);
}
void DeleteW(unsigned int high, char16_t* s, unsigned int pos, unsigned int count) {
  Delete(high, s, pos, count);
}

void SliceA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src,
            unsigned int pos, unsigned int count) {
  Slice(dstHigh, dst, srcHigh, src, pos, count);
}
void SliceW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src,
            unsigned int pos, unsigned int count) {
  Slice(dstHigh, dst, srcHigh, src, pos, count);
}

unsigned char StrToCA(unsigned int srcHigh, const char* src, unsigned int dstHigh, char* dst) {
  return StrToC(srcHigh, src, dstHigh, dst);
}
unsigned char StrToCW(unsigned int srcHigh, const char16_t* src, unsigned int dstHigh,
                      char16_t* dst) {
  return StrToC(srcHigh, src, dstHigh, dst);
}

unsigned char StrToPasA(unsigned int srcHigh, const char* src, unsigned int dstHigh, char* dst) {
  return StrToPas(srcHigh, src, dstHigh, dst);
}
unsigned char StrToPasW(unsigned int srcHigh, const char16_t* src, unsigned int dstHigh,
                        char16_t* dst) {
  return StrToPas(srcHigh, src, dstHigh, dst);
}

}  // namespace Str
