#include "platform/file_replace.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace platform {

std::string TemporarySibling(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  char name[32];
  std::snprintf(name, sizeof name, ".~%x.%x", static_cast<unsigned>(getpid()),
                counter.fetch_add(1) & 0xFFFFu);
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(name) : path.substr(0, slash + 1) + name;
}

bool RenameKeepsIdentity(const std::string& path, std::string* target) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) {
    *target = path;
    return errno == ENOENT;
  }
  *target = path;
  if (S_ISLNK(st.st_mode)) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return false;  // a dangling link: writing through it creates the file
    *target = real;
    std::free(real);
    if (stat(target->c_str(), &st) != 0) return false;
  }
  size_t slash = target->rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target->substr(0, slash);
  return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid() &&
         access(dir.c_str(), W_OK) == 0;
}

bool TakeIdentity(int fd, const std::string& target) {
  struct stat old, made;
  if (stat(target.c_str(), &old) != 0) return errno == ENOENT;
  if (fchmod(fd, old.st_mode & 07777) != 0) return false;
  if (fstat(fd, &made) != 0) return false;
  if (made.st_gid != old.st_gid &&
      (fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0 || fstat(fd, &made) != 0))
    return false;
  return made.st_uid == old.st_uid && made.st_gid == old.st_gid &&
         (made.st_mode & 07777) == (old.st_mode & 07777);
}

bool ReplaceFile(const std::string& from, const std::string& to) {
  if (rename(from.c_str(), to.c_str()) == 0) return true;
  unlink(from.c_str());
  return false;
}

}  // namespace platform
