#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "str_test_buffer.h"
#include "tqusb/runtime/str.h"

namespace {

struct LocaleCase {
  std::string_view a, b;
  int exact, ignoringCase;
};

TEST(StrLocale, CollationAndCaseFolding) {
  // The library takes the user's locale from the environment at start-up.
  setenv("LC_ALL", "C.UTF-8", 1);
  Str::InitModule();
  unsetenv("LC_ALL");
  std::string longA(600, 'x'), longB(600, 'X');
  const LocaleCase cases[] = {
      {"", "a", -1, -1},
      {"a", "", 1, 1},
      {"ABC", "abc", -1, 0},
      {"abd", "ABC", 1, 1},
      {"\xc3\x89t\xc3\xa9", "\xc3\xa9T\xc3\x89", -1, 0},
      {longA, longB, 1, 0},
      {"a\xff", "A\xff", 1, 0},
  };
  for (const auto& c : cases) {
    auto a = ExactA(c.a);
    auto b = ExactA(c.b);
    EXPECT_EQ(Str::LocaleCompareA(a.high(), a.p(), b.high(), b.p()), c.exact) << c.a;
    EXPECT_EQ(Str::LocaleCompareCaseInsensitiveA(a.high(), a.p(), b.high(), b.p()), c.ignoringCase)
        << c.a;
  }
}

TEST(StrLocale, InitModuleKeepsThePointAsDecimalSeparator) {
  ScopedLocale all(LC_ALL, nullptr);  // restores whatever the environment gives
  Str::InitModule();
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
}

}  // namespace
