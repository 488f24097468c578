// Null buffers, invalid handles and stale listings: a defined result, no crash.
#include <gtest/gtest.h>

#include "tqusb/files/fio.h"
#include "tqusb/files/fior.h"
#include "tqusb/files/long_paths.h"

namespace {

TEST(FilesBadInput, NullsAndInvalidHandles) {
  void* const bad = FIO::InvalidHandle();
  unsigned char ok = 1;
  for (void* handle : {bad, static_cast<void*>(nullptr)}) {
    EXPECT_EQ(FIO::RdCharA(handle, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(FIO::RdStrW(handle, 10, nullptr), 0);
    EXPECT_EQ(FIO::RdItemA(handle, 10, nullptr), 0);
    EXPECT_EQ(FIO::RdCard8W(handle, nullptr), 0u);
    EXPECT_EQ(FIO::WrStrAdjA(handle, 5, nullptr, -300), 0);
    EXPECT_EQ(FIO::WrLngRealW(handle, 1.0, 3, 4), 0);
    EXPECT_EQ(FIO::RdBin(handle, 0, nullptr, 5), 0u);
    EXPECT_EQ(FIO::GetPos(handle), ~0u);
    EXPECT_EQ(FIO::EndOfFile(handle), 0);
    EXPECT_EQ(FIO::IsUnicodeFile(handle), 0);
    EXPECT_EQ(
        FIO::GetFileTime2(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
        0);
    EXPECT_EQ(FIO::IOresult(), FIO::ErrInvalidHandle);
  }
  EXPECT_EQ(FIO::OpenW(5, nullptr, 0), bad);
  EXPECT_EQ(FIO::ExistsA(5, nullptr), 0);
  EXPECT_EQ(FIO::GetDirA(0, 5, nullptr), 0);
  EXPECT_EQ(FIO::ReadFirstEntryA(1, "*", 0xFF, nullptr), 0);
  EXPECT_EQ(FIO::ReadNextEntryA(nullptr), 0);
  FIO::CloseEntryA(nullptr);

  FIOR::SplitAllPathA(5, nullptr, 3, nullptr, 3, nullptr, 3, nullptr, 3, nullptr);
  FIOR::ChangeExtensionA(5, nullptr, 3, "ini");
  FIOR::WildcardTailA(5, nullptr);
  EXPECT_EQ(FIOR::FindPathA(5, nullptr, 5, nullptr), 0);
  EXPECT_EQ(FIOR::OpenReadA(5, nullptr, 0), bad);
  EXPECT_EQ(vcom::ParseLongPathNameA(5, nullptr, 5, nullptr, 0), 0);
  EXPECT_EQ(vcom::SliceLongPathsA(5, nullptr, 5, nullptr, 5, nullptr), 1);
}

}  // namespace
