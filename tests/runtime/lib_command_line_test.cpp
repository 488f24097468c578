#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/command_line.h"

namespace {

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> out;
  for (std::string_view arg : runtime::SplitCommandLine(line)) out.emplace_back(arg);
  return out;
}

TEST(CommandLine, SplitsAtBlanksOutsideQuotedStretches) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"", {}},
      {"  prog   a\tb  ", {"prog", "a", "b"}},
      {R"("C:\Program Files\x.exe" -v)", {R"("C:\Program Files\x.exe")", "-v"}},
      {R"(a"b c"d e)", {R"(a"b c"d)", "e"}},
      {R"(x "" y)", {"x", R"("")", "y"}},
      {R"(x "open stretch	to the end)", {"x", R"("open stretch	to the end)"}},
      {R"("a b""c d" e)", {R"("a b""c d")", "e"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Split(c.line), c.args);
  }
}

TEST(CommandLine, CopyArgumentDropsLeadingAndLastQuoteAndBounds) {
  struct Case {
    const char* arg;
    unsigned int high;
    const char* expected;  // the bytes from index 0
    std::size_t length;    // bytes to compare; a terminator when expected has one
  };
  const Case cases[] = {
      {R"("quoted name")", 127, "quoted name", 12},
      {R"("")", 127, "", 1},
      {R"("a"b")", 127, "a\"b", 4},
      {R"(a"b c")", 127, "a\"b c\"", 7},  // quotes kept unless it begins with one
      {"plain", 2, "pla", 3},             // full buffer: no terminator
      {R"("ab")", 2, "ab", 3},            // copied "ab, only the opening quote goes
      {R"("abc" x)", 3, "abc", 4},        // copied "abc: the opening quote only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.arg) + " high=" + std::to_string(c.high));
    char buffer[130];
    std::memset(buffer, '#', sizeof buffer);
    runtime::CopyArgument(c.arg, c.high, buffer);
    EXPECT_EQ(std::string(buffer, c.length), std::string(c.expected, c.length));
    EXPECT_EQ(buffer[c.high + 1], '#');  // nothing written past the bound
  }
  runtime::CopyArgument("x", 10, nullptr);
}

}  // namespace
