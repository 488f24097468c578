#pragma once
// Str: bounded strings. There is no string object: every string is a caller-owned
// character array passed as (high, buffer), where high is the highest index that
// may be used, so the buffer holds high + 1 characters. The string is everything
// before the first NUL within those places, or all high + 1 characters when no
// NUL stands in them (a full buffer carries no terminator).
//
// Every producing operation stores characters from index 0 up to index high and
// writes a NUL behind them only when that index is high or less; nothing reports
// truncation. No operation reads a buffer past its own high.
//
// `A` members work on 8-bit characters (UTF-8 on this platform), `W` members on
// UTF-16 code units (char16_t). Destination (or the string operated on) comes
// first, then sources, then scalars. Positions are 0-based; searches that find
// nothing return NotFound.
#include "tqusb/export.h"

namespace Str {

inline constexpr unsigned int NotFound = 0xFFFFFFFFu;

// One capture of FindSubStrA/W: where a wildcard matched and how much.
struct PosLen {
  unsigned int Pos;
  unsigned int Len;
};

// --- Length, copying and building -------------------------------------------

TQ_API unsigned int LengthA(unsigned int high, const char* s);
TQ_API unsigned int LengthW(unsigned int high, const char16_t* s);

// Overlapping source and destination are allowed.
TQ_API void CopyA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src);
TQ_API void CopyW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src);

TQ_API void AppendA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src);
TQ_API void AppendW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src);

TQ_API void PrependA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src);
TQ_API void PrependW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh,
                     const char16_t* src);

// dst := a then b. dst may be the same buffer as a or b.
TQ_API void ConcatA(unsigned int dstHigh, char* dst, unsigned int aHigh, const char* a,
                    unsigned int bHigh, const char* b);
TQ_API void ConcatW(unsigned int dstHigh, char16_t* dst, unsigned int aHigh, const char16_t* a,
                    unsigned int bHigh, const char16_t* b);

// pos is clamped to the length; characters pushed past high are lost.
TQ_API void InsertA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src,
                    unsigned int pos);
TQ_API void InsertW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src,
                    unsigned int pos);

TQ_API void DeleteA(unsigned int high, char* s, unsigned int pos, unsigned int count);
TQ_API void DeleteW(unsigned int high, char16_t* s, unsigned int pos, unsigned int count);

TQ_API void SliceA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src,
                   unsigned int pos, unsigned int count);
TQ_API void SliceW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src,
                   unsigned int pos, unsigned int count);

// Blanks are TAB, LF, CR and space only.
TQ_API void TrimA(unsigned int high, char* s);
TQ_API void TrimW(unsigned int high, char16_t* s);
TQ_API void LTrimA(unsigned int high, char* s);
TQ_API void LTrimW(unsigned int high, char16_t* s);
TQ_API void RTrimA(unsigned int high, char* s);
TQ_API void RTrimW(unsigned int high, char16_t* s);

// Pads with c in front of (behind) the string up to min(high + 1, width) characters.
TQ_API void LPadChA(unsigned int high, char* s, unsigned int width, char c);
TQ_API void LPadChW(unsigned int high, char16_t* s, unsigned int width, char16_t c);
TQ_API void RPadChA(unsigned int high, char* s, unsigned int width, char c);
TQ_API void RPadChW(unsigned int high, char16_t* s, unsigned int width, char16_t c);

// --- Case --------------------------------------------------------------------
// A forms change the ASCII letters only; W forms map each unit with the C
// library's towupper/towlower in the current locale.

TQ_API void CapsA(unsigned int high, char* s);
TQ_API void CapsW(unsigned int high, char16_t* s);
TQ_API void LowsA(unsigned int high, char* s);
TQ_API void LowsW(unsigned int high, char16_t* s);
TQ_API char CapA(char c);
TQ_API char16_t CapW(char16_t c);
TQ_API char LowA(char c);
TQ_API char16_t LowW(char16_t c);

// --- Comparison --------------------------------------------------------------

// -1, 0 or 1; ordinal on unsigned character values, a prefix is less.
TQ_API int CompareA(unsigned int aHigh, const char* a, unsigned int bHigh, const char* b);
TQ_API int CompareW(unsigned int aHigh, const char16_t* a, unsigned int bHigh, const char16_t* b);
TQ_API unsigned char SameA(unsigned int aHigh, const char* a, unsigned int bHigh, const char* b);
TQ_API unsigned char SameW(unsigned int aHigh, const char16_t* a, unsigned int bHigh,
                           const char16_t* b);

// -1, 0 or 1 by the collation of the current locale (strcoll). An empty string is
// less than a non-empty one; two empty strings are equal.
TQ_API int LocaleCompareA(unsigned int aHigh, const char* a, unsigned int bHigh, const char* b);
TQ_API int LocaleCompareCaseInsensitiveA(unsigned int aHigh, const char* a, unsigned int bHigh,
                                         const char* b);

// --- Searching ---------------------------------------------------------------

TQ_API unsigned int CharPosA(unsigned int high, const char* s, char c);
TQ_API unsigned int CharPosW(unsigned int high, const char16_t* s, char16_t c);
TQ_API unsigned int NextCharPosA(unsigned int high, const char* s, char c, unsigned int start);
TQ_API unsigned int NextCharPosW(unsigned int high, const char16_t* s, char16_t c,
                                 unsigned int start);
TQ_API unsigned int RCharPosA(unsigned int high, const char* s, char c);
TQ_API unsigned int RCharPosW(unsigned int high, const char16_t* s, char16_t c);
TQ_API unsigned int CountA(unsigned int high, const char* s, char c);
TQ_API unsigned int CountW(unsigned int high, const char16_t* s, char16_t c);

