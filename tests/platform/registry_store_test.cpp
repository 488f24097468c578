// The registry file's text: what parses, and the form it is written back in.
#include "platform/registry_store.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::registry::FormatStore;
using platform::registry::ParseStore;
using platform::registry::Store;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

std::string ZeroBytes(int n) {
  std::string list = "00";
  for (int i = 1; i < n; ++i) list += ",00";
  return list;
}

TEST(RegistryStore, ParsesAndWritesTheExportFormat) {
  struct Case {
    const char* what;
    std::string in, out;
  } cases[] = {
      {"empty file", "", kHeader},
      {"every value form, CR LF, comments, short root names",
       "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n; comment\r\n[HKCU\\A]\r\n"
       "@=\"d\"\r\n\"s\"=\"q\\\"\\\\\"\r\n\"d\" = dword:0000002A\r\n\"b\"=hex:01,ff\r\n"
       "\"q\"=hex(b):01,00,00,00,00,00,00,00\r\n\"e\"=hex(2):41,00,00,00\r\n\"n\"=hex(0):\r\n",
       kHeader +
           "[HKEY_CURRENT_USER\\A]\n@=\"d\"\n\"s\"=\"q\\\"\\\\\"\n\"d\"=dword:0000002a\n\"b\"=hex:"
           "01,ff\n"
           "\"q\"=hex(b):01,00,00,00,00,00,00,00\n\"e\"=hex(2):41,00,00,00\n\"n\"=hex(0):\n\n"},
      {"continued hex, long data wrapped",
       "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"x\"=hex:00,01,\\\n  02\n"
       "\"long\"=hex:" +
           ZeroBytes(40) + "\n",
       kHeader + "[HKEY_LOCAL_MACHINE\\K]\n\"x\"=hex:00,01,02\n\"long\"=hex:" + ZeroBytes(22) +
           ",\\\n  " + ZeroBytes(18) + "\n\n"},
      {"case-insensitive names merge, later value wins, deletions",
       "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\\B]\n\"v\"=\"1\"\n\"w\"=\"2\"\n"
       "[HKEY_CURRENT_USER\\a\\b]\n\"V\"=\"3\"\n\"w\"=-\n[HKEY_CURRENT_USER\\A\\Gone]\n"
       "[-HKEY_CURRENT_USER\\A\\gone]\n",
       kHeader + "[HKEY_CURRENT_USER\\A\\B]\n\"v\"=\"3\"\n\n"},
      {"strings that are not plain text are kept as hex(1)",
       "Windows Registry Editor Version "
       "5.00\n[HKEY_USERS\\U]\n\"nl\"=\"a\\nb\"\n\"odd\"=hex(1):41\n",
       kHeader + "[HKEY_USERS\\U]\n\"nl\"=hex(1):61,00,0a,00,62,00,00,00\n\"odd\"=hex(1):41\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Store store;
    ASSERT_TRUE(ParseStore(c.in, &store, nullptr));
    std::string text = FormatStore(store);
    EXPECT_EQ(text, c.out);
    Store again;
    ASSERT_TRUE(ParseStore(text, &again, nullptr)) << text;
    EXPECT_EQ(FormatStore(again), text) << "the written form is stable";
  }
}

TEST(RegistryStore, RefusesWhatIsNotARegistryFile) {
  const std::string h = "Windows Registry Editor Version 5.00\n";
  struct Case {
    std::string text;
    size_t line;
  } cases[] = {
      {"REGEDIT5\n", 1},
      {h + "\"a\"=\"no key yet\"\n", 2},
      {h + "[HKEY_NOWHERE\\a]\n", 2},
      {h + "[HKEY_CURRENT_USER\\a\n", 2},
      {h + "[HKEY_CURRENT_USER\\a]\n\"a\"=dword:123456789\n", 3},
      {h + "[HKEY_CURRENT_USER\\a]\n\"a\"=hex:1,2,,3\n", 3},
      {h + "[HKEY_CURRENT_USER\\a]\n\"a=\"open\n", 3},
      {h + "[HKEY_CURRENT_USER\\a]\n\"a\"=\"x\" tail\n", 3},
      {h + "[HKEY_CURRENT_USER\\" + std::string(256, 'k') + "]\n", 2},
      {"\xFF\xFE"
       "W",
       0},
  };
  for (const Case& c : cases) {
    Store store;
    size_t line = 99;
    EXPECT_FALSE(ParseStore(c.text, &store, &line)) << c.text;
    EXPECT_EQ(line, c.line) << c.text;
  }
}

}  // namespace
