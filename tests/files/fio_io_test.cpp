// File I/O round trips in a temporary directory, and the error codes left
// behind for IOresult.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "files/temp_dir.h"
#include "tqusb/files/fio.h"

namespace {

using namespace std::string_literals;
constexpr unsigned int kHigh = 259;

void* Create(const std::string& name) {
  return FIO::CreateA(kHigh, name.c_str(), 0);
}
void* OpenRead(const std::string& name) {
  return FIO::OpenReadA(kHigh, name.c_str(), 0);
}

TEST(FioText, TypedWritesReadBack) {
  TempDir dir;
  void* f = Create(dir / "values.txt");
  ASSERT_NE(f, FIO::InvalidHandle());
  FIO::WrInt16A(f, -7, -4);
  FIO::WrCard32A(f, 42, 5);
  FIO::WrHex32A(f, 0xABC, 4);
  FIO::WrBoolA(f, 0, 6);
  FIO::WrLnA(f);
  FIO::WrFixRealA(f, 1.25f, 2, 0);
  FIO::WrCharRepA(f, '\t', 200);
  FIO::WrLngRealA(f, 1234.5, 5, 0);
  FIO::WrCharA(f, ' ');
  FIO::ChopOff = 1;
  FIO::WrStrAdjA(f, 6, "abcdef", -3);
  FIO::ChopOff = 0;
  FIO::WrStrAdjA(f, 6, "abcdef", 3);
  EXPECT_EQ(FIO::IOresult(), 0u);
  FIO::Close(f);
  EXPECT_EQ(dir.Read("values.txt"),
            "-7     42 ABC FALSE\r\n1.25" + std::string(200, '\t') + "1.2345E+3 ???abcdef");

  f = OpenRead(dir / "values.txt");
  unsigned char ok = 0;
  EXPECT_EQ(FIO::RdInt16A(f, &ok), -7);
  EXPECT_EQ(FIO::RdCard32A(f, &ok), 42u);
  EXPECT_TRUE(ok);
  EXPECT_EQ(FIO::RdHex32A(f, &ok), 0xABCu);
  EXPECT_EQ(FIO::RdBoolA(f, &ok), 0);
  EXPECT_TRUE(ok);
  EXPECT_EQ(FIO::RdRealA(f, &ok), 1.25f);
  EXPECT_EQ(FIO::RdLngRealA(f, &ok), 1234.5);
  EXPECT_TRUE(ok);
  FIO::Close(f);
}

TEST(FioText, ItemsLinesAndRanges) {
  TempDir dir;
  dir.Write("items.txt", "12\t34\r\n300 -129 7f TRUE x 1e39");
  void* f = OpenRead(dir / "items.txt");
  struct Read {
    long long (*read)(void*, unsigned char*);
    long long value;
    unsigned char ok;
  } reads[] = {
      {[](void* h, unsigned char* ok) -> long long { return FIO::RdCard8A(h, ok); }, 12, 1},
      {[](void* h, unsigned char* ok) -> long long { return FIO::RdCard8A(h, ok); }, 34, 1},
      {[](void* h, unsigned char* ok) -> long long { return FIO::RdCard8A(h, ok); }, 300, 0},
      {[](void* h, unsigned char* ok) -> long long { return FIO::RdInt8A(h, ok); }, -129, 0},
      {[](void* h, unsigned char* ok) -> long long { return FIO::RdHex8A(h, ok); }, 0x7F, 1},
      {[](void* h, unsigned char* ok) -> long long { return FIO::RdBoolA(h, ok); }, 1, 1},
      {[](void* h, unsigned char* ok) -> long long { return FIO::RdBoolA(h, ok); }, 0, 0},
      {[](void* h, unsigned char* ok) -> long long { return FIO::RdRealA(h, ok) > 0; }, 1, 0},
      {[](void* h, unsigned char* ok) -> long long { return FIO::RdCard32A(h, ok); }, 0, 0},
  };
  for (const Read& r : reads) {
    unsigned char ok = 2;
    EXPECT_EQ(r.read(f, &ok), r.value);
    EXPECT_EQ(ok, r.ok) << r.value;
  }
  EXPECT_EQ(FIO::EndOfFile(f), 1);
  FIO::Close(f);

  // Lines end at LF or 26, CR is dropped, a long line comes in pieces.
  dir.Write("lines.txt",
            "one\r\ntwo\x1A"
            "abcdef\n\nlast");
  f = OpenRead(dir / "lines.txt");
  char line[4];
  for (const char* expected : {"one", "two", "abcd", "ef", "", "last"}) {
    EXPECT_EQ(FIO::RdStrA(f, 3, line), 1);
    EXPECT_EQ(std::string(line, strnlen(line, 4)), expected);
  }
  EXPECT_EQ(FIO::EndOfFile(f), 1);
  EXPECT_EQ(FIO::RdStrA(f, 3, line), 0);
  FIO::Close(f);
}

TEST(FioText, UnicodeDetection) {
  TempDir dir;
  struct Case {
    std::string bytes;
    unsigned char unicode;
    unsigned int pos;
  } cases[] = {
      {"\xFF\xFE"
       "a\0"s,
       1, 2},
      {"a\0b\0"s, 1, 0},
      {"ab", 0, 0},
      {"a", 0, 0},
      {"", 0, 0},
  };
  for (const Case& c : cases) {
    dir.Write("u.txt", c.bytes);
    void* f = OpenRead(dir / "u.txt");
    FIO::Seek(f, 1);
    EXPECT_EQ(FIO::IsUnicodeFile(f), c.unicode) << c.bytes;
    EXPECT_EQ(FIO::GetPos(f), c.pos) << c.bytes;
    FIO::Close(f);
  }
}

TEST(FioText, WideFormsWithNonAsciiNames) {
  TempDir dir;
  const std::u16string name = std::u16string(dir.path().begin(), dir.path().end()) +
                              u"/t\u00ebst_\u0444\u0430\u0439\u043b.txt";
  void* f = FIO::CreateW(kHigh, name.c_str(), 0);
  ASSERT_NE(f, FIO::InvalidHandle());
  FIO::WrStrW(f, 5, u"Gr\u00fc\u00dfe");
  FIO::WrLnW(f);
  FIO::WrCard16W(f, 7, 3);
  FIO::Close(f);
  EXPECT_TRUE(FIO::ExistsA(kHigh, (dir / "t\u00ebst_\u0444\u0430\u0439\u043b.txt").c_str()));
  EXPECT_TRUE(FIO::ExistsW(kHigh, name.c_str()));

  f = FIO::OpenReadW(kHigh, name.c_str(), 0);
  EXPECT_EQ(FIO::Size(f), 20u);  // 5 + CR LF + 3 units of two bytes
  EXPECT_EQ(FIO::IsUnicodeFile(f), 1);
  char16_t text[10];
  EXPECT_EQ(FIO::RdStrW(f, 9, text), 1);
  EXPECT_EQ(std::u16string(text), u"Gr\u00fc\u00dfe");
  unsigned char ok = 0;
  EXPECT_EQ(FIO::RdCard16W(f, &ok), 7u);
  EXPECT_TRUE(ok);
  FIO::Close(f);
}

TEST(FioFiles, ErrorCodes) {
  TempDir dir;
  dir.Write("ro.txt", "x");
  dir.Write("full/f", "x");
  ASSERT_TRUE(FIO::SetFileAttrA(kHigh, (dir / "ro.txt").c_str(), FIO::AttrReadOnly));
  const std::string tooLong(300, 'n');
  void* closed = Create(dir / "closed.txt");
  FIO::Close(closed);
  // Each call and the code IOresult reports right after it (0: the call succeeds).
  const struct {
    const char* what;
    std::function<bool()> call;
    unsigned int code;
  } cases[] = {
      {"missing file", [&] { return OpenRead(dir / "none.txt") != FIO::InvalidHandle(); }, 2},
      {"missing directory", [&] { return OpenRead(dir / "none/x.txt") != FIO::InvalidHandle(); },
       3},
      {"long name", [&] { return FIO::OpenA(300, tooLong.c_str(), 0) != FIO::InvalidHandle(); },
       206},
      {"closed handle", [&] { return FIO::Size64(closed) != ~0ULL; }, 6},
      {"invalid handle", [] { return FIO::WrCharA(FIO::InvalidHandle(), 'x') != 0; }, 6},
      {"null handle", [] { return FIO::Close(nullptr) != 0; }, 6},
      {"delete missing", [&] { return FIO::DeleteA(kHigh, (dir / "none.txt").c_str()) != 0; }, 2},
      {"existing directory", [&] { return FIO::MkDirA(kHigh, (dir / "full").c_str()) != 0; }, 183},
      {"directory not empty", [&] { return FIO::RmDirA(kHigh, (dir / "full").c_str()) != 0; }, 145},
      {"rename onto a file",
       [&] {
         return FIO::RenameA(kHigh, (dir / "closed.txt").c_str(), kHigh,
                             (dir / "ro.txt").c_str()) != 0;
       },
       183},
      {"success", [&] { return FIO::ExistsDirA(kHigh, (dir / "full").c_str()) != 0; }, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.call(), c.code == 0) << c.what;
    EXPECT_EQ(FIO::IOresult(), c.code) << c.what;
  }
  if (geteuid() != 0) {  // the superuser writes to read-only files
    EXPECT_EQ(FIO::OpenA(kHigh, (dir / "ro.txt").c_str(), 0), FIO::InvalidHandle());
    EXPECT_EQ(FIO::IOresult(), 5u);
  }
  EXPECT_EQ(FIO::GetFileAttrA(kHigh, (dir / "ro.txt").c_str()), FIO::AttrReadOnly);
  EXPECT_EQ(FIO::IOresult(), 0u);
}

TEST(FioFiles, ListingAndTimes) {
  TempDir dir;
  for (const char* file : {"a.ini", "b.INI", "c.txt", "noext", "sub/x"}) dir.Write(file, "x");
  auto list = [&](const std::string& pattern, unsigned int mask) {
    std::set<std::string> names;
    FIO::DirEntryA entry;
    for (bool more = FIO::ReadFirstEntryA(kHigh, (dir / pattern).c_str(), mask, &entry); more;
         more = FIO::ReadNextEntryA(&entry))
      names.insert(entry.Data.cFileName);
    return names;
  };
  EXPECT_EQ(list("*.ini", 0xFF), (std::set<std::string>{"a.ini", "b.INI"}));
  EXPECT_EQ(list("*.*", FIO::AttrNormal),
            (std::set<std::string>{"a.ini", "b.INI", "c.txt", "noext"}));
  EXPECT_EQ(list("*", FIO::AttrDirectory), std::set<std::string>{"sub"});
  EXPECT_TRUE(list("*.none", 0xFF).empty());
  EXPECT_EQ(FIO::IOresult(), 2u);
  EXPECT_TRUE(list("none/*", 0xFF).empty());
  EXPECT_EQ(FIO::IOresult(), 3u);
  FIO::DirEntryA stale{};
  EXPECT_EQ(FIO::ReadNextEntryA(&stale), 0);

  void* f = FIO::AppendA(kHigh, (dir / "a.ini").c_str(), 0);
  EXPECT_EQ(FIO::GetPos64(f), 1u);
  ASSERT_TRUE(FIO::SetFileTime2(f, 2020, 5, 6, 7, 8, 9, 500));
  unsigned short t[7] = {};
  ASSERT_TRUE(FIO::GetFileTime2(f, &t[0], &t[1], &t[2], &t[3], &t[4], &t[5], &t[6]));
  EXPECT_EQ(std::vector<unsigned short>(t, t + 7),
            (std::vector<unsigned short>{2020, 5, 6, 7, 8, 9, 500}));
  const FIO::FILETIME ft = FIO::GetFileTime(f);  // 2020-05-06 07:08:09.5 in 100 ns since 1601
  EXPECT_EQ((static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime,
            (1588748889ULL + 11644473600ULL) * 10000000ULL + 5000000ULL);
  FIO::Close(f);
}

}  // namespace
