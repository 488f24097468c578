// Filter lines as a person writes them in the registry or the settings file.
#include <gtest/gtest.h>

#include <string>

#include "driver/accessories/filter_list.h"

namespace {

TEST(FilterLine, NameColourAndOffset) {
  struct Case {
    const char* line;
    const char* name;
    uint32_t colour;
    int32_t offset;
  };
  const Case cases[] = {
      {"Red, RED, 120", "Red", 0x00007F, 120},
      {"Ha,255,-40", "Ha", 255, -40},
      {"OIII, lcyan", "OIII", 0xFFFF00, 0},
      {"  Luminance  ", "Luminance", 0, 0},
      {"Blue,bLuE,x12", "Blue", 0x7F0000, 0},
      {"G, LYellow , +7", "G", 0x00FFFF, 7},
      {"Odd, purple, 3", "Odd", 0, 3},
      {"Big, 16777215, 2147483647", "Big", 0xFFFFFF, 2147483647},
      {"", "", 0, 0},
      {",WHITE,", "WHITE", 0, 0},  // leading separators are skipped
      {"A name longer than thirty-one characters, RED", "A name longer than thirty-one ch", 0x7F,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    tQusb::CFilterListElem elem;
    tQusb::ParseFilterLine(tQusb::kFilterLineHigh, c.line, elem);
    EXPECT_EQ(std::string(elem.Name, strnlen(elem.Name, sizeof elem.Name)), c.name);
    EXPECT_EQ(elem.Colour, c.colour);
    EXPECT_EQ(elem.Offset, c.offset);
  }
}

}  // namespace
