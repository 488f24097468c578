#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "tqusb/containers/vcom.h"
#include "tqusb/runtime/storage.h"

namespace {

std::string Convert(std::string text, unsigned int from, unsigned int to) {
  vcom::ConvertBuffer(text.data(), static_cast<unsigned int>(text.size()), from, to);
  return text;
}

TEST(CodePages, ConvertsBetweenPagesAndToAscii) {
  // Š of Windows-1250 in each target; Šcř to plain letters.
  EXPECT_EQ(Convert("\x8A", vcom::cpWin1250, vcom::cpLatin2PC), "\xE6");
  EXPECT_EQ(Convert("\x8A", vcom::cpWin1250, vcom::cpKamenicky), "\x9B");
  EXPECT_EQ(Convert("\x8A", vcom::cpWin1250, vcom::cpKOI8CS), "\xF3");
  EXPECT_EQ(Convert("\x8A\xE8\xF8 ok", vcom::cpWin1250, vcom::cpASCII), "Scr ok");
  // Not letters: kept for ASCII, a space where the target lacks them.
  EXPECT_EQ(Convert("\x80\xB0", vcom::cpWin1250, vcom::cpASCII), "\x80\xB0");
  EXPECT_EQ(Convert("\x80", vcom::cpWin1250, vcom::cpLatin2PC), " ");
  const unsigned int ignored[][2] = {{1, 1}, {5, 1}, {0, 2}, {1, 6}};
  for (const auto& p : ignored) EXPECT_EQ(Convert("\x8A", p[0], p[1]), "\x8A") << p[0] << p[1];
  // Every character that reaches another page comes back unchanged.
  for (unsigned int from = 1; from <= 4; ++from) {
    for (unsigned int to = 1; to <= 4; ++to) {
      for (unsigned int c = 128; c < 256; ++c) {
        const std::string mid = Convert(std::string(1, static_cast<char>(c)), from, to);
        if (from != to && mid != " ") {
          EXPECT_EQ(static_cast<unsigned char>(Convert(mid, to, from)[0]), c) << from << ">" << to;
        }
      }
    }
  }
  char s[4] = {'\x8A', '\x8A', '\0', '\x8A'};
  vcom::ConvertString(3, s, vcom::cpWin1250, vcom::cpASCII);
  EXPECT_EQ(std::string(s, 4), std::string("SS\0\x8A", 4));
  vcom::ConvertBuffer(nullptr, 5, 1, 2);
}

TEST(Clipboard, CopiesAndPastesText) {
  void* data = nullptr;
  unsigned long long size = 99;
  vcom::TextClipCopyA("abc\0def", 7);
  vcom::TextClipPasteA(&data, &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(size, 3u);
  EXPECT_STREQ(static_cast<char*>(data), "abc");
  Storage::Free(&data);
  char small[2] = {'x', 'x'};
  vcom::StringClipPasteA(1, small);  // cut to two characters, no room for the zero
  EXPECT_EQ(std::string(small, 2), "ab");
  vcom::StringClipCopyA(1, "xyz");
  char out[8];
  vcom::StringClipPasteA(7, out);
  EXPECT_STREQ(out, "xy");
  vcom::TextClipCopyA(nullptr, 5);  // ignored
  vcom::StringClipPasteA(7, out);
  EXPECT_STREQ(out, "xy");
}

TEST(SystemHelpers, ModulePathErrorTextAndResources) {
  char path[512];
  EXPECT_EQ(vcom::GetModulePathA(20, "libnot-loaded.so", 511, path), 0);
  EXPECT_STREQ(path, "libnot-loaded.so");
  ASSERT_EQ(vcom::GetModulePathA(0, "", 511, path), 1);  // the program itself
  EXPECT_NE(std::strstr(path, "tqusb_containers_tests"), nullptr) << path;
  // A loaded library by its file name with any leading part of its suffixes.
  const struct {
    const char* name;
    unsigned char found;
  } libraries[] = {{"libc", 1},      {"libc.so", 1},    {"libc.so.6", 1},
                   {"libc.so.7", 0}, {"libc.so.61", 0}, {"libc.s", 0}};
  for (const auto& l : libraries) {
    EXPECT_EQ(vcom::GetModulePathA(20, l.name, 511, path), l.found) << l.name;
    if (l.found) {
      EXPECT_NE(std::strstr(path, "/libc.so.6"), nullptr) << path;
    }
  }
  char16_t wpath[512];
  EXPECT_EQ(vcom::GetModulePathW(5, u"libzz", 511, wpath), 0);
  EXPECT_EQ(std::u16string(wpath), u"libzz");

  char text[100];
  vcom::GetErrorMessageA(2, 99, text);
  EXPECT_STREQ(text, "No such file or directory");
  vcom::GetErrorMessageA(5, 5, text);
  EXPECT_EQ(std::string(text, 6), "Permis");
  char16_t wtext[100];
  vcom::GetErrorMessageW(80, 99, wtext);
  EXPECT_EQ(std::u16string(wtext), u"File exists");
  vcom::GetErrorMessageA(0xDEADu, 99, text);
  EXPECT_STREQ(text, "");

  unsigned int size = 7;
  auto* version =
      static_cast<const std::uint32_t*>(vcom::GetResourceByRefA(nullptr, 1, 3, "#16", &size));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(size, 52u);
  EXPECT_EQ(version[0], 0xFEEF04BDu);
  EXPECT_EQ(vcom::GetResourceByNameA(nullptr, 5, "#1", 3, "#16", &size), version);
  EXPECT_EQ(vcom::GetResourceByNameA(nullptr, 5, "ICON", 3, "#16", &size), nullptr);
  EXPECT_EQ(size, 0u);
}

}  // namespace
