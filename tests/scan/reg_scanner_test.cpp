// Registry scanners over the registry file: typed values as they appear in
// the file, sections, backups, failures, and writers in two processes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "files/temp_dir.h"
#include "tqusb/containers/vcom.h"
#include "tqusb/scan/vscan_registry.h"

namespace {

using vscan::CRegScannerA;
using vscan::CRegScannerW;
using vscan::HKEY_CURRENT_USER;

const char kPath[] = "Software\\Kestoral Instruments\\Test";
const unsigned kPathHigh = sizeof kPath - 2;
const char kHeader[] = "Windows Registry Editor Version 5.00\n\n";

class RegScannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = getenv("XDG_CONFIG_HOME")) previous_ = old;
    setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
  }
  void TearDown() override {
    if (previous_.empty())
      unsetenv("XDG_CONFIG_HOME");
    else
      setenv("XDG_CONFIG_HOME", previous_.c_str(), 1);
  }

  std::string Read() const { return dir_.Read("tqusb/registry.reg"); }
  void Write(const std::string& text) { dir_.Write("tqusb/registry.reg", text); }

  TempDir dir_;
  const std::string file_ = dir_ / "tqusb/registry.reg";
  std::string previous_;
};

// Each setter writes one value; the file shows its exact type and bytes, and
// a fresh scanner reads the same value back.
TEST_F(RegScannerTest, TypedValuesRoundTripThroughTheFile) {
  vcom::CRect rect;
  rect.Init(1, -2, 640, 480);
  struct Case {
    const char* line;
    std::function<unsigned char(CRegScannerA&)> set, check;
  } cases[] = {
      {"\"B\"=dword:00000001", [](CRegScannerA& s) { return s.SetKeyBool(0, "B", 7); },
       [](CRegScannerA& s) {
         unsigned char v = 0;
         return s.GetKeyBool(0, "B", &v) && v == 1;
       }},
      {"\"C\"=dword:fffffffe", [](CRegScannerA& s) { return s.SetKeyCard(0, "C", 0xFFFFFFFE); },
       [](CRegScannerA& s) {
         unsigned v = 0;
         return s.GetKeyCard(0, "C", &v) && v == 0xFFFFFFFE;
       }},
      {"\"I\"=dword:fffffff9", [](CRegScannerA& s) { return s.SetKeyInt(0, "I", -7); },
       [](CRegScannerA& s) {
         int v = 0;
         return s.GetKeyInt(0, "I", &v) && v == -7;
       }},
      {"\"P\"=hex(b):08,07,06,05,04,03,02,01",
       [](CRegScannerA& s) { return s.SetKeyCardPtr(0, "P", 0x0102030405060708ull); },
       [](CRegScannerA& s) {
         unsigned long long v = 0;
         return s.GetKeyCardPtr(0, "P", &v) && v == 0x0102030405060708ull;
       }},
      {"\"R\"=hex:00,00,00,00,00,00,f8,3f",
       [](CRegScannerA& s) { return s.SetKeyReal(0, "R", 1.5); },
       [](CRegScannerA& s) {
         double v = 0;
         return s.GetKeyReal(0, "R", &v) && v == 1.5;
       }},
      {"\"Q\"=hex:01,00,00,00,fe,ff,ff,ff,80,02,00,00,e0,01,00,00",
       [&](CRegScannerA& s) { return s.SetKeyRect(0, "Q", rect); },
       [](CRegScannerA& s) {
         vcom::CRect v;
         return s.GetKeyRect(0, "Q", &v) && v.x == 1 && v.y == -2 && v.width == 640 &&
                v.height == 480;
       }},
      {"\"S\"=\"-FF\"", [](CRegScannerA& s) { return s.SetKeyIntS(0, "S", -255, 16); },
       [](CRegScannerA& s) {
         int v = 0;
         return s.GetKeyIntS(0, "S", &v, 16) && v == -255;
       }},
      {"\"T\"=\"C:\\\\a \\\"b\\\" \xc3\xa9\"",
       [](CRegScannerA& s) { return s.SetKeyStr(9, "T", 99, "C:\\a \"b\" \xc3\xa9"); },
       [](CRegScannerA& s) {
         char v[16];
         return s.GetKeyStr(0, "T", 15, v) && std::strcmp(v, "C:\\a \"b\" \xc3\xa9") == 0;
       }},
      {"@=\"default\"", [](CRegScannerA& s) { return s.SetKeyStr(0, "", 99, "default"); },
       [](CRegScannerA& s) {
         char v[7];
         return s.GetKeyStr(0, "", 6, v) && std::memcmp(v, "default", 7) == 0;
       }},
      {"\"N\"=hex:", [](CRegScannerA& s) { return s.SetKeyBin(0, "N", nullptr, 0); },
       [](CRegScannerA& s) {
         unsigned size = 4;
         char v[4];
         return s.GetKeyBin(0, "N", v, &size) && size == 0;
       }},
  };
  CRegScannerA writer;
  ASSERT_TRUE(writer.Create(0, "", kPathHigh, kPath, HKEY_CURRENT_USER));
  for (const Case& c : cases) EXPECT_TRUE(c.set(writer)) << c.line;
  unsigned char two[2] = {1, 0};
  EXPECT_TRUE(writer.SetKeyData(1, "D2", two, 2, vscan::REG_DWORD));
  writer.Done();
  const std::string text = Read();
  CRegScannerA reader;
  ASSERT_TRUE(reader.Init(0, "", kPathHigh, kPath, HKEY_CURRENT_USER));
  for (const Case& c : cases) {
    EXPECT_NE(text.find(std::string("\n") + c.line + "\n"), std::string::npos) << c.line << "\n"
                                                                               << text;
    EXPECT_TRUE(c.check(reader)) << c.line;
  }
  unsigned card = 42;
  char small[4] = "abc";
  EXPECT_FALSE(reader.GetKeyCard(0, "S", &card)) << "a string is not a number";
  EXPECT_FALSE(reader.GetKeyCard(0, "P", &card)) << "a 64-bit value is not a 32-bit one";
  EXPECT_FALSE(reader.GetKeyCard(1, "D2", &card)) << "a dword of two bytes";
  EXPECT_FALSE(reader.GetKeyRect(0, "R", &rect)) << "8 bytes are no rectangle";
  EXPECT_EQ(rect.width, 640);
  EXPECT_FALSE(reader.GetKeyStr(0, "T", 3, small)) << "too long for the buffer";
  EXPECT_EQ(card, 42u);
  EXPECT_STREQ(small, "abc");
  reader.Done();

  CRegScannerW wide;
  ASSERT_TRUE(
      wide.Init(0, u"", kPathHigh, u"Software\\Kestoral Instruments\\Test", HKEY_CURRENT_USER));
  char16_t w[16];
  EXPECT_TRUE(wide.GetKeyStr(0, u"T", 15, w));
  EXPECT_EQ(std::u16string(w), u"C:\\a \"b\" \u00e9");
  wide.Done();
}

