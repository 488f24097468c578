// Named claims across handles (across processes: the end-to-end tests), and
// a claims directory that someone else prepared.
#include "platform/claims.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "common/temp_bus_root.h"

namespace {

using platform::ClaimResult;
using platform::CreateClaim;
using platform::kInvalidHandle;
using platform::THandle;

const std::string kName =
    "Global\\TQ-____usb#vid_0000&pid_0c26#sim1#{ad8d593c-2b2d-4292-8a80-cd4da13fb16a}";

TEST(Claims, SecondClaimFailsUntilReleasedAndTheLockFileIsTheName) {
  TempBusRoot root;
  THandle first, second;
  ASSERT_EQ(CreateClaim(kName, &first), ClaimResult::Created);
  ASSERT_NE(first, kInvalidHandle);
  // Other programs that follow the bus contract meet the same file.
  EXPECT_TRUE(std::filesystem::is_regular_file(root.Path() + "/.claims/" + kName));
  EXPECT_EQ(CreateClaim(kName, &second), ClaimResult::AlreadyExists);
  EXPECT_EQ(second, kInvalidHandle);
  THandle other;
  ASSERT_EQ(CreateClaim(kName + "x", &other), ClaimResult::Created);
  EXPECT_TRUE(platform::CloseHandle(first));
  EXPECT_EQ(CreateClaim(kName, &second), ClaimResult::Created);
  platform::CloseHandle(second);
  platform::CloseHandle(other);
  for (const char* bad : {"", ".", "..", "a/b"}) EXPECT_EQ(CreateClaim(bad, &second), ClaimResult::Failed) << bad;
  EXPECT_EQ(CreateClaim("/proc/version/x", kName, &second), ClaimResult::Failed);
  EXPECT_EQ(second, kInvalidHandle);
}

// What another user may have planted: links are never followed, a FIFO never
// blocks, a claims directory that is not private is not used.
TEST(Claims, PlantedLinksFifosAndForeignDirectoriesAreRefused) {
  namespace fs = std::filesystem;
  struct Case {
    const char* name;
    std::function<void(const std::string& claims, const std::string& outside)> plant;
  } cases[] = {
      {"file link", [](auto& claims, auto& outside) {
         fs::create_directory(claims);
         fs::create_symlink(outside + "/target", claims + "/" + kName);
       }},
      {"directory link", [](auto& claims, auto& outside) {
         fs::create_directory_symlink(outside, claims);
       }},
      {"fifo", [](auto& claims, auto&) {
         fs::create_directory(claims);
         ASSERT_EQ(mkfifo((claims + "/" + kName).c_str(), 0600), 0);
       }},
      {"writable directory", [](auto& claims, auto&) {
         fs::create_directory(claims);
         ASSERT_EQ(chmod(claims.c_str(), 0777), 0);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempBusRoot root;
    std::string outside = root.Path() + "/outside";
    fs::create_directory(outside);
    c.plant(root.Path() + "/.claims", outside);
    THandle h;
    EXPECT_EQ(CreateClaim(kName, &h), ClaimResult::Failed);
    EXPECT_TRUE(fs::is_empty(outside));
  }
}

}  // namespace
