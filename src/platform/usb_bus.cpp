#include "platform/usb_bus.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>

#include "platform/socket_io.h"

namespace platform::usb {

namespace {

std::atomic<unsigned> g_replyTimeoutMs{kDefaultReplyTimeoutMs};

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

// An opened pipe: one connection with the read-side frame state.
class PipeFile : public HandleObject {
 public:
  PipeFile(int fd, bus::Pipe pipe) : fd_(fd), pipe_(pipe) {}
  ~PipeFile() override { sock::Close(fd_); }
  void Wake() override { sock::Shutdown(fd_); }

  bool Write(const void* data, uint32_t size) {
    if (pipe_ != bus::Pipe::Command) return false;
    std::lock_guard guard(writeLock_);
    return sock::SendFrame(fd_, data, size);
  }

  bool Read(void* buffer, uint32_t size, uint32_t* done) {
    if (pipe_ == bus::Pipe::Command) return false;
    std::lock_guard guard(readLock_);
    if (broken_) return false;
    int idle = pipe_ == bus::Pipe::Reply
                   ? static_cast<int>(std::min<unsigned>(g_replyTimeoutMs.load(), 0x7FFFFFFF))
                   : -1;
    if (!inFrame_) {
      unsigned char header[bus::kFrameHeaderSize];
      if (!Receive(header, sizeof header, idle)) return false;
      frameLeft_ = bus::DecodeFrameHeader(header);
      inFrame_ = true;
    }
    uint32_t k = std::min(size, frameLeft_);
    if (k > 0 && !Receive(buffer, k, idle)) return false;
    frameLeft_ -= k;
    if (frameLeft_ == 0) inFrame_ = false;
    *done = k;
    return true;
  }

 private:
  // A failed receive leaves the stream at an unknown place in a frame: the
  // connection is of no further use.
  bool Receive(void* buffer, size_t size, int idleTimeoutMs) {
    if (sock::RecvExact(fd_, buffer, size, idleTimeoutMs) == sock::RecvResult::Ok) return true;
    broken_ = true;
    return false;
  }

  int fd_;
  bus::Pipe pipe_;
  std::mutex readLock_;
  std::mutex writeLock_;
  bool inFrame_ = false;
  bool broken_ = false;
  uint32_t frameLeft_ = 0;
};

}  // namespace

DeviceInterfaceSet::DeviceInterfaceSet(const TGuid& classGuid, const std::string& root) {
  std::string classDir = bus::ClassDirectory(root, classGuid);
  DIR* dir = opendir(classDir.c_str());
  if (!dir) return;  // no class directory yet: an empty class
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (!bus::IsValidDeviceName(name)) continue;
    if (entry->d_type != DT_DIR &&
        !(entry->d_type == DT_UNKNOWN && IsDirectory(classDir + "/" + name)))
      continue;
    paths_.push_back(bus::MakeDevicePath(name, classGuid));
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
  bus::TBusAddress address;
  if (!path || !bus::ParseDevicePath(path, &address)) return kInvalidHandle;
  std::string root = bus::ResolveRoot();
  if (address.pipe < 0) {
    std::string directory = bus::DeviceDirectory(root, address);
    if (!IsDirectory(directory)) return kInvalidHandle;
    return RegisterHandle(std::make_shared<DeviceFile>(std::move(directory)));
  }
  int fd = sock::ConnectStream(bus::PipeSocketPath(root, address));
  if (fd < 0) return kInvalidHandle;
  return RegisterHandle(std::make_shared<PipeFile>(fd, static_cast<bus::Pipe>(address.pipe)));
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
  if (!device || code != bus::kDescriptorControlCode || !out || outSize < bus::kDescriptorSize)
    return false;
  std::string path = device->Directory() + "/" + std::string(bus::kDescriptorFile);
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  // One byte more than a descriptor tells a longer file from a correct one.
  unsigned char data[bus::kDescriptorSize + 1];
  size_t got = 0;
  while (got < sizeof data) {
    ssize_t n = read(fd, data + got, sizeof data - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  if (got != bus::kDescriptorSize) return false;
  std::memcpy(out, data, bus::kDescriptorSize);
  if (returned) *returned = bus::kDescriptorSize;
  return true;
}

void SetReplyTimeoutMs(unsigned timeoutMs) {
  g_replyTimeoutMs = timeoutMs;
}

unsigned ReplyTimeoutMs() {
  return g_replyTimeoutMs;
}

}  // namespace platform::usb
