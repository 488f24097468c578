// Wildcard matching ('*' any run, '?' one character) and wildcard search with
// capture of what each wildcard matched.
#include "runtime/str_core.h"

namespace Str {
namespace {
using detail::Length;
using detail::Size;
using detail::Upper;

template <typename Ch>
bool EqualIgnoringCase(Ch a, Ch b) {
  return a == b || Upper(a) == Upper(b);
}
template <typename Ch>
bool EqualExactly(Ch a, Ch b) {
  return a == b;
}

// Same result as trying the rest of the pattern at every text position behind
// each '*' (and including the end), but done iteratively: only the latest '*'
// ever needs to be resumed, because an earlier one could only hand a longer
// text to the same rest. This keeps the work polynomial and the stack flat for
// any pattern.
template <typename Ch>
bool Match(const Ch* s, Size sLen, const Ch* p, Size pLen, bool (*equal)(Ch, Ch)) {
  if (pLen == 0) return true;  // an empty pattern matches every string
  constexpr Size kNoStar = ~Size(0);
  Size si = 0, pi = 0, resumePattern = kNoStar, resumeText = 0;
  while (si < sLen) {
    if (pi < pLen && p[pi] == Ch('*')) {
      while (pi < pLen && p[pi] == Ch('*')) ++pi;
      if (pi == pLen) return true;  // a '*' that ends the pattern takes the rest
      resumePattern = pi;
      resumeText = si;
    } else if (pi < pLen && (p[pi] == Ch('?') || equal(p[pi], s[si]))) {
      ++pi;
      ++si;
    } else if (resumePattern != kNoStar) {
      pi = resumePattern;
      si = ++resumeText;
    } else {
      return false;
    }
  }
  while (pi < pLen && p[pi] == Ch('*')) ++pi;
  return pi == pLen;
}

template <typename Ch>
unsigned char MatchBounded(unsigned int high, const Ch* s, unsigned int patHigh, const Ch* pat,
                           bool (*equal)(Ch, Ch)) {
  return Match(s, Length(high, s), pat, Length(patHigh, pat), equal) ? 1 : 0;
}

// Follows the pattern through s once, without backtracking: a leading literal
// is looked up (exactly), every later literal must stand at the next position
// (ignoring case), '?' captures one character and '*' captures the run up to the
// next occurrence of the pattern character behind it (or the rest of s when it
// ends the pattern; an empty run when a wildcard follows it). Captures beyond the
// last record are matched but not stored.
template <typename Ch>
unsigned char FindSubStr(unsigned int high, const Ch* s, unsigned int patHigh, const Ch* pat,
                         unsigned int plHigh, PosLen* pl) {
  for (Size r = 0; r <= plHigh; ++r) pl[r] = PosLen{NotFound, NotFound};
  Size len = Length(high, s);
  Size patLen = Length(patHigh, pat);
  if (len == 0) return 0;
  Size record = 0;
  auto capture = [&](Size pos, Size count) {
    if (record <= plHigh) {
      pl[record] = PosLen{static_cast<unsigned int>(pos), static_cast<unsigned int>(count)};
    }
    ++record;
  };
  if (patLen == 0) {
    capture(0, 0);
    return 1;
  }
  Size pi = 0, si = 0;
  if (pat[0] != Ch('*') && pat[0] != Ch('?')) {
    si = detail::ScanFor(s, len, pat[0]);
    if (si == len) return 0;
    pi = 1;
    si += 1;
  }
  for (; pi < patLen; ++pi) {
    Ch c = pat[pi];
    if (c == Ch('*')) {
      if (pi + 1 == patLen) {
        capture(si, len - si);
        si = len;
        continue;
      }
      Ch next = pat[pi + 1];
      if (next == Ch('*') || next == Ch('?')) {
        capture(si, 0);
        continue;
      }
      Size end = si;
      while (end < len && !EqualIgnoringCase(s[end], next)) ++end;
      if (end == len) return 0;
      capture(si, end - si);
      si = end;
      continue;
    }
    if (si >= len) return 0;
    if (c == Ch('?')) {
      capture(si, 1);
    } else if (!EqualIgnoringCase(s[si], c)) {
      return 0;
    }
    ++si;
  }
  return 1;
}

}  // namespace

unsigned char MatchA(unsigned int high, const char* s, unsigned int patHigh, const char* pat) {
  return MatchBounded(high, s, patHigh, pat, EqualIgnoringCase<char>);
}
unsigned char MatchW(unsigned int high, const char16_t* s, unsigned int patHigh,
                     const char16_t* pat) {
  return MatchBounded(high, s, patHigh, pat, EqualIgnoringCase<char16_t>);
}
unsigned char MatchCSA(unsigned int high, const char* s, unsigned int patHigh, const char* pat) {
  return MatchBounded(high, s, patHigh, pat, EqualExactly<char>);
}
unsigned char MatchCSW(unsigned int high, const char16_t* s, unsigned int patHigh,
                       const char16_t* pat) {
  return MatchBounded(high, s, patHigh, pat, EqualExactly<char16_t>);
}

unsigned char FindSubStrA(unsigned int high, const char* s, unsigned int patHigh, const char* pat,
                          unsigned int plHigh, PosLen* pl) {
  return FindSubStr(high, s, patHigh, pat, plHigh, pl);
}
unsigned char FindSubStrW(unsigned int high, const char16_t* s, unsigned int patHigh,
                          const char16_t* pat, unsigned int plHigh, PosLen* pl) {
  return FindSubStr(high, s, patHigh, pat, plHigh, pl);
}

}  // namespace Str
