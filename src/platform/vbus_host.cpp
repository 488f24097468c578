#include "platform/vbus_host.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "platform/socket_io.h"
#include "platform/vbus_pipe.h"

namespace platform::vbus {

namespace {

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// An opened device: only its directory is needed (for the descriptor).
class DeviceFile : public HandleObject {
 public:
  explicit DeviceFile(std::string directory) : directory_(std::move(directory)) {}
  const std::string& Directory() const { return directory_; }

 private:
  std::string directory_;
};

}  // namespace

DeviceInterfaceSet::DeviceInterfaceSet(const TGuid& classGuid, const std::string& root) {
  if (root.empty()) return;  // the bus root was refused
  std::string classDir = vbus::ClassDirectory(root, classGuid);
  DIR* dir = opendir(classDir.c_str());
  if (!dir) return;  // no class directory yet: an empty class
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (!vbus::IsValidDeviceName(name)) continue;
    if (entry->d_type != DT_DIR &&
        !(entry->d_type == DT_UNKNOWN && IsDirectory(classDir + "/" + name)))
      continue;
    paths_.push_back(vbus::MakeDevicePath(name, classGuid));
  }
  closedir(dir);
  std::sort(paths_.begin(), paths_.end());
}

DeviceInterfaceSet::Result DeviceInterfaceSet::Enum(unsigned index, std::string* devicePath) const {
  if (index >= paths_.size()) return Result::NoMoreItems;
  *devicePath = paths_[index];
  return Result::Found;
}

THandle CreateFile(const char* path) {
  vbus::TBusAddress address;
  if (!path || !vbus::ParseDevicePath(path, &address)) return kInvalidHandle;
  std::string root = vbus::TrustedRoot();
  if (root.empty()) return kInvalidHandle;
  if (address.pipe < 0) {
    std::string directory = vbus::DeviceDirectory(root, address);
    if (!IsDirectory(directory)) return kInvalidHandle;
    return RegisterHandle(std::make_shared<DeviceFile>(std::move(directory)));
  }
  int fd = sock::ConnectStream(vbus::PipeSocketPath(root, address));
  if (fd < 0) return kInvalidHandle;
  return RegisterHandle(PipeFile::Open(fd, static_cast<vbus::Pipe>(address.pipe),
                                       vbus::DeviceDirectory(root, address)));
}

bool WriteFile(THandle handle, const void* data, uint32_t size, uint32_t* written) {
  if (written) *written = 0;
  auto pipe = LookupHandleAs<PipeFile>(handle);
  if (!pipe || (!data && size > 0)) return false;
  if (!pipe->Write(data, size)) return false;
  if (written) *written = size;
  return true;
}

bool ReadFile(THandle handle, void* buffer, uint32_t size, uint32_t* read) {
  if (read) *read = 0;
  auto pipe = LookupHandleAs<PipeFile>(handle);
  if (!pipe || (!buffer && size > 0)) return false;
  uint32_t done = 0;
  if (!pipe->Read(buffer, size, &done)) return false;
  if (read) *read = done;
  return true;
}

bool DeviceIoControl(THandle handle, uint32_t code, const void*, uint32_t, void* out,
                     uint32_t outSize, uint32_t* returned) {
  if (returned) *returned = 0;
  auto device = LookupHandleAs<DeviceFile>(handle);
  if (!device || code != vbus::kDescriptorControlCode || !out || outSize < vbus::kDescriptorSize)
    return false;
  std::string path = device->Directory() + "/" + std::string(vbus::kDescriptorFile);
  // Only a regular file counts: a FIFO or device planted there must neither
  // block the open nor be read.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      st.st_size != static_cast<off_t>(vbus::kDescriptorSize)) {
    close(fd);
    return false;
  }
  // One byte more than a descriptor tells a longer file from a correct one.
  unsigned char data[vbus::kDescriptorSize + 1];
  size_t got = 0;
  while (got < sizeof data) {
    ssize_t n = read(fd, data + got, sizeof data - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  if (got != vbus::kDescriptorSize) return false;
  std::memcpy(out, data, vbus::kDescriptorSize);
  if (returned) *returned = vbus::kDescriptorSize;
  return true;
}

std::atomic<unsigned> g_replyTimeoutMs{kDefaultReplyTimeoutMs};

unsigned ReplyTimeoutMs() {
  return g_replyTimeoutMs;
}

void ExpectImage(THandle imagePipe, double exposureSeconds, uint64_t frameBytes) {
  if (auto pipe = LookupHandleAs<PipeFile>(imagePipe))
    pipe->SetImageDeadline(std::chrono::steady_clock::now() +
                           ImageWait(exposureSeconds, frameBytes, kVirtualBusBytesPerSecond));
}

std::atomic<unsigned> g_imageFloorMs{kDefaultImageFloorMs};

std::chrono::milliseconds ImageWait(double exposureSeconds, uint64_t frameBytes,
                                    uint64_t bytesPerSecond) {
  // Each part is limited to 30 days, longer than any exposure a camera
  // takes, so that the sum stays finite; NaN counts as no exposure.
  constexpr double kLimitMs = 30 * 86400000.0;
  const double exposureMs =
      exposureSeconds > 0 ? std::min(exposureSeconds * 1000.0, kLimitMs) : 0.0;
  const double speed = static_cast<double>(std::max<uint64_t>(bytesPerSecond, 1));
  const double readoutMs = std::min(static_cast<double>(frameBytes) * 1000.0 / speed, kLimitMs);
  const double allowanceMs = std::max(readoutMs, static_cast<double>(g_imageFloorMs.load()));
  return std::chrono::milliseconds(static_cast<int64_t>(std::ceil(exposureMs + allowanceMs)));
}

}  // namespace platform::vbus
