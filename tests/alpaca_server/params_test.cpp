#include "params.h"

#include <gtest/gtest.h>

namespace tqalpaca {
namespace {

TEST(AlpacaParams, FormNamesAreCaseInsensitiveAndValuesDecoded) {
  const Params p(
      ParseForm("ClientTransactionID=42&BINX=2&name=a%20b+c&bad=%zz&empty&&Dup=1&dup=2"));
  EXPECT_EQ(p.ClientTransactionId(), 42u);
  EXPECT_EQ(p.Int("binx"), 2);
  EXPECT_EQ(p.Text("NAME"), "a b c");
  EXPECT_EQ(p.Text("bad"), "%zz");
  EXPECT_EQ(p.Text("empty"), "");
  EXPECT_EQ(p.Text("dup"), "1");
  EXPECT_THROW(p.Int("missing"), BadRequest);
}

TEST(AlpacaParams, StrictValueParsing) {
  struct Case {
    const char* text;
    std::optional<int32_t> i;
    std::optional<double> d;
    std::optional<bool> b;
  };
  const Case cases[] = {
      {"12", 12, 12.0, std::nullopt},
      {"-3", -3, -3.0, std::nullopt},
      {"1.5", std::nullopt, 1.5, std::nullopt},
      {"2147483648", std::nullopt, 2147483648.0, std::nullopt},
      {"12abc", std::nullopt, std::nullopt, std::nullopt},
      {"", std::nullopt, std::nullopt, std::nullopt},
      {"nan", std::nullopt, std::nullopt, std::nullopt},
      {"TRUE", std::nullopt, std::nullopt, true},
      {"false", std::nullopt, std::nullopt, false},
      {"1", 1, 1.0, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseInt32(c.text), c.i) << c.text;
    EXPECT_EQ(ParseDouble(c.text), c.d) << c.text;
    EXPECT_EQ(ParseBool(c.text), c.b) << c.text;
  }
  // A transaction id that is not a valid number is answered as 0.
  EXPECT_EQ(Params(ParseForm("clienttransactionid=-1")).ClientTransactionId(), 0u);
  EXPECT_EQ(Params(ParseForm("clienttransactionid=4294967296")).ClientTransactionId(), 0u);
}

}  // namespace
}  // namespace tqalpaca
