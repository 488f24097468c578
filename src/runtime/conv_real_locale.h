#pragma once
// Fixed-point formatting with a locale's decimal separator. The locale is
// installed on the calling thread only (uselocale) for the one formatting
// call, so no other thread sees the switch.
#include <locale.h>

namespace Str::Conv {

// The numeric conventions of the user's environment (LC_ALL, LC_NUMERIC,
// LANG), or of "C" when those name no installed locale. Created once.
locale_t UserNumericLocale();

// LocaleFixRealToStr with the numeric conventions of `numeric`.
void LocaleFixRealToStr(locale_t numeric, double value, int decimals, unsigned high, char* buffer,
                        unsigned char* ok);
void LocaleFixRealToStr(locale_t numeric, double value, int decimals, unsigned high,
                        char16_t* buffer, unsigned char* ok);

}  // namespace Str::Conv
