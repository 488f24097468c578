#include <gtest/gtest.h>
#include <locale.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "files/temp_dir.h"
#include "runtime/bounded_buffer.h"
#include "runtime/conv_real_locale.h"
#include "tqusb/runtime/str_convert.h"

namespace {

constexpr locale_t kNoLocale = static_cast<locale_t>(0);

// A test locale whose decimal separator is U+066B (two bytes in UTF-8, one
// UTF-16 unit), compiled with localedef into a temporary directory on first
// use. Tests that need it are skipped where localedef or its charmaps are
// missing.
class ConvLocale : public testing::Test {
 protected:
  static void SetUpTestSuite() { c_ = newlocale(LC_NUMERIC_MASK, "C", kNoLocale); }

  static locale_t Arabic() {
    if (arabic_ == kNoLocale && !dir_) BuildArabic();
    return arabic_;
  }

  static void BuildArabic() {
    dir_ = std::make_unique<TempDir>();
    dir_->Write("source",
                "comment_char %\nescape_char /\nLC_NUMERIC\ndecimal_point \"<U066B>\"\n"
                "thousands_sep \"\"\ngrouping -1\nEND LC_NUMERIC\n");
    const std::string command = "localedef -c -i '" + (*dir_ / "source") + "' -f UTF-8 '" +
                                (*dir_ / "tqtest") + "' >/dev/null 2>&1";
    (void)std::system(command.c_str());  // warns (exit 1) about the categories left out
    const char* previous = std::getenv("LOCPATH");
    const std::string saved = previous != nullptr ? previous : "";
    setenv("LOCPATH", dir_->path().c_str(), 1);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();  // glibc's newlocale keeps its copy of LOCPATH for good
#endif
    arabic_ = newlocale(LC_NUMERIC_MASK, "tqtest", kNoLocale);
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
    if (previous != nullptr)
      setenv("LOCPATH", saved.c_str(), 1);
    else
      unsetenv("LOCPATH");
  }

  static void TearDownTestSuite() {
    if (arabic_ != kNoLocale) freelocale(arabic_);
    if (c_ != kNoLocale) freelocale(c_);
    dir_.reset();
  }

  static inline locale_t c_ = kNoLocale;
  static inline locale_t arabic_ = kNoLocale;
  static inline std::unique_ptr<TempDir> dir_;
};

struct LocaleCase {
  double value;
  int decimals;
  std::string text;
};

TEST_F(ConvLocale, DecimalsClampedToOneToFifteen) {
  ASSERT_NE(c_, kNoLocale);
  const LocaleCase cases[] = {
      {3.14159, 3, "3.142"},
      {3.14159, -5, "3.1"},
      {3.14159, 20, "3.141590000000000"},
      {-2.5, 2, "-2.50"},
  };
  for (const LocaleCase& c : cases) {
    Buffer<char> a;
    unsigned char ok = 0;
    Str::Conv::LocaleFixRealToStr(c_, c.value, c.decimals, a.high, a.p(), &ok);
    EXPECT_EQ(a.Text(), c.text) << c.value << " / " << c.decimals;
    EXPECT_EQ(ok, 1);
    Buffer<char16_t> w;
    Str::Conv::LocaleFixRealToStr(c_, c.value, c.decimals, w.high, w.p(), &ok);
    EXPECT_EQ(w.Text(), c.text) << c.value << " / " << c.decimals;
  }
}

TEST_F(ConvLocale, UsesTheLocaleSeparator) {
  if (Arabic() == kNoLocale) GTEST_SKIP() << "localedef could not build the test locale";
  Buffer<char> a;
  unsigned char ok = 0;
  Str::Conv::LocaleFixRealToStr(arabic_, 3.14159, 3, a.high, a.p(), &ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(a.Text(),
            "3\xD9\xAB"
            "142");

  Buffer<char16_t> w(4);  // five units fill five places exactly
  Str::Conv::LocaleFixRealToStr(arabic_, 3.14159, 3, w.high, w.p(), &ok);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(w.str(), u"3\u066B142");

  Buffer<char> small(4);  // six bytes do not fit five places
  Str::Conv::LocaleFixRealToStr(arabic_, 3.14159, 3, small.high, small.p(), &ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(small.Text(), "");
}

// The switch is made on the calling thread only and undone afterwards: a
// thread formatting meanwhile, and the caller itself afterwards, print '.'.
TEST_F(ConvLocale, SwitchStaysOnTheCallingThread) {
  if (Arabic() == kNoLocale) GTEST_SKIP() << "localedef could not build the test locale";
  const locale_t before = uselocale(kNoLocale);
  std::atomic<bool> done{false};
  std::atomic<int> wrong{0};
  std::thread other([&] {
    char text[32];
    while (!done.load()) {
      std::snprintf(text, sizeof text, "%.1f", 2.5);
      if (std::string(text) != "2.5") ++wrong;
    }
  });
  for (int i = 0; i < 2000; ++i) {
    Buffer<char> a;
    unsigned char ok = 0;
    Str::Conv::LocaleFixRealToStr(arabic_, 2.5, 1, a.high, a.p(), &ok);
    ASSERT_EQ(a.Text(),
              "2\xD9\xAB"
              "5");
  }
  done = true;
  other.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(uselocale(kNoLocale), before);
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", 2.5);
  EXPECT_STREQ(text, "2.5");
}

TEST_F(ConvLocale, NaNIsRefusedAndTheBufferLeftAlone) {
  Buffer<char> a(10);
  unsigned char ok = 1;
  Str::LocaleFixRealToStrA(NAN, 2, a.high, a.p(), &ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(a.Text(), std::string(11, '#'));
}

}  // namespace
