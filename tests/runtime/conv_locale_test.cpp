#include <gtest/gtest.h>
#include <locale.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <utility>

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

  // A locale for every category with a decimal comma, as a host may set for
  // the whole process, compiled into its own directory. Empty when localedef
  // is missing.
  static const std::string& CommaLocaleDir() {
    static const std::string dir = [] {
      comma_ = std::make_unique<TempDir>();
      std::string source = "comment_char %\nescape_char /\n";
      for (const char* category :
           {"LC_CTYPE", "LC_COLLATE", "LC_TIME", "LC_MONETARY", "LC_MESSAGES"})
        source += std::string(category) + "\ncopy \"POSIX\"\nEND " + category + "\n";
      source +=
          "LC_NUMERIC\ndecimal_point \",\"\nthousands_sep \".\"\ngrouping 3;3\nEND LC_NUMERIC\n";
      comma_->Write("source", source);
      const std::string command = "localedef -c -i '" + (*comma_ / "source") + "' -f UTF-8 '" +
                                  (*comma_ / "comma.UTF-8") + "' >/dev/null 2>&1";
      (void)std::system(command.c_str());  // warns (exit 1) about the categories left out
      return std::filesystem::exists(*comma_ / "comma.UTF-8/LC_NUMERIC") ? comma_->path()
                                                                         : std::string();
    }();
    return dir;
  }

  static void TearDownTestSuite() {
    if (arabic_ != kNoLocale) freelocale(arabic_);
    if (c_ != kNoLocale) freelocale(c_);
    dir_.reset();
  }

  static inline locale_t c_ = kNoLocale;
  static inline locale_t arabic_ = kNoLocale;
  static inline std::unique_ptr<TempDir> dir_;
  static inline std::unique_ptr<TempDir> comma_;
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

// A host that sets a decimal-comma locale for the whole process still gets
// '.' from every formatter of the library, and the parser reads it back.
TEST_F(ConvLocale, HostLocaleWithDecimalCommaKeepsThePoint) {
  if (CommaLocaleDir().empty()) GTEST_SKIP() << "localedef could not build the test locale";
  setenv("LOCPATH", CommaLocaleDir().c_str(), 1);
#if defined(__SANITIZE_ADDRESS__)
  __lsan_disable();  // glibc keeps its copy of LOCPATH for good
#endif
  {
    ScopedLocale host(LC_ALL, "comma.UTF-8");
    ASSERT_TRUE(host.ok());
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    ASSERT_STREQ(probe, "1,5") << "the host's locale is not in force";

    // The A forms (parsed back) and one W form; every formatter shares one path.
    char fix[16], corrFix[16], sci[16], general[16];
    char16_t wide[16];
    Str::FixRealToStrA(1.5, 2, 15, fix, nullptr);
    Str::CorrFixRealToStrA(2.675, 2, 15, corrFix, nullptr);
    Str::RealToStrA(-1.25, 6, 0, 15, sci, nullptr);
    Str::CorrectedRealToStrA(1234.5, 6, 0, 15, general, nullptr);
    Str::RealToStrW(-1.25, 6, 0, 15, wide, nullptr);
    EXPECT_EQ(std::u16string(wide), u"-1.25E+0");
    const std::pair<const char*, std::string> texts[] = {
        {fix, "1.50"}, {corrFix, "2.67"}, {sci, "-1.25E+0"}, {general, "1234.5"}};
    for (const auto& [text, expected] : texts) {
      EXPECT_EQ(text, expected);
      unsigned char parsed = 0;
      Str::StrToRealA(15, text, &parsed);
      EXPECT_EQ(parsed, 1) << expected;
    }
  }
#if defined(__SANITIZE_ADDRESS__)
  __lsan_enable();
#endif
  unsetenv("LOCPATH");
}

TEST_F(ConvLocale, NaNIsRefusedAndTheBufferLeftAlone) {
  Buffer<char> a(10);
  unsigned char ok = 1;
  Str::LocaleFixRealToStrA(NAN, 2, a.high, a.p(), &ok);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(a.Text(), std::string(11, '#'));
}

}  // namespace
