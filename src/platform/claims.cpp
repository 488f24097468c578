#include "platform/claims.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/bus_layout.h"

namespace platform {

namespace {

constexpr size_t kMaxFileName = 200;  // below NAME_MAX with room to spare
constexpr size_t kKeptPrefix = 160;

class ClaimFile : public HandleObject {
 public:
  explicit ClaimFile(int fd) : fd_(fd) {}
  ~ClaimFile() override { close(fd_); }  // closing the description drops the lock

 private:
  int fd_;
};

bool KeepsItself(char c, bool first) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-' || (c == '.' && !first);
}

uint64_t Fnv1a(std::string_view text) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : text) hash = (hash ^ c) * 0x100000001b3ull;
  return hash;
}

}  // namespace

std::string ClaimFileName(std::string_view name) {
  std::string file;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (KeepsItself(c, i == 0)) {
      file += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
      file += escaped;
    }
  }
  if (file.empty()) file = "%";  // the empty name is a name too
  if (file.size() > kMaxFileName) {
    char hash[20];
    std::snprintf(hash, sizeof hash, "~%016llx", static_cast<unsigned long long>(Fnv1a(name)));
    file = file.substr(0, kKeptPrefix) + hash;
  }
  return file;
}

ClaimResult CreateClaim(std::string_view name, THandle* handle) {
  return CreateClaim(bus::ResolveRoot(), name, handle);
}

ClaimResult CreateClaim(const std::string& root, std::string_view name, THandle* handle) {
  *handle = kInvalidHandle;
  std::string dir = root + "/" + std::string(bus::kClaimsDir);
  if (!bus::EnsureDirectory(dir)) return ClaimResult::Failed;
  std::string path = dir + "/" + ClaimFileName(name);
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return ClaimResult::Failed;
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