// An empty sub is found at the start position of a non-empty s.
TQ_API unsigned int PosA(unsigned int high, const char* s, unsigned int subHigh, const char* sub);
TQ_API unsigned int PosW(unsigned int high, const char16_t* s, unsigned int subHigh,
                         const char16_t* sub);
TQ_API unsigned int NextPosA(unsigned int high, const char* s, unsigned int subHigh,
                             const char* sub, unsigned int start);
TQ_API unsigned int NextPosW(unsigned int high, const char16_t* s, unsigned int subHigh,
                             const char16_t* sub, unsigned int start);

// Replaces the first occurrence of find by repl.
TQ_API void SubstA(unsigned int high, char* s, unsigned int findHigh, const char* find,
                   unsigned int replHigh, const char* repl);
TQ_API void SubstW(unsigned int high, char16_t* s, unsigned int findHigh, const char16_t* find,
                   unsigned int replHigh, const char16_t* repl);

// --- Items -------------------------------------------------------------------
// Items are maximal runs of non-separators; separator runs count as one and
// leading separators are skipped. Item n (0-based) goes to dst, empty if missing.

// set: 32-byte bitmap, bit (c & 7) of byte (c >> 3) marks character c.
TQ_API void ItemA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src,
                  const unsigned char* set, unsigned int n);
// set: 16-byte bitmap of units 0 to 127; a unit of 128 or more is never a separator.
TQ_API void ItemW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src,
                  const unsigned char* set, unsigned int n);
// Separators given as the characters of a string (any unit in the W form).
TQ_API void ItemSA(unsigned int dstHigh, char* dst, unsigned int srcHigh, const char* src,
                   unsigned int sepHigh, const char* seps, unsigned int n);
TQ_API void ItemSW(unsigned int dstHigh, char16_t* dst, unsigned int srcHigh, const char16_t* src,
                   unsigned int sepHigh, const char16_t* seps, unsigned int n);

// --- Wildcards ---------------------------------------------------------------
// '*' matches any run (also none), '?' exactly one character. MatchA/W ignore
// case, MatchCSA/W do not. An empty pattern matches every string.

TQ_API unsigned char MatchA(unsigned int high, const char* s, unsigned int patHigh,
                            const char* pat);
TQ_API unsigned char MatchW(unsigned int high, const char16_t* s, unsigned int patHigh,
                            const char16_t* pat);
TQ_API unsigned char MatchCSA(unsigned int high, const char* s, unsigned int patHigh,
                              const char* pat);
TQ_API unsigned char MatchCSW(unsigned int high, const char16_t* s, unsigned int patHigh,
                              const char16_t* pat);

// Wildcard search with capture: each wildcard of the pattern fills the next of
// the plHigh + 1 records (unused records hold NotFound in both fields).
TQ_API unsigned char FindSubStrA(unsigned int high, const char* s, unsigned int patHigh,
                                 const char* pat, unsigned int plHigh, PosLen* pl);
TQ_API unsigned char FindSubStrW(unsigned int high, const char16_t* s, unsigned int patHigh,
                                 const char16_t* pat, unsigned int plHigh, PosLen* pl);

// --- Terminated and length-prefixed copies (source first) ---------------------

// 1 when the whole source and a terminator fit into dst, else 0 (dst filled).
TQ_API unsigned char StrToCA(unsigned int srcHigh, const char* src, unsigned int dstHigh,
                             char* dst);
TQ_API unsigned char StrToCW(unsigned int srcHigh, const char16_t* src, unsigned int dstHigh,
                             char16_t* dst);
// Count in dst[0], characters from dst[1]; at most dstHigh - 1 characters (and
// at most 255 in the A form). Refused: result 0 with dst[0] = 0.
TQ_API unsigned char StrToPasA(unsigned int srcHigh, const char* src, unsigned int dstHigh,
                               char* dst);
TQ_API unsigned char StrToPasW(unsigned int srcHigh, const char16_t* src, unsigned int dstHigh,
                               char16_t* dst);

// --- UTF-8 <-> UTF-16 ----------------------------------------------------------
// Invalid input (bad UTF-8, lone surrogates) becomes U+FFFD. A character whose
// encoding does not fit completely in the rest of the destination is not written.

TQ_API void A2U(unsigned int aHigh, const char* a, unsigned int wHigh, char16_t* w);
TQ_API void U2A(unsigned int wHigh, const char16_t* w, unsigned int aHigh, char* a);
TQ_API void C_A2U(unsigned int wHigh, char16_t* w, unsigned int aHigh, const char* a);
TQ_API void C_U2A(unsigned int aHigh, char* a, unsigned int wHigh, const char16_t* w);
// Pointer-and-count forms: convert srcLen elements into at most *dstLenInOut,
// terminate when fewer were written, and return the count in *dstLenInOut. With a
// null dst nothing is written and *dstLenInOut receives the count needed.
TQ_API void A2UP(const char* src, unsigned int srcLen, char16_t* dst, unsigned int* dstLenInOut);
TQ_API void U2AP(const char16_t* src, unsigned int srcLen, char* dst, unsigned int* dstLenInOut);

// 1 when the bytes read as UTF-8 (0 for null or empty data).
TQ_API unsigned char IsUTF8(const void* data, unsigned long long size);

// --- Module ------------------------------------------------------------------

// Copies 256 bytes from each argument into two library-wide tables of 128
// 16-bit values each.
TQ_API void SetTabs(const void* tab1, const void* tab2);

// Sets the C locale from the environment for all categories, then the numeric
// category back to "C" so that numbers always use '.' as decimal point.
TQ_API void InitModule();

}  // namespace Str
