#include "platform/vbus_pipe.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <vector>

#include "platform/debug_output.h"
#include "platform/process_table.h"
#include "platform/socket_io.h"
#include "platform/vbus_host.h"

namespace platform::vbus {

namespace {

// How often a waiting image read looks whether the device left the bus.
constexpr int kImageWatchMs = 200;

// The open pipes of each device directory, oldest first, with their kind (so
// that finding one never takes a strong reference to another: dropping the
// last one under the lock would run a destructor that takes it again).
struct PipeEntry {
  vbus::Pipe pipe;
  std::weak_ptr<PipeFile> file;
};
struct PipeRegistry {
  std::mutex lock;
  std::map<std::string, std::vector<PipeEntry>> pipes;
};

bool Expired(const PipeEntry& entry) {
  return entry.file.expired();
}

ProcessTable<PipeRegistry> gRegistry;

PipeRegistry& Registry() {
  return gRegistry.Get();
}

int ReplyIdleMs() {
  return static_cast<int>(std::min<unsigned>(ReplyTimeoutMs(), 0x7FFFFFFF));
}

}  // namespace

std::shared_ptr<PipeFile> PipeFile::Sibling(const std::string& deviceDir, vbus::Pipe pipe) {
  PipeRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  auto it = r.pipes.find(deviceDir);
  if (it == r.pipes.end()) return nullptr;
  for (auto p = it->second.rbegin(); p != it->second.rend(); ++p)
    if (p->pipe == pipe && !p->file.expired()) return p->file.lock();
  return nullptr;
}

std::shared_ptr<PipeFile> PipeFile::Open(int fd, vbus::Pipe pipe, const std::string& deviceDir) {
  auto file = std::make_shared<PipeFile>(fd, pipe, deviceDir);
  PipeRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  auto& list = r.pipes[deviceDir];
  std::erase_if(list, Expired);
  list.push_back({pipe, file});
  return file;
}

PipeFile::PipeFile(int fd, vbus::Pipe pipe, std::string deviceDir)
    : fd_(fd), pipe_(pipe), deviceDir_(std::move(deviceDir)) {}

PipeFile::~PipeFile() {
  sock::Close(fd_);
  PipeRegistry& r = Registry();
  std::lock_guard guard(r.lock);
  auto it = r.pipes.find(deviceDir_);
  if (it == r.pipes.end()) return;
  std::erase_if(it->second, Expired);
  if (it->second.empty()) r.pipes.erase(it);
}

void PipeFile::Wake() {
  sock::Shutdown(fd_);
}

bool PipeFile::Write(const void* data, uint32_t size) {
  if (pipe_ != vbus::Pipe::Command) return false;
  uint64_t discarded = 0;
  for (vbus::Pipe pipe : {vbus::Pipe::Reply, vbus::Pipe::Image})
    if (auto sibling = Sibling(deviceDir_, pipe)) {
      discarded += sibling->DiscardUnread();
      sibling->deadline_ = 0;  // a bound belongs to the request that set it
    }
  if (discarded > 0)
    DebugOutput(("Discarded " + std::to_string(discarded) + " unread bytes before a request\n")
                    .c_str());
  std::lock_guard guard(writeLock_);
  return sock::SendFrame(fd_, data, size);
}

void PipeFile::SetImageDeadline(std::chrono::steady_clock::time_point deadline) {
  deadline_ = std::max<int64_t>(deadline.time_since_epoch() / std::chrono::nanoseconds(1), 1);
}

bool PipeFile::Read(void* buffer, uint32_t size, uint32_t* done) {
  if (pipe_ == vbus::Pipe::Command) return false;
  std::lock_guard guard(readLock_);
  if (broken_) return false;
  if (!inFrame_) {
    unsigned char header[vbus::kFrameHeaderSize];
    if (!Receive(header, sizeof header)) return false;
    frameLeft_ = vbus::DecodeFrameHeader(header);
    inFrame_ = true;
  }
  uint32_t k = std::min(size, frameLeft_);
  if (k > 0 && !Receive(buffer, k)) return false;
  frameLeft_ -= k;
  if (frameLeft_ == 0) inFrame_ = false;
  *done = k;
  return true;
}

// A failed receive leaves the stream at an unknown place in a frame: the
// connection is of no further use.
bool PipeFile::Receive(void* buffer, size_t size) {
  bool ok = pipe_ == vbus::Pipe::Image
                ? ReceiveImage(buffer, size)
                : sock::RecvExact(fd_, buffer, size, ReplyIdleMs()) == sock::RecvResult::Ok;
  if (!ok) broken_ = true;
  return ok;
}

// The image pipe has no timeout (an exposure may be long), so while it waits
// it watches the device: a hang-up of its reply or command connection, or its
// removal from the bus, ends the wait.
bool PipeFile::ReceiveImage(void* buffer, size_t size) {
  char* p = static_cast<char*>(buffer);
  while (size > 0) {
    ssize_t n = recv(fd_, p, size, MSG_DONTWAIT);
    if (n > 0) {
      p += n;
      size -= static_cast<size_t>(n);
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    int watchMs = kImageWatchMs;
    if (const int64_t deadline = deadline_; deadline != 0) {
      const int64_t now =
          std::chrono::steady_clock::now().time_since_epoch() / std::chrono::nanoseconds(1);
      const int64_t leftMs = (deadline - now + 999999) / 1000000;
      if (leftMs <= 0) {
        DebugOutput("Image pipe: the image did not come within its bound\n");
        return false;
      }
      watchMs = static_cast<int>(std::min<int64_t>(watchMs, leftMs));
    }
    if (sock::WaitReadable(fd_, watchMs)) continue;
    struct stat st;
    if (SiblingHungUp() || stat(deviceDir_.c_str(), &st) != 0) return false;
  }
  return true;
}

bool PipeFile::SiblingHungUp() const {
  for (vbus::Pipe pipe : {vbus::Pipe::Reply, vbus::Pipe::Command}) {
    auto sibling = Sibling(deviceDir_, pipe);
    if (!sibling) continue;
    pollfd watch{sibling->fd_, POLLRDHUP, 0};
    if (poll(&watch, 1, 0) > 0 && (watch.revents & (POLLRDHUP | POLLHUP | POLLERR))) return true;
  }
  return false;
}

// The rest of the frame in progress and every whole frame that has already
// arrived; returns the payload bytes dropped. A read in progress in another
// thread is left alone.
uint64_t PipeFile::DiscardUnread() {
  std::unique_lock guard(readLock_, std::try_to_lock);
  if (!guard.owns_lock() || broken_) return 0;
  uint64_t dropped = 0;
  char scratch[4096];
  for (;;) {
    while (inFrame_ && frameLeft_ > 0) {
      uint32_t k = std::min<uint32_t>(frameLeft_, sizeof scratch);
      if (!Receive(scratch, k)) return dropped;
      frameLeft_ -= k;
      dropped += k;
    }
    inFrame_ = false;
    if (!sock::WaitReadable(fd_, 0)) return dropped;
    unsigned char header[vbus::kFrameHeaderSize];
    if (!Receive(header, sizeof header)) return dropped;
    frameLeft_ = vbus::DecodeFrameHeader(header);
    inFrame_ = true;
  }
}

void ReleasePipeRegistry() {
  gRegistry.Release([](PipeRegistry& r) {
    std::lock_guard guard(r.lock);
    for (const auto& [dir, entries] : r.pipes)
      if (!std::all_of(entries.begin(), entries.end(), Expired)) return true;
    return false;
  });
}

}  // namespace platform::vbus
