#include "platform/claims.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/vbus_layout.h"

namespace platform {

namespace {

class ClaimFile : public HandleObject {
 public:
  explicit ClaimFile(int fd) : fd_(fd) {}
  ~ClaimFile() override { close(fd_); }  // closing the description drops the lock

 private:
  int fd_;
};

bool IsFileName(std::string_view name) {
  return !name.empty() && name.size() <= NAME_MAX && name != "." && name != ".." &&
         name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

// The .claims directory, created when missing; -1 unless it is a private
// directory (a planted link or a foreign directory is refused).
int OpenClaimsDirectory(const std::string& root) {
  std::string dir = root + "/" + std::string(vbus::kClaimsDir);
  if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return -1;
  int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  std::string why;
  if (fd >= 0 && !vbus::IsPrivateDirectory(fd, &why)) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

ClaimResult CreateClaim(std::string_view name, THandle* handle) {
  std::string root = vbus::TrustedRoot();
  if (root.empty()) {
    *handle = kInvalidHandle;
    return ClaimResult::Failed;
  }
  return CreateClaim(root, name, handle);
}

ClaimResult CreateClaim(const std::string& root, std::string_view name, THandle* handle) {
  *handle = kInvalidHandle;
  if (!IsFileName(name)) return ClaimResult::Failed;
  int dir = OpenClaimsDirectory(root);
  if (dir < 0) return ClaimResult::Failed;
  // O_NONBLOCK: a planted FIFO must not block the open.
  int fd = openat(dir, std::string(name).c_str(),
                  O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
  close(dir);
  if (fd < 0) return ClaimResult::Failed;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return ClaimResult::Failed;
  }
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc < 0 && errno == EINTR);
  if (rc < 0) {
    bool held = errno == EWOULDBLOCK;
    close(fd);
    return held ? ClaimResult::AlreadyExists : ClaimResult::Failed;
  }
  *handle = RegisterHandle(std::make_shared<ClaimFile>(fd));
  return ClaimResult::Created;
}

}  // namespace platform
