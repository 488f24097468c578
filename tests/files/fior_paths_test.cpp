// Path splitting, joining, expansion and extensions, with Windows and POSIX
// paths.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "tqusb/files/fior.h"
#include "tqusb/files/long_paths.h"

namespace {

constexpr unsigned int kHigh = FIOR::PathHigh;

std::string Cwd() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

TEST(FiorPaths, SplitPath) {
  struct Case {
    const char *path, *dir, *name;
  } cases[] = {
      {"C:\\dir\\file.ini", "C:\\dir", "file.ini"},
      {"C:\\file", "C:\\", "file"},
      {"C:file", "C:", "file"},
      {"file", "", "file"},
      {"\\\\srv\\share", "\\\\srv\\share", ""},
      {"\\\\srv\\share\\f", "\\\\srv\\share\\", "f"},
      {"\\\\srv\\share\\d\\f", "\\\\srv\\share\\d", "f"},
      {"/etc/xdg/tq.ini", "/etc/xdg", "tq.ini"},
      {"/tq.ini", "/", "tq.ini"},
      {"a/b", "a", "b"},
      {"", "", ""},
      {"\\file", "\\file", ""},  // a separator before index 2 leaves no name
      {"a\\b", "a\\b", ""},
      {"\\", "\\", ""},
      {"ab\\c", "ab\\", "c"},
      {"C:/f", "C:/", "f"},
  };
  for (const Case& c : cases) {
    char dir[kHigh + 1], name[kHigh + 1];
    FIOR::SplitPathA(kHigh, c.path, kHigh, dir, kHigh, name);
    EXPECT_STREQ(dir, c.dir) << c.path;
    EXPECT_STREQ(name, c.name) << c.path;
    const std::string path = c.path;
    const std::u16string wide(path.begin(), path.end());
    char16_t wdir[kHigh + 1], wname[kHigh + 1];
    FIOR::SplitPathW(kHigh, wide.c_str(), kHigh, wdir, kHigh, wname);
    EXPECT_EQ(std::string(wdir, wdir + std::u16string(wdir).size()), c.dir) << c.path;
    EXPECT_EQ(std::string(wname, wname + std::u16string(wname).size()), c.name) << c.path;
  }
  char16_t dir[8], name[7];  // W form; the name fills its buffer without terminator
  FIOR::SplitPathW(30, u"C:\\\u00e9t\u00e9\\f\u00fcr.ini", 7, dir, 6, name);
  EXPECT_EQ(std::u16string(dir), u"C:\\\u00e9t\u00e9");
  EXPECT_EQ(std::u16string(name, 7), u"f\u00fcr.ini");
}

TEST(FiorPaths, SplitAndMakeAllPath) {
  struct Case {
    const char *path, *drive, *dir, *name, *ext;
  } cases[] = {
      {"C:\\dir\\sub\\file.tar.gz", "C:", "\\dir\\sub\\", "file.tar", ".gz"},
      {"C:\\dir.x\\file", "C:", "\\dir.x\\", "file", ""},
      {"/home/me/cam.ini", "", "/home/me/", "cam", ".ini"},
      {"rel/a\\b.txt", "", "rel/a\\", "b", ".txt"},
      {"..", "", "", "..", ""},
      {"dir\\..", "", "dir\\", "..", ""},
      {"/home/.profile", "", "/home/", ".profile", ""},
  };
  for (const Case& c : cases) {
    char drive[kHigh + 1], dir[kHigh + 1], name[kHigh + 1], ext[kHigh + 1], made[kHigh + 1];
    FIOR::SplitAllPathA(kHigh, c.path, kHigh, drive, kHigh, dir, kHigh, name, kHigh, ext);
    EXPECT_STREQ(drive, c.drive) << c.path;
    EXPECT_STREQ(dir, c.dir) << c.path;
    EXPECT_STREQ(name, c.name) << c.path;
    EXPECT_STREQ(ext, c.ext) << c.path;
    FIOR::MakeAllPathA(kHigh, made, kHigh, drive, kHigh, dir, kHigh, name, kHigh, ext);
    EXPECT_STREQ(made, c.path);
  }
  struct Make {
    const char *drive, *dir, *name, *ext, *result;
  } makes[] = {
      {"C:", "\\dir", "f", "ini", "C:\\dir\\f.ini"},
      {"", "/usr/share", "f", ".ini", "/usr/share/f.ini"},
      {"", "", "f", "", "f"},
      {"", "dir", "f", "x", "dir/f.x"},
  };
  for (const Make& m : makes) {
    char made[kHigh + 1];
    FIOR::MakeAllPathA(kHigh, made, kHigh, m.drive, kHigh, m.dir, kHigh, m.name, kHigh, m.ext);
    EXPECT_STREQ(made, m.result);
  }
}

TEST(FiorPaths, ExpandMakeAndJoin) {
  const std::string cwd = Cwd();
  struct Case {
    char op;  // E expand, M make (a + b), J join (a + b)
    const char *a, *b;
    std::string result;
  } cases[] = {
      {'E', "C:\\a\\.\\b\\..\\c", "", "C:\\a\\c"},
      {'E', "c:\\..\\..\\x", "", "C:\\x"},
      {'E', "  /a/./b/../c  ", "", "/a/c"},
      {'E', "/../x/", "", "/x/"},
      {'E', "\\\\srv\\share\\..\\y", "", "\\\\srv\\y"},
      {'E', "sub/./f.ini", "", cwd + "/sub/f.ini"},
      {'M', "C:\\dir", "..\\x.ini", "C:\\x.ini"},
      {'M', "C:\\dir", "D:\\y.ini", "D:\\y.ini"},
      {'M', "/etc/xdg/", "tq/../tq.ini", "/etc/xdg/tq.ini"},
      {'M', "/etc", "/var/x", "/var/x"},
      {'J', "C:\\dir\\sub", "..\\..\\x", "C:\\x"},
      {'J', "dir", "..\\..\\x", "x"},
      {'J', "/opt/a", "./b/../c", "/opt/a/c"},
      {'J', "/opt/a", "/abs/./p", "/abs/p"},
  };
  for (const Case& c : cases) {
    char result[kHigh + 1];
    if (c.op == 'E') FIOR::ExpandPathA(kHigh, c.a, kHigh, result);
    if (c.op == 'M') FIOR::MakePathA(kHigh, result, kHigh, c.a, kHigh, c.b);
    if (c.op == 'J') FIOR::JoinPathA(kHigh, result, kHigh, c.a, kHigh, c.b);
    EXPECT_EQ(std::string(result), c.result) << c.op << " " << c.a << " " << c.b;
  }
}

TEST(FiorPaths, Extensions) {
  struct Case {
    char op;  // C change, A add, R remove, G get, W wildcard tail
    const char *path, *ext, *result;
  } cases[] = {
      {'C', "C:\\dir\\camera.dll", "ini", "C:\\dir\\camera.ini"},
      {'C', "C:\\dir.x\\file", "ini", "C:\\dir.x\\file.ini"},
      {'C', "/opt/d.x/file", "ini", "/opt/d.x/file.ini"},
      {'C', "C:\\dir\\", "ini", "C:\\dir.ini"},
      {'C', "..", "ini", ".."},
      {'C', ".\\", "ini", ".\\"},
      {'C', "C:", "ini", "C:"},
      {'C', ".", "ini", "."},
      {'C', "/", "ini", "/"},
      {'C', "", "ini", ""},
      {'A', "f.txt", "ini", "f.txt"},
      {'A', "d.x/f", "ini", "d.x/f.ini"},
      {'R', "/a.b/c.tar.gz", "", "/a.b/c.tar"},
      {'R', "/a.b/c", "", "/a.b/c"},
      {'G', "C:\\a.b\\c.Ini", "", "Ini"},
      {'G', "C:\\a.b\\c", "", ""},
      {'W', "C:\\dir\\file.txt", "", "C:\\dir\\*.txt"},
      {'W', "/d.x/file", "", "/d.x/*"},
      {'W', "C:file.txt", "", "C:*.txt"},
  };
  for (const Case& c : cases) {
    char path[kHigh + 1], ext[kHigh + 1];
    std::snprintf(path, sizeof path, "%s", c.path);
    if (c.op == 'C') FIOR::ChangeExtensionA(kHigh, path, kHigh, c.ext);
    if (c.op == 'A') FIOR::AddExtensionA(kHigh, path, kHigh, c.ext);
    if (c.op == 'R') FIOR::RemoveExtensionA(kHigh, path);
    if (c.op == 'W') FIOR::WildcardTailA(kHigh, path);
    if (c.op == 'G') FIOR::GetExtensionA(kHigh, c.path, kHigh, ext);
    EXPECT_STREQ(c.op == 'G' ? ext : path, c.result) << c.op << " " << c.path;
  }
  EXPECT_TRUE(FIOR::IsExtensionA(kHigh, "C:\\x\\Camera.INI", kHigh, "ini"));
  EXPECT_FALSE(FIOR::IsExtensionA(kHigh, "/x/camera.ini.bak", kHigh, "ini"));
}

TEST(FiorPaths, CommandLinePathLists) {
  const char line[] = "first \"C:\\Program Files\\x.ini\"  last \"\"";
  struct Case {
    unsigned int index, outHigh;
    unsigned char result;
    const char* out;
  } cases[] = {
      {0, 40, 1, "first"}, {1, 40, 1, "C:\\Program Files\\x.ini"},
      {2, 40, 1, "last"},  {3, 40, 0, ""},
      {4, 40, 0, ""},      {1, 10, 1, ""},  // too long: empty, still found
  };
  for (const Case& c : cases) {
    char out[41];
    EXPECT_EQ(vcom::ParseLongPathNameA(sizeof line - 1, line, c.outHigh, out, c.index), c.result);
    EXPECT_STREQ(out, c.out) << c.index;
  }
  char out[41];
  EXPECT_EQ(vcom::ParseLongPathNameA(0, "", 40, out, 0), 0);
  EXPECT_EQ(vcom::SliceLongPathsA(40, out, 5, "a b", 5, "c"), 1);
  EXPECT_STREQ(out, "\"a b\" \"c\"");
  EXPECT_EQ(vcom::SliceLongPathsA(40, out, 5, "", 5, "c"), 1);
  EXPECT_STREQ(out, "\"c\"");
  EXPECT_EQ(vcom::SliceLongPathsA(5, out, 5, "a b", 5, "c"), 0);
}

}  // namespace
