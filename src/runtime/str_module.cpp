// Module start-up and the two library-wide tables of SetTabs.
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "runtime/str_module_locale.h"
#include "runtime/str_tabs.h"

namespace Str {
namespace {
unsigned short gTab1[128];
unsigned short gTab2[128];

std::atomic<locale_t> gUserLocale{static_cast<locale_t>(0)};

// Locales replaced by a later InitModule: another thread may still be using
// one, so they are freed only at unload (or when the process ends).
struct TRetiredLocales {
  std::mutex lock;
  std::vector<locale_t> list;
  ~TRetiredLocales() {
    for (locale_t retired : list) freelocale(retired);
  }
};
TRetiredLocales& Retired() {
  static TRetiredLocales retired;
  return retired;
}

locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return c;
}
}  // namespace

namespace detail {
const unsigned short* Tab1() {
  return gTab1;
}
const unsigned short* Tab2() {
  return gTab2;
}

locale_t ModuleLocale() {
  const locale_t user = gUserLocale.load(std::memory_order_acquire);
  return user != static_cast<locale_t>(0) ? user : CLocale();
}

// The retired locales go with their list's destructor, which unload runs too.
void DoneModuleLocale() {
  const locale_t user = gUserLocale.exchange(static_cast<locale_t>(0));
  if (user != static_cast<locale_t>(0)) freelocale(user);
}
}  // namespace detail

void SetTabs(const void* tab1, const void* tab2) {
  if (tab1 != nullptr) std::memcpy(gTab1, tab1, sizeof(gTab1));
  if (tab2 != nullptr) std::memcpy(gTab2, tab2, sizeof(gTab2));
}

// The user's locale (LC_ALL, LC_COLLATE, LC_CTYPE, LANG) for the library's
// collation and case mapping, in a locale object of its own: the process's
// global locale stays as the host set it. Numbers are always written and read
// with '.' as the decimal point, whatever the locale.
void InitModule() {
  locale_t user = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0));
  if (user == static_cast<locale_t>(0)) return;  // unknown locale: keep the last one
  const locale_t previous = gUserLocale.exchange(user);
  if (previous != static_cast<locale_t>(0)) {
    TRetiredLocales& retired = Retired();
    std::lock_guard<std::mutex> hold(retired.lock);
    retired.list.push_back(previous);
  }
}

}  // namespace Str
