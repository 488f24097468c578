// Finding files through a redirection table over a temporary tree.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "files/temp_dir.h"
#include "tqusb/files/fio.h"
#include "tqusb/files/fior.h"

namespace {

constexpr unsigned int kHigh = FIOR::PathHigh;
constexpr char kTable[] =
    "\xEF\xBB\xBF*.ini = cfg ; ..\\shared\r\n"
    "\r\n"
    "cam?.dat=data;;/nowhere\n"
    "*.txt =\n"
    "orphan\n";

std::string Utf16(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) bytes += std::string{c, '\0'};
  return bytes;
}

class Redirection : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* file : {"red/cfg/a.ini", "shared/a.ini", "shared/b.ini", "red/data/cam1.dat",
                             "red/cam2.dat", "here/local.ini"})
      tree_.Write(file, "x");
  }
  void TearDown() override { FIOR::Done(); }

  std::string Find(const std::string& name) {
    char result[kHigh + 1] = "unchanged";
    return FIOR::FindPathA(kHigh, name.c_str(), kHigh, result) ? result : "-";
  }
  std::string FindNew(const std::string& name) {
    char result[kHigh + 1];
    EXPECT_EQ(FIOR::FindNewPathA(kHigh, name.c_str(), kHigh, result), 1);
    return result;
  }

  TempDir tree_;
};

TEST_F(Redirection, SearchesPatternsInFileOrder) {
  for (const std::string& encoding : {std::string(kTable), Utf16(kTable + 3)}) {
    tree_.Write("red/redirect.txt", encoding);
    const std::string file = tree_ / "red/redirect.txt";
    FIOR::InitA(kHigh, file.c_str());
    EXPECT_EQ(Find("a.ini"), tree_ / "red/cfg/a.ini");  // first directory first
    EXPECT_EQ(Find("b.ini"), tree_ / "shared/b.ini");   // relative to the file's directory
    EXPECT_EQ(Find("cam1.dat"), tree_ / "red/data/cam1.dat");
    EXPECT_EQ(Find("cam2.dat"), "-");  // not in the pattern's directories
    EXPECT_EQ(Find("c.ini"), "-");
    EXPECT_EQ(Find(tree_ / "red/cam2.dat"), tree_ / "red/cam2.dat");  // absolute, as given
    EXPECT_EQ(Find(tree_ / "red/missing.dat"), "-");

    EXPECT_EQ(FindNew("new.ini"), tree_ / "red/cfg/new.ini");
    EXPECT_EQ(FindNew("new.txt"), tree_ / "red/new.txt");  // a rule without directories
    EXPECT_EQ(FindNew("/q/../r.ini"), "/r.ini");
  }
  FIOR::Done();
  EXPECT_EQ(Find("a.ini"), "-");
}

TEST_F(Redirection, CurrentDirectoryFirstThenFallback) {
  tree_.Write("red/redirect.txt", kTable);
  const std::string file = tree_ / "red/redirect.txt";
  FIOR::InitA(kHigh, file.c_str());
  char saved[4096];
  ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
  ASSERT_EQ(chdir((tree_ / "here").c_str()), 0);
  const std::string local = Find("local.ini");
  const std::string relative = Find("../shared/a.ini");
  ASSERT_EQ(chdir(saved), 0);
  EXPECT_EQ(local, tree_ / "here/local.ini");
  EXPECT_EQ(relative, tree_ / "shared/a.ini");

  // A table that cannot be read is empty; the fallback directory still counts.
  FIOR::CRed1A red;
  red.Init(kHigh, (tree_ / "red/none.txt").c_str());
  EXPECT_EQ(red.Table, nullptr);
  EXPECT_STREQ(red.BaseDir, (tree_ / "red").c_str());
  char result[kHigh + 1];
  EXPECT_EQ(red.FindPath(5, "b.ini", kHigh, result), 0);
  std::snprintf(red.FallbackDir, sizeof red.FallbackDir, "%s", (tree_ / "shared").c_str());
  EXPECT_EQ(red.FindPath(5, "b.ini", kHigh, result), 1);
  EXPECT_EQ(std::string(result), tree_ / "shared/b.ini");
  red.Done();
  EXPECT_EQ(red.FallbackDir[0], '\0');
}

// Open, OpenRead and Delete go through the replaceable search.
TEST_F(Redirection, OperationsUseTheVirtualSearch) {
  struct Fixed : FIOR::CRed2A {
    std::string target;
    unsigned char FindPath2(unsigned int, const char*, unsigned int high, char* result) override {
      std::snprintf(result, high + 1, "%s", target.c_str());
      return 1;
    }
  } red;
  red.target = tree_ / "shared/b.ini";
  void* file = red.OpenRead(3, "any", 0);
  ASSERT_NE(file, FIO::InvalidHandle());
  EXPECT_EQ(FIO::RdCharA(file, nullptr), 'x');
  FIO::Close(file);
  EXPECT_EQ(red.Delete(3, "any"), 1);
  EXPECT_FALSE(FIO::ExistsA(kHigh, red.target.c_str()));
}

}  // namespace
