#include "platform/registry_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "platform/registry.h"
#include "platform/settings_file.h"

namespace platform::registry {

namespace {

// What identifies one version of the file: a replacement is a new inode.
struct FileStamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  timespec mtime{};
  timespec ctime{};

  bool operator==(const FileStamp& o) const {
    return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
           mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

FileStamp StampOf(const struct stat& st) {
  return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

// A parsed copy is reused only when it was made well after the file's last
// change: file times are kept in coarse ticks and a replaced file may get the
// old inode number back, so a file changed in the tick of its parse could look
// unchanged later.
constexpr long long kSettledNs = 100'000'000;

long long Nanoseconds(const timespec& t) {
  return t.tv_sec * 1'000'000'000ll + t.tv_nsec;
}

struct Cache {
  std::mutex mutex;
  std::string file;
  FileStamp stamp;
  std::shared_ptr<const Store> store;  // null when the last parse may not be reused
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Parses the text of the file (empty for a missing one).
std::shared_ptr<Store> ParseText(const std::string& text, long* error) {
  auto store = std::make_shared<Store>();
  if (!ParseStore(text, store.get(), nullptr)) {
    *error = kBadDb;
    return nullptr;
  }
  return store;
}

std::string DirectoryOf(const std::string& file) {
  size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

// Creates the directory and the ones above it (user-only, as config folders are).
bool EnsureDirectory(const std::string& dir) {
  struct stat st;
  if (stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  std::string parent = DirectoryOf(dir);
  if (parent != dir && !parent.empty() && !EnsureDirectory(parent)) return false;
  return mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

class FileLock {
 public:
  explicit FileLock(const std::string& path)
      : fd_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)) {
    if (fd_ < 0) return;
    int rc;
    do {
      rc = flock(fd_, LOCK_EX);
    } while (rc < 0 && errno == EINTR);
    if (rc < 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  ~FileLock() {
    if (fd_ >= 0) close(fd_);  // closing drops the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return fd_ >= 0; }

 private:
  int fd_;
};

long WriteReplacing(const std::string& file, const std::string& text, mode_t mode) {
  std::string temp = file + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return kCantWrite;
  bool ok = WriteAll(fd, text) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  if (ok && rename(temp.c_str(), file.c_str()) == 0) return kSuccess;
  unlink(temp.c_str());
  return kCantWrite;
}

// A registry file that is a symbolic link (into a synchronised folder, say)
// stays one: the new version replaces the file the link points at.
std::string ReplacedPath(const std::string& file) {
  char* real = realpath(file.c_str(), nullptr);
  if (real == nullptr) return file;
  std::string path(real);
  free(real);
  return path;
}

}  // namespace

std::shared_ptr<const Store> LoadStore(const std::string& file, long* error) {
  int fd = -1;
  // A file that is not a regular file, or too large, is no registry: the
  // registry is empty (a debug line says why).
  if (OpenSettingsFile(file, kRegistryFileLimit, &fd) != SettingsOpen::kOpened)
    return std::make_shared<Store>();
  struct stat st;
  if (fstat(fd, &st) != 0) {
    close(fd);
    *error = kAccessDenied;
    return nullptr;
  }
  Cache& cache = TheCache();
  FileStamp stamp = StampOf(st);
  {
    std::lock_guard lock(cache.mutex);
    if (cache.store != nullptr && cache.file == file && cache.stamp == stamp) {
      close(fd);
      return cache.store;
    }
  }
  std::string text;
  bool read = ReadSettingsFile(fd, file, kRegistryFileLimit, &text);
  close(fd);
  if (!read) return std::make_shared<Store>();
  std::shared_ptr<const Store> store = ParseText(text, error);
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  bool settled =
      Nanoseconds(now) - std::max(Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim)) > kSettledNs;
  if (store != nullptr) {
    std::lock_guard lock(cache.mutex);
    cache.file = file;
    cache.stamp = stamp;
    cache.store = settled ? store : nullptr;
  }
  return store;
}

bool IsReadOnly(const std::string& file) {
  struct stat st;
  if (stat(file.c_str(), &st) != 0) return false;
  return (st.st_mode & 0222) == 0 || access(file.c_str(), W_OK) != 0;
}

long UpdateStore(const std::string& file, const std::function<long(Store&, bool*)>& change) {
  if (!EnsureDirectory(DirectoryOf(file))) return kCantWrite;
  if (IsReadOnly(file)) return kAccessDenied;
  FileLock lock(file + ".lock");
  if (!lock.held()) return kCantWrite;

  // What could not be read is never replaced: a file that is no regular file
  // or is too large refuses every change.
  mode_t mode = 0600;
  std::string text;
  int fd = -1;
  switch (OpenSettingsFile(file, kRegistryFileLimit, &fd)) {
    case SettingsOpen::kMissing:
      break;
    case SettingsOpen::kRefused:
      return kCantWrite;
    case SettingsOpen::kOpened: {
      struct stat st;
      if (fstat(fd, &st) == 0) mode = st.st_mode & 07777;
      bool read = ReadSettingsFile(fd, file, kRegistryFileLimit, &text);
      close(fd);
      if (!read) return kCantWrite;
    }
  }
  long error = kSuccess;
  std::shared_ptr<Store> store = ParseText(text, &error);
  if (store == nullptr) return error;

  bool changed = false;
  long result = change(*store, &changed);
  if (result != kSuccess || !changed) return result;
  return WriteReplacing(ReplacedPath(file), FormatStore(*store), mode);
}

}  // namespace platform::registry
