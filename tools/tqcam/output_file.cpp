#include "output_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "failure.h"
#include "interrupt.h"

namespace tqcam {

namespace {

constexpr const char* kTempMarker = ".tqcam-";
// What the temporary name adds to the target's: ".", the marker, a process
// id of up to 10 digits, "-" and the 6 characters of mkstemp.
constexpr size_t kTempNameExtra = 1 + 7 + 10 + 1 + 6;

std::string DirectoryOf(const std::string& path) {
  const std::string dir = std::filesystem::path(path).parent_path().string();
  return dir.empty() ? "." : dir;
}

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

// The process id in a temporary name ".NAME.tqcam-PID-XXXXXX", or 0.
pid_t LeftoverOwner(const std::string& name) {
  const size_t at = name.rfind(kTempMarker);
  if (name.empty() || name[0] != '.' || at == std::string::npos) return 0;
  const std::string rest = name.substr(at + std::strlen(kTempMarker));
  const size_t dash = rest.find('-');
  if (dash == 0 || dash == std::string::npos || rest.size() - dash - 1 != 6) return 0;
  pid_t pid = 0;
  for (size_t i = 0; i < dash; ++i) {
    if (rest[i] < '0' || rest[i] > '9' || pid > 100000000) return 0;
    pid = pid * 10 + (rest[i] - '0');
  }
  return pid;
}

// Removes the temporary files of runs that ended without cleaning up: the
// owner process is gone, the entry is a regular file of this user.
void RemoveLeftovers(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return;
  while (const dirent* entry = readdir(d)) {
    const std::string name = entry->d_name;
    const pid_t owner = LeftoverOwner(name);
    if (owner <= 0 || owner == getpid() || kill(owner, 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    if (fstatat(dirfd(d), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        st.st_uid == getuid())
      unlinkat(dirfd(d), name.c_str(), 0);
  }
  closedir(d);
}

// Moves the finished file onto the target; without `overwrite` an existing
// target stays (the check before the exposure may have raced with another
// writer).
int MoveOnto(const std::string& from, const std::string& to, bool overwrite) {
  if (overwrite) return std::rename(from.c_str(), to.c_str());
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // A file system without the no-replace rename: a hard link fails on an
  // existing name as well.
  if (link(from.c_str(), to.c_str()) != 0) return -1;
  unlink(from.c_str());
  return 0;
}

}  // namespace

void CheckOutputPath(const std::string& path, bool overwrite) {
  const std::string name = FileNameOf(path);
  if (name.empty() || name == "." || name == "..")
    throw Failure("output '" + path + "': no file name", kUsageStatus);
  if (name.size() + kTempNameExtra > NAME_MAX)
    throw Failure("output '" + path + "': the file name is longer than " +
                      std::to_string(NAME_MAX - kTempNameExtra) + " bytes",
                  kUsageStatus);
  const std::string dir = DirectoryOf(path);
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0)
    throw Failure("output '" + path + "': folder " + dir + ": " + std::strerror(errno),
                  kUsageStatus);
  if (!S_ISDIR(st.st_mode))
    throw Failure("output '" + path + "': " + dir + " is not a folder", kUsageStatus);
  if (access(dir.c_str(), W_OK | X_OK) != 0)
    throw Failure("output '" + path + "': cannot write in " + dir + ": " + std::strerror(errno),
                  kUsageStatus);
  if (lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) throw Failure("output '" + path + "': is a folder", kUsageStatus);
    if (!overwrite)
      throw Failure("output '" + path + "': the file exists (--overwrite replaces it)",
                    kUsageStatus);
  }
  RemoveLeftovers(dir);
}

OutputFile::OutputFile(std::string target, bool overwrite)
    : target_(std::move(target)), overwrite_(overwrite) {
  temp_ = (std::filesystem::path(DirectoryOf(target_)) /
           ("." + FileNameOf(target_) + kTempMarker + std::to_string(getpid()) + "-XXXXXX"))
              .string();
  // mkostemp creates with O_CREAT | O_EXCL: an existing name, a symbolic
  // link included, is never opened.
  fd_ = mkostemp(temp_.data(), O_CLOEXEC);
  if (fd_ < 0) throw Failure(target_ + ": cannot create a file: " + std::strerror(errno));
  interrupt::SetPartialFile(temp_.c_str());
  // mkstemp makes the file private; give it the mode a plain create would.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd_, 0666 & ~mask);
}

OutputFile::~OutputFile() {
  if (committed_) return;
  interrupt::SetPartialFile(nullptr);
  if (fd_ >= 0) close(fd_);
  unlink(temp_.c_str());
}

void OutputFile::Fail(const std::string& what, int error) {
  throw Failure(target_ + ": " + what + ": " + std::strerror(error));
}

void OutputFile::Write(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = write(fd_, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("cannot write", errno);
    if (n == 0) Fail("cannot write", ENOSPC);
    bytes += n;
    size -= static_cast<size_t>(n);
    written_ += static_cast<size_t>(n);
  }
}

void OutputFile::Commit() {
  if (fsync(fd_) != 0) Fail("cannot write", errno);
  struct stat st {};
  if (fstat(fd_, &st) != 0) Fail("cannot check the file", errno);
  if (static_cast<size_t>(st.st_size) != written_)
    throw Failure(target_ + ": the file has " + std::to_string(st.st_size) + " bytes, not " +
                  std::to_string(written_));
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) Fail("cannot write", errno);
  if (MoveOnto(temp_, target_, overwrite_) != 0) {
    if (errno == EEXIST)
      throw Failure(target_ + ": the file exists (--overwrite replaces it)", kUsageStatus);
    Fail("cannot rename the finished file", errno);
  }
  committed_ = true;
  interrupt::SetPartialFile(nullptr);
}

}  // namespace tqcam
