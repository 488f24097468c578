#include "runtime/conv_real_locale.h"

#include <cmath>

#include "runtime/conv_real_text.h"
#include "tqusb/runtime/str_convert.h"

namespace Str::Conv {
namespace {

constexpr int kMinDecimals = 1;
constexpr int kMaxDecimals = 15;

template <typename Ch>
void FormatInLocale(locale_t numeric, double value, int decimals, unsigned high, Ch* buffer,
                    unsigned char* ok) {
  if (buffer == nullptr || std::isnan(value)) {
    SetOk(ok, false);
    return;
  }
  const int d =
      decimals < kMinDecimals ? kMinDecimals : (decimals > kMaxDecimals ? kMaxDecimals : decimals);
  FormatBuffer text;
  const bool produced = text.FormatIn(numeric, "%*.*f", d, d, value);
  SetOk(ok, produced && StoreWhole(text, high, buffer));
}

}  // namespace

locale_t UserNumericLocale() {
  static const locale_t user = [] {
    locale_t created = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (created == static_cast<locale_t>(0))
      created = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    return created;
  }();
  return user;
}

void LocaleFixRealToStr(locale_t numeric, double value, int decimals, unsigned high, char* buffer,
                        unsigned char* ok) {
  FormatInLocale(numeric, value, decimals, high, buffer, ok);
}
void LocaleFixRealToStr(locale_t numeric, double value, int decimals, unsigned high,
                        char16_t* buffer, unsigned char* ok) {
  FormatInLocale(numeric, value, decimals, high, buffer, ok);
}

}  // namespace Str::Conv

namespace Str {

void LocaleFixRealToStrA(double value, int decimals, unsigned high, char* buffer,
                         unsigned char* ok) {
  Conv::LocaleFixRealToStr(Conv::UserNumericLocale(), value, decimals, high, buffer, ok);
}
void LocaleFixRealToStrW(double value, int decimals, unsigned high, char16_t* buffer,
                         unsigned char* ok) {
  Conv::LocaleFixRealToStr(Conv::UserNumericLocale(), value, decimals, high, buffer, ok);
}

}  // namespace Str
