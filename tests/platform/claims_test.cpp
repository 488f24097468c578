// Named claims across handles and processes, and a claims directory that
// someone else prepared.
#include "platform/claims.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(Claims, ClaimOfAnotherProcessHoldsUntilItIsKilled) {
  TempBusRoot root;
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t pid = fork();
  if (pid == 0) {
    THandle h;
    char ok = CreateClaim(kName, &h) == ClaimResult::Created ? 1 : 0;
    if (write(ready[1], &ok, 1) != 1) _exit(2);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  close(ready[0]);
  ASSERT_EQ(ok, 1);
  THandle h;
  EXPECT_EQ(CreateClaim(kName, &h), ClaimResult::AlreadyExists);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  ASSERT_EQ(CreateClaim(kName, &h), ClaimResult::Created);
  platform::CloseHandle(h);
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
