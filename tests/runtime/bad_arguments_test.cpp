// Null buffers, texts and callbacks are refused without a crash.
#include <gtest/gtest.h>

#include "tqusb/runtime/lib.h"
#include "tqusb/runtime/str.h"
#include "tqusb/runtime/str_convert.h"

namespace {

TEST(BadArguments, NullPointersAreRefused) {
  unsigned char ok = 1;
  EXPECT_EQ(Str::StrToCardA(10, nullptr, 10, &ok), 0u);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(Str::StrToIntA(1, "5", 10, nullptr), 5);  // ok may be omitted
  const auto refused = [](auto call) {
    unsigned char result = 1;
    call(&result);
    return result == 0;
  };
  EXPECT_TRUE(refused([](unsigned char* r) { Str::StrToInt64W(10, nullptr, 10, r); }));
  EXPECT_TRUE(refused([](unsigned char* r) { Str::StrToRealW(3, nullptr, r); }));
  EXPECT_TRUE(refused([](unsigned char* r) { Str::CardToStrA(5, 10, nullptr, 10, r); }));
  EXPECT_TRUE(refused([](unsigned char* r) { Str::RealToStrA(1.0, 6, 0, 10, nullptr, r); }));
  EXPECT_TRUE(refused([](unsigned char* r) { Str::CorrFixRealToStrW(1.0, 2, 10, nullptr, r); }));
  EXPECT_TRUE(refused([](unsigned char* r) { Str::LocaleFixRealToStrW(1.0, 2, 10, nullptr, r); }));
  EXPECT_EQ(Str::IsUTF8(nullptr, 4), 0);
  Lib::ParamStrA(10, nullptr, 0);
  Lib::HSort(3, nullptr, nullptr);
  Lib::QSort(3, nullptr, nullptr);
}

}  // namespace
