#pragma once
// The locale of the library's own locale-aware string functions: the user's
// locale from the environment, taken by Str::InitModule into a locale object
// of the library's own, so that loading the library never changes the host
// process's global locale.
#include <locale.h>

namespace Str::detail {

// The user's locale once InitModule ran, else the "C" locale. Never null.
locale_t ModuleLocale();
// Frees the locale object (library unload).
void DoneModuleLocale();

}  // namespace Str::detail