TEST_F(RegScannerTest, SectionsAreSubkeys) {
  CRegScannerA s;
  ASSERT_TRUE(s.Create(0, "", kPathHigh, kPath, HKEY_CURRENT_USER));
  ASSERT_TRUE(s.CreateSection(2, "5\\a"));
  s.SetKeyInt(0, "x", 1);
  ASSERT_TRUE(s.CreateSection(0, "6"));
  s.SetKeyStr(0, "1", 2, "Red");
  EXPECT_FALSE(s.SetSection(0, "7"));
  EXPECT_EQ(s.SectionKey, s.RootKey) << "a missing section selects the root";
  EXPECT_TRUE(s.SetSection(0, "5"));
  char name[8] = "junk";
  std::string seen;
  for (int i = 0; s.EnumKey(7, name, 1, i); ++i) seen += name;
  EXPECT_EQ(seen, "a");
  EXPECT_STREQ(name, "");
  EXPECT_TRUE(s.SetRootSection());
  EXPECT_TRUE(s.DeleteSection(0, "5"));
  EXPECT_FALSE(s.SetSection(0, "5"));
  EXPECT_TRUE(s.ClearSection(0, ""));
  s.Done();
  EXPECT_EQ(Read(),
            std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\Kestoral Instruments\\Test]\n\n");
}

