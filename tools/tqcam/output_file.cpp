#include "output_file.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "failure.h"
#include "interrupt.h"

namespace tqcam {

namespace {

std::string DirectoryOf(const std::string& path) {
  const std::string dir = std::filesystem::path(path).parent_path().string();
  return dir.empty() ? "." : dir;
}

}  // namespace

void CheckWritable(const std::string& path) {
  if (std::filesystem::is_directory(path)) throw Failure(path + ": is a directory");
  const std::string dir = DirectoryOf(path);
  if (access(dir.c_str(), W_OK | X_OK) != 0)
    throw Failure(path + ": cannot write in " + dir + ": " + std::strerror(errno));
}

OutputFile::OutputFile(std::string target) : target_(std::move(target)) {
  const std::filesystem::path t(target_);
  std::string pattern =
      (std::filesystem::path(DirectoryOf(target_)) / ("." + t.filename().string() + ".part-XXXXXX"))
          .string();
  const int fd = mkstemp(pattern.data());
  if (fd < 0) throw Failure(target_ + ": cannot create a file: " + std::strerror(errno));
  // mkstemp makes the file private; give it the mode a plain create would.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  close(fd);
  temp_ = pattern;
  interrupt::SetPartialFile(temp_.c_str());
}

OutputFile::~OutputFile() {
  if (!committed_) {
    interrupt::SetPartialFile(nullptr);
    unlink(temp_.c_str());
  }
}

void OutputFile::Commit() {
  if (std::rename(temp_.c_str(), target_.c_str()) != 0)
    throw Failure(target_ + ": cannot rename the finished file: " + std::strerror(errno));
  committed_ = true;
  interrupt::SetPartialFile(nullptr);
}

}  // namespace tqcam
