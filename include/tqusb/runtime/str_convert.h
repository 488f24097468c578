#pragma once
// Str number/text conversion on bounded strings (high index, buffer).
//
// Every conversion reports through `ok` (set to 1 or 0, may be null) and
// always produces a result: parsers return the value parsed so far (possibly
// wrapped), formatters store what they produced. Text results follow the
// bounded-string writing rule: characters from index 0 up to `high`, and a NUL
// behind them only when its index is `high` or less.
//
// `A` forms work on 8-bit characters (UTF-8), `W` forms on UTF-16 code units
// (char16_t). `Card` is unsigned, `Int` signed; the plain forms are 32-bit,
// the `64` and `Ptr` forms 64-bit.
#include "tqusb/export.h"

namespace Str {

// ---- Text to number -------------------------------------------------------
// Bases are clamped to 2..16; digits above 9 are A-F or a-f. No blanks are
// skipped. An unsigned form refuses a leading '-' (ok 0) but returns the
// magnitude; a signed form negates it and refuses magnitudes above the
// type's maximum (so the most negative value itself is refused).

TQ_API unsigned int StrToCardA(unsigned int high, const char* text, unsigned int base,
                               unsigned char* ok);
TQ_API int StrToIntA(unsigned int high, const char* text, unsigned int base, unsigned char* ok);
TQ_API unsigned long long StrToCard64A(unsigned int high, const char* text, unsigned int base,
                                       unsigned char* ok);
TQ_API unsigned long long StrToCardPtrA(unsigned int high, const char* text, unsigned int base,
                                        unsigned char* ok);
TQ_API long long StrToInt64A(unsigned int high, const char* text, unsigned int base,
                             unsigned char* ok);
TQ_API long long StrToIntPtrA(unsigned int high, const char* text, unsigned int base,
                              unsigned char* ok);
// Decimal text with optional sign, fraction and exponent. An empty text or a
// sign alone gives 0.0 with ok 1.
TQ_API double StrToRealA(unsigned int high, const char* text, unsigned char* ok);

TQ_API unsigned int StrToCardW(unsigned int high, const char16_t* text, unsigned int base,
                               unsigned char* ok);
TQ_API int StrToIntW(unsigned int high, const char16_t* text, unsigned int base, unsigned char* ok);
TQ_API unsigned long long StrToCard64W(unsigned int high, const char16_t* text, unsigned int base,
                                       unsigned char* ok);
TQ_API unsigned long long StrToCardPtrW(unsigned int high, const char16_t* text, unsigned int base,
                                        unsigned char* ok);
TQ_API long long StrToInt64W(unsigned int high, const char16_t* text, unsigned int base,
                             unsigned char* ok);
TQ_API long long StrToIntPtrW(unsigned int high, const char16_t* text, unsigned int base,
                              unsigned char* ok);
TQ_API double StrToRealW(unsigned int high, const char16_t* text, unsigned char* ok);

// ---- Integer to text ------------------------------------------------------
// Digits 0-9A-F in the clamped base, no padding or prefix. When the digits do
// not fit, ok is 0 and the buffer keeps the low-order digits in order.

TQ_API void CardToStrA(unsigned int value, unsigned int high, char* buffer, unsigned int base,
                       unsigned char* ok);
TQ_API void Card64ToStrA(unsigned long long value, unsigned int high, char* buffer,
                         unsigned int base, unsigned char* ok);
TQ_API void CardPtrToStrA(unsigned long long value, unsigned int high, char* buffer,
                          unsigned int base, unsigned char* ok);
TQ_API void IntToStrA(int value, unsigned int high, char* buffer, unsigned int base,
                      unsigned char* ok);
TQ_API void Int64ToStrA(long long value, unsigned int high, char* buffer, unsigned int base,
                        unsigned char* ok);
TQ_API void IntPtrToStrA(long long value, unsigned int high, char* buffer, unsigned int base,
                         unsigned char* ok);

TQ_API void CardToStrW(unsigned int value, unsigned int high, char16_t* buffer, unsigned int base,
                       unsigned char* ok);
TQ_API void Card64ToStrW(unsigned long long value, unsigned int high, char16_t* buffer,
                         unsigned int base, unsigned char* ok);
TQ_API void CardPtrToStrW(unsigned long long value, unsigned int high, char16_t* buffer,
                          unsigned int base, unsigned char* ok);
TQ_API void IntToStrW(int value, unsigned int high, char16_t* buffer, unsigned int base,
                      unsigned char* ok);
TQ_API void Int64ToStrW(long long value, unsigned int high, char16_t* buffer, unsigned int base,
                        unsigned char* ok);
TQ_API void IntPtrToStrW(long long value, unsigned int high, char16_t* buffer, unsigned int base,
                         unsigned char* ok);

// ---- Real to text ---------------------------------------------------------
// A NaN sets ok to 0 and leaves the buffer as it was. The decimal point is
// '.' whatever locale the host process set (StrToReal reads these texts
// back); only LocaleFixRealToStr writes the user's separator.
//
// RealToStr: scientific form with `digits` significant digits (1..17; 0
// counts as 1), the exponent written as E, its sign and its decimal value
// ("1.2345E+3"); with `engineering` the exponent is a multiple of 3
// ("12.345E+3"). Trailing fraction zeros are removed. A text that does not
// fit the buffer (a full buffer without terminator does) leaves the empty
// string and sets ok to 0.
TQ_API void RealToStrA(double value, unsigned int digits, unsigned char engineering,
                       unsigned int high, char* buffer, unsigned char* ok);
// CorrectedRealToStr: like RealToStr with 1..15 digits (others mean 15, and
// fewer when the buffer is short), but without engineering it prefers the
// plain decimal form for magnitudes below 1 and the general form otherwise
// ("0.5", "123.456", "1E-20"). Same fit rule as RealToStr.
TQ_API void CorrectedRealToStrA(double value, unsigned int digits, unsigned char engineering,
                                unsigned int high, char* buffer, unsigned char* ok);
// FixRealToStr: fixed point with `decimals` decimals; a point is printed
// whenever decimals > 0. An output longer than the buffer fills it without
// terminator and still counts as success.
TQ_API void FixRealToStrA(double value, unsigned int decimals, unsigned int high, char* buffer,
                          unsigned char* ok);
// CorrFixRealToStr: FixRealToStr rounded by hand on the 17-decimal text, so
// 2.675 with 2 decimals is 2.67 (its binary value lies below 2.675).
TQ_API void CorrFixRealToStrA(double value, unsigned int decimals, unsigned int high, char* buffer,
                              unsigned char* ok);
// LocaleFixRealToStr: fixed point with 1..15 decimals and the decimal
// separator of the user's locale (LC_ALL / LC_NUMERIC / LANG). The locale is
// switched on the calling thread only. Same fit rule as RealToStr.
TQ_API void LocaleFixRealToStrA(double value, int decimals, unsigned int high, char* buffer,
                                unsigned char* ok);

TQ_API void RealToStrW(double value, unsigned int digits, unsigned char engineering,
                       unsigned int high, char16_t* buffer, unsigned char* ok);
TQ_API void CorrectedRealToStrW(double value, unsigned int digits, unsigned char engineering,
                                unsigned int high, char16_t* buffer, unsigned char* ok);
TQ_API void FixRealToStrW(double value, unsigned int decimals, unsigned int high, char16_t* buffer,
                          unsigned char* ok);
TQ_API void CorrFixRealToStrW(double value, unsigned int decimals, unsigned int high,
                              char16_t* buffer, unsigned char* ok);
TQ_API void LocaleFixRealToStrW(double value, int decimals, unsigned int high, char16_t* buffer,
                                unsigned char* ok);

}  // namespace Str