TEST_F(RegScannerTest, BackupKeepsThePreviousValue) {
  CRegScannerA s;
  ASSERT_TRUE(s.Create(0, "", kPathHigh, kPath, HKEY_CURRENT_USER));
  s.SetKeyInt(0, "v", 1);
  s.SetKeyInt(0, "v", 2);
  EXPECT_EQ(Read().find("BAK_"), std::string::npos) << "no backups with the flag clear";
  s.Backup = 1;
  s.SetKeyInt(0, "v", 3);
  s.SetKeyInt(0, "n", 9);
  int v = 0;
  EXPECT_TRUE(s.GetKeyInt(6, "BAK_v", &v));
  EXPECT_EQ(v, 2);
  EXPECT_FALSE(s.GetKeyInt(6, "BAK_n", &v)) << "a new value has nothing to back up";
  EXPECT_TRUE(s.DeleteKey(0, "v"));
  EXPECT_TRUE(s.GetKeyInt(0, "v", &v)) << "deleting restores the backup";
  EXPECT_EQ(v, 2);
  EXPECT_FALSE(s.GetKeyInt(4, "BAK_v", &v));
  EXPECT_TRUE(s.DeleteKey(0, "v"));
  EXPECT_FALSE(s.GetKeyInt(0, "v", &v));
  s.Done();
}

TEST_F(RegScannerTest, AFileThatIsALinkStaysALink) {
  dir_.Write("synced/registry.reg", "");
  std::filesystem::create_directories(dir_ / "tqusb");
  std::filesystem::create_symlink(dir_ / "synced/registry.reg", file_);
  CRegScannerA s;
  ASSERT_TRUE(s.Create(0, "", kPathHigh, kPath, HKEY_CURRENT_USER));
  EXPECT_TRUE(s.SetKeyInt(0, "v", 1));
  s.Done();
  EXPECT_TRUE(std::filesystem::is_symlink(file_));
  EXPECT_NE(dir_.Read("synced/registry.reg").find("\"v\"=dword:00000001"), std::string::npos);
}

TEST_F(RegScannerTest, FailuresLeaveTheFileAndTheScannerAlone) {
  CRegScannerA s;
  EXPECT_FALSE(s.Init(0, "", kPathHigh, kPath, HKEY_CURRENT_USER)) << "missing file";
  EXPECT_FALSE(std::filesystem::exists(file_));
  EXPECT_FALSE(s.Create(5, "server", kPathHigh, kPath, HKEY_CURRENT_USER)) << "remote registry";
  EXPECT_EQ(s.RootKey, nullptr);

  const std::string broken =
      "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\x]\n\"a\"=bogus\n";
  Write(broken);
  EXPECT_FALSE(s.Create(0, "", kPathHigh, kPath, HKEY_CURRENT_USER));
  EXPECT_EQ(Read(), broken) << "a file that does not parse is never written";

  const std::string good =
      std::string(kHeader) + "[HKEY_CURRENT_USER\\" + kPath + "]\n\"a\"=dword:00000005\n\n";
  Write(good);
  chmod(file_.c_str(), 0444);
  ASSERT_TRUE(s.Init(0, "", kPathHigh, kPath, HKEY_CURRENT_USER))
      << "read-only file opens for reading";
  unsigned a = 0;
  EXPECT_TRUE(s.GetKeyCard(0, "a", &a));
  EXPECT_EQ(a, 5u);
  EXPECT_FALSE(s.SetKeyCard(0, "a", 6));
  EXPECT_FALSE(s.CreateSection(0, "x"));
  EXPECT_EQ(Read(), good);
  s.Done();
}

