// INI scanners: files loaded, looked up, edited and saved, compared byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>

#include "files/temp_dir.h"
#include "tqusb/containers/vcom.h"
#include "tqusb/scan/vscan_text.h"

namespace {

using vscan::CTextScanner;
using vscan::CTextScannerW;

const std::string kSaved = "[S]\r\nk = new\r\n";
constexpr unsigned kNobody = 65534;

class TextScannerTest : public ::testing::Test {
 protected:
  void Write(const std::string& bytes) { dir_.Write("test.ini", bytes); }
  std::string Read() const { return dir_.Read("test.ini"); }
  unsigned High() const { return static_cast<unsigned>(file_.size()); }

  TempDir dir_;
  const std::string file_ = dir_ / "test.ini";
};

std::string Utf16Le(const std::u16string& text, bool mark) {
  std::string bytes = mark ? "\xFF\xFE" : "";
  for (char16_t u : text) bytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  return bytes;
}

// Load, mark modified without changing anything, save: the written form.
TEST_F(TextScannerTest, RoundTripsThroughTheWrittenForm) {
  const std::string key85(85, 'k'), value300(300, 'v'), plain90(90, 'p');
  struct Case {
    const char* what;
    std::string in, out;
  } cases[] = {
      {"sections, plain lines, duplicates and blanks",
       "top=1\n\n[Camera]\nGain = 3\n; note\nFilter=R\nFilter = G\n  [Other]  \nx\n",
       "top = 1\r\n\r\n[Camera]\r\nGain = 3\r\n; note\r\nFilter = R\r\nFilter = "
       "G\r\n\r\n[Other]\r\nx\r\n"},
      {"CR LF, no final newline, Ctrl-Z", "[A] trailing\r\nName =  x y  \r\n[Broken\r\nk=v\x1Aw=2",
       "[A]\r\nName = x y\r\nk = v\r\nw = 2\r\n"},
      {"UTF-8 byte-order mark dropped", "\xEF\xBB\xBF[S]\nk=v\n", "[S]\r\nk = v\r\n"},
      {"UTF-8 text", "[Fenêtre]\nNom=Ångström µm\n", "[Fenêtre]\r\nNom = Ångström µm\r\n"},
      {"bounds: key 80, line 256, plain 80", key85 + "=1\n" + value300 + "\n" + plain90 + "\n",
       std::string(80, 'k') + " = 1\r\n" + std::string(80, 'v') + "\r\n" + std::string(44, 'v') +
           "\r\n" + std::string(80, 'p') + "\r\n"},
      {"UTF-16 with mark read into 8-bit", Utf16Le(u"[S]\r\nk=\u00e9\r\n", true),
       "[S]\r\nk = \u00e9\r\n"},
      {"UTF-16 without mark", Utf16Le(u"[S]\nk=v\n", false), "[S]\r\nk = v\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Write(c.in);
    CTextScanner s;
    ASSERT_TRUE(s.Init(High(), file_.c_str()));
    EXPECT_TRUE(s.SaveModified());
    EXPECT_EQ(Read(), c.in) << "an unmodified scanner never writes";
    s.Modified = 1;
    EXPECT_TRUE(s.SaveModified());
    EXPECT_EQ(Read(), c.out);
    s.Done();
  }
}

TEST_F(TextScannerTest, TypedLookUpsInTheCurrentSection) {
  Write(
      "first=0\nGain=9\n[Camera]\nGain = "
      "3\nFast=True\nSlow=yes\nT=-2.5e1\nBig=18446744073709551615\n"
      "R=1, 2;3  4\nBad=12x\nF=a\nF=b\nF=c\n[Other]\nOnly=1\n");
  CTextScanner s;
  ASSERT_TRUE(s.Init(High(), file_.c_str()));
  EXPECT_EQ(s.SetSection(5, "camera"), 0) << "names are case-sensitive";
  int gain = -1;
  EXPECT_TRUE(s.GetKeyInt(3, "Gain", &gain)) << "a missing section searches from the second line";
  EXPECT_EQ(gain, 9);

  ASSERT_TRUE(s.SetSection(5, "Camera"));
  unsigned char fast = 0, slow = 7;
  double t = 0;
  unsigned long long big = 0;
  vcom::CRect r;
  EXPECT_TRUE(s.GetKeyInt(3, "Gain", &gain));
  EXPECT_EQ(gain, 3);
  EXPECT_TRUE(s.GetKeyBool(3, "Fast", &fast));
  EXPECT_EQ(fast, 1);
  EXPECT_FALSE(s.GetKeyBool(3, "Slow", &slow));
  EXPECT_EQ(slow, 7);
  EXPECT_TRUE(s.GetKeyReal(0, "T", &t));
  EXPECT_EQ(t, -25.0);
  EXPECT_TRUE(s.GetKeyCard64(2, "Big", &big));
  EXPECT_EQ(big, ~0ull);
  ASSERT_TRUE(s.GetKeyRect(0, "R", &r));
  EXPECT_EQ((std::array<int, 4>{r.x, r.y, r.width, r.height}), (std::array<int, 4>{1, 2, 3, 4}));
  EXPECT_FALSE(s.GetKeyInt(2, "Bad", &gain));
  EXPECT_FALSE(s.GetKeyInt(3, "Only", &gain)) << "the next section is not searched";
  EXPECT_EQ(gain, 3);

  char value[8];
  std::string seen;
  for (bool more = s.GetFirstKeyStr(0, "F", 7, value); more;
       more = s.GetNextKeyStr(0, "F", 7, value))
    seen += value;
  EXPECT_EQ(seen, "abc");
  char key[80];
  int lines = 0;
  for (bool more = s.GetFirstLine(79, key, 7, value); more; more = s.GetNextLine(79, key, 7, value))
    ++lines;
  EXPECT_EQ(lines, 10);
  s.Done();
}

TEST_F(TextScannerTest, EditsLandAtTheEndOfTheirSection) {
  Write("[A]\nk=1\n[B]\nx\n[C]\nc=3\n");
  CTextScanner s;
  ASSERT_TRUE(s.Init(High(), file_.c_str()));
  ASSERT_TRUE(s.SetSection(0, "A"));
  s.SetKeyStr(0, "k", 0, "2");
  s.SetKeyStr(3, "new1", 1, "v1");
  s.AddLine(0, "k", 0, "3");
  s.SetKeyBool(1, "on", 1);
  s.SetKeyInt(0, "i", -7);
  s.SetKeyReal(0, "r", 0.1);
  vcom::CRect rect;
  rect.Init(1, -2, 3, 4);
  s.SetKeyRect(0, "q", rect);
  s.ClearSection(0, "B");
  s.CreateSection(0, "D");
  s.SetKeyCard(0, "d", 4000000000u);
  s.DeleteSection(0, "C");
  ASSERT_TRUE(s.SaveModified());
  EXPECT_EQ(
      Read(),
      "[A]\r\nk = 2\r\nnew1 = v1\r\nk = 3\r\non = TRUE\r\ni = -7\r\nr = 1.0000000000000001E-1\r\n"
      "q = 1, -2, 3, 4\r\n\r\n[B]\r\n\r\n[D]\r\nd = 4000000000\r\n");
  s.Done();
  EXPECT_FALSE(s.SetKeyStr(0, "k", 0, "v")) << "no current section element after Done";
}

TEST_F(TextScannerTest, FailuresKeepTheScannerUsable) {
  CTextScanner s;
  EXPECT_FALSE(s.Init(High(), file_.c_str())) << "missing file";
  EXPECT_TRUE(s.Create(1, "S", High(), file_.c_str()));
  s.SetKeyStr(0, "k", 0, "v");
  const std::string nowhere = dir_ / "missing/dir.ini";
  EXPECT_FALSE(s.SaveAs(static_cast<unsigned>(nowhere.size()), nowhere.c_str()));
  EXPECT_EQ(s.Modified, 1);
  EXPECT_TRUE(s.SaveAs(High(), file_.c_str()));
  EXPECT_EQ(Read(), "[S]\r\nk = v\r\n");
  chmod(file_.c_str(), 0444);
  if (geteuid() != 0) {
    EXPECT_FALSE(s.SaveModified()) << "a read-only file is not replaced";
  }
  s.Done();
}

// A save changes the file that is there, whatever way it writes: links,
// mode, owner and other names stay, and a file this user may write saves
// even in a directory this user may not.
TEST_F(TextScannerTest, SavingKeepsTheFileItself) {
  namespace fs = std::filesystem;
  chmod(dir_.path().c_str(), 0755);  // the unprivileged row must reach its directory
  struct Case {
    const char* what;
    const char* opened;
    std::function<void()> setUp;
    std::function<bool()> kept;
    bool asOtherUser = false;
  } cases[] = {
      {"a symbolic link stays one; its target gets the text", "link.ini",
       [&] { fs::create_symlink(dir_ / "target.ini", dir_ / "link.ini"); },
       [&] { return fs::is_symlink(dir_ / "link.ini") && dir_.Read("target.ini") == kSaved; }},
      {"mode 0640 stays", "mode.ini", [&] { chmod((dir_ / "mode.ini").c_str(), 0640); },
       [&] {
         struct stat st {};
         return stat((dir_ / "mode.ini").c_str(), &st) == 0 && (st.st_mode & 07777) == 0640;
       }},
      {"another hard link sees the text", "one.ini",
       [&] { fs::create_hard_link(dir_ / "one.ini", dir_ / "other.ini"); },
       [&] { return dir_.Read("other.ini") == kSaved; }},
      {"another user's file keeps its owner", "owned.ini",
       [&] {
         ASSERT_EQ(chown((dir_ / "owned.ini").c_str(), kNobody, kNobody), geteuid() == 0 ? 0 : -1);
       },
       [&] {
         struct stat st {};
         return stat((dir_ / "owned.ini").c_str(), &st) == 0 &&
                st.st_uid == (geteuid() == 0 ? kNobody : geteuid());
       }},
      {"a writable file in a read-only directory saves", "ro/file.ini",
       [&] {
         chmod((dir_ / "ro/file.ini").c_str(), 0666);
         chmod((dir_ / "ro").c_str(), 0555);
       },
       [&] { return dir_.Read("ro/file.ini") == kSaved; }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string real = c.opened == std::string("link.ini") ? "target.ini" : c.opened;
    dir_.Write(real, "[S]\nk=old\n");
    c.setUp();
    const std::string path = dir_ / c.opened;
    auto save = [&] {
      CTextScanner s;
      bool ok = s.Init(static_cast<unsigned>(path.size()), path.c_str()) &&
                s.SetKeyStr(0, "k", 2, "new") && s.SaveModified();
      s.Done();
      return ok;
    };
    if (c.asOtherUser && geteuid() == 0) {
      pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) _exit(setgid(kNobody) == 0 && setuid(kNobody) == 0 && save() ? 0 : 1);
      int status = 0;
      waitpid(child, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    } else {
      EXPECT_TRUE(save());
    }
    EXPECT_TRUE(c.kept());
  }
  chmod((dir_ / "ro").c_str(), 0755);
}

TEST_F(TextScannerTest, WideScannerKeepsTheFileEncoding) {
  struct Case {
    std::string in;
    bool setUnicode;
    std::string out;
  } cases[] = {
      {Utf16Le(u"[S]\nk=\u20ac\n", true), false, Utf16Le(u"[S]\r\nk = \u20ac\r\n", true)},
      {"[S]\nk=\xe2\x82\xac\n", false, "[S]\r\nk = \xe2\x82\xac\r\n"},
      {"[S]\nk=v\n", true, Utf16Le(u"[S]\r\nk = v\r\n", true)},
  };
  const std::u16string name(file_.begin(), file_.end());
  for (const Case& c : cases) {
    Write(c.in);
    CTextScannerW s;
    ASSERT_TRUE(s.Init(static_cast<unsigned>(name.size()), name.c_str()));
    ASSERT_TRUE(s.SetSection(0, u"S"));
    char16_t value[4] = {};
    EXPECT_TRUE(s.GetKeyStr(0, u"k", 3, value));
    if (c.setUnicode) s.SetSaveUnicode(1);
    s.Modified = 1;
    EXPECT_TRUE(s.SaveModified());
    EXPECT_EQ(Read(), c.out);
    s.Done();
  }
}

}  // namespace
