// Named claims across handles, threads and processes.
#include "platform/claims.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>

#include "common/temp_bus_root.h"

namespace {

using platform::ClaimResult;
using platform::CreateClaim;
using platform::kInvalidHandle;
using platform::THandle;

const std::string kName =
    "Global\\TQ-____usb#vid_0000&pid_0c26#sim1#{ad8d593c-2b2d-4292-8a80-cd4da13fb16a}";

TEST(ClaimFileName, SafeAndDistinct) {
  struct Case {
    std::string name;
    std::string file;
  } cases[] = {
      {"Global\\TQ-a", "Global%5CTQ-a"},
      {"a/b", "a%2Fb"},
      {"..", "%2E."},
      {".x", "%2Ex"},
      {"", "%"},
      {"100%", "100%25"},
      {"{x}#&", "%7Bx%7D%23%26"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::ClaimFileName(c.name), c.file) << c.name;
  std::string longA(300, '\\'), longB = longA;
  longB.back() = '?';
  std::string a = platform::ClaimFileName(longA), b = platform::ClaimFileName(longB);
  EXPECT_LE(a.size(), 200u);
  EXPECT_NE(a, b);
  EXPECT_EQ(a, platform::ClaimFileName(longA));
  EXPECT_EQ(a.find('/'), std::string::npos);
}

TEST(Claims, SecondClaimInTheSameProcessFailsUntilReleased) {
  TempBusRoot root;
  THandle first, second;
  ASSERT_EQ(CreateClaim(kName, &first), ClaimResult::Created);
  ASSERT_NE(first, kInvalidHandle);
  EXPECT_EQ(CreateClaim(kName, &second), ClaimResult::AlreadyExists);
  EXPECT_EQ(second, kInvalidHandle);
  THandle other;
  ASSERT_EQ(CreateClaim(kName + "x", &other), ClaimResult::Created);
  EXPECT_TRUE(platform::CloseHandle(first));
  EXPECT_EQ(CreateClaim(kName, &second), ClaimResult::Created);
  platform::CloseHandle(second);
  platform::CloseHandle(other);
}

// Runs `body` in a child process and returns its exit status.
template <typename Body>
int InChild(Body body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = -1;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Claims, HeldClaimIsRefusedInAChildProcess) {
  TempBusRoot root;
  THandle held;
  ASSERT_EQ(CreateClaim(kName, &held), ClaimResult::Created);
  auto tryClaim = [] {
    THandle h;
    return static_cast<int>(CreateClaim(kName, &h));
  };
  EXPECT_EQ(InChild(tryClaim), static_cast<int>(ClaimResult::AlreadyExists));
  platform::CloseHandle(held);
  EXPECT_EQ(InChild(tryClaim), static_cast<int>(ClaimResult::Created));
}

TEST(Claims, ClaimOfAKilledProcessReturns) {
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

TEST(Claims, UnusableRootFails) {
  THandle h;
  EXPECT_EQ(CreateClaim("/proc/version/x", kName, &h), ClaimResult::Failed);
  EXPECT_EQ(h, kInvalidHandle);
}

}  // namespace