// Processes set values in one key at the same time; the lock and the fresh
// read under it keep every value. In the second row the key is missing and
// another writer creates it while the processes read the (large) file: they
// must open the key it created for writing, not for reading only.
TEST_F(RegScannerTest, ConcurrentWritersLoseNothing) {
  std::string others = std::string(kHeader) + "[HKEY_CURRENT_USER\\Other]\n";
  for (int i = 0; i < 20000; ++i) others += "\"v" + std::to_string(i) + "\"=dword:00000001\n";
  const std::string created = others + "\n[HKEY_CURRENT_USER\\" + kPath + "]\n";
  struct Case {
    int processes, values;
    bool keyCreatedMeanwhile;
  } cases[] = {{2, 40, false}, {16, 1, true}};
  for (const Case& c : cases) {
    Write(c.keyCreatedMeanwhile ? others : kHeader);
    int lock = open((file_ + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    if (c.keyCreatedMeanwhile) {
      ASSERT_EQ(flock(lock, LOCK_EX), 0);
    }
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < c.processes; ++p) {
      pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        close(go[1]);
        char byte;
        while (read(go[0], &byte, 1) < 0) {
        }
        CRegScannerA s;
        bool ok = s.Create(0, "", kPathHigh, kPath, HKEY_CURRENT_USER);
        for (int i = 0; ok && i < c.values; ++i) {
          std::string name = std::to_string(p) + "_" + std::to_string(i);
          ok = s.SetKeyInt(static_cast<unsigned>(name.size()), name.c_str(), i);
        }
        s.Done();
        _exit(ok ? 0 : 1);
      }
      children.push_back(child);
    }
    close(go[0]);
    close(go[1]);  // releases every child at once
    if (c.keyCreatedMeanwhile) {
      usleep(5000);  // they are reading the file now; the writer holds the lock
      dir_.Write("tqusb/new.reg", created);
      ASSERT_EQ(rename((dir_ / "tqusb/new.reg").c_str(), file_.c_str()), 0);
      flock(lock, LOCK_UN);
    }
    close(lock);
    int failed = 0;
    for (pid_t child : children) {
      int status = 0;
      waitpid(child, &status, 0);
      failed += !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CRegScannerA s;
    ASSERT_TRUE(s.Init(0, "", kPathHigh, kPath, HKEY_CURRENT_USER));
    char name[16];
    int count = 0;
    while (s.EnumKey(15, name, 0, count)) ++count;
    s.Done();
    EXPECT_EQ(failed, 0) << c.processes;
    EXPECT_EQ(count, c.processes * c.values) << c.processes;
  }
}

TEST_F(RegScannerTest, ExecStrByExtension) {
  Write(std::string(kHeader) +
        "[HKEY_CLASSES_ROOT\\.fits]\n@=\"FitsFile\"\n\n"
        "[HKEY_CLASSES_ROOT\\FitsFile\\shell\\Open\\command]\n@=\"viewer %1\"\n\n"
        "[HKEY_CLASSES_ROOT\\.txt]\n@=\"\"\n\n"
        "[HKEY_CLASSES_ROOT\\.raw]\n@=\"RawFile\"\n\n[HKEY_CLASSES_ROOT\\RawFile\\shell]\n\n");
  char cmd[32] = {};
  EXPECT_TRUE(vscan::GetExecStrByExtA(4, ".fits", 31, cmd));
  EXPECT_STREQ(cmd, "viewer %1");
  EXPECT_FALSE(vscan::GetExecStrByExtA(3, ".txt", 31, cmd)) << "no .txt\\shell\\Open\\command";
  EXPECT_FALSE(vscan::GetExecStrByExtA(3, ".raw", 31, cmd)) << "type without a command";
  EXPECT_FALSE(vscan::GetExecStrByExtA(3, ".xyz", 31, cmd));
  char16_t wcmd[32] = {};
  EXPECT_TRUE(vscan::GetExecStrByExtW(4, u".fits", 31, wcmd));
  EXPECT_EQ(std::u16string(wcmd), u"viewer %1");

  char result[256];
  EXPECT_EQ(vscan::CompleteExecStrA(result, cmd, "C:\\a.txt", nullptr), 2u);
  EXPECT_STREQ(result, "viewer C:\\a.txt");
  EXPECT_EQ(vscan::CompleteExecStrA(result, "a %s b %s", "x", nullptr), 2u)
      << "stops at the null argument";
  EXPECT_STREQ(result, "a x b ");
  EXPECT_EQ(vscan::CompleteExecStrA(result, "", nullptr), 0xFFFFFFFFu);
}

}  // namespace
