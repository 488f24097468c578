#include "platform/vbus_pipe.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

int64_t SteadyNs() {
  return std::chrono::steady_clock::now().time_since_epoch() / std::chrono::nanoseconds(1);
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
  if (const uint64_t discarded = DiscardSiblingsUnread(); discarded > 0)
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
  bool ok = pipe_ == vbus::Pipe::Image ? ReceiveImage(buffer, size) : ReceiveReply(buffer, size);
  if (!ok) broken_ = true;
  return ok;
}

// Small pieces (a frame header, a status byte) are taken from one receive of
// whatever has come, so a short reply costs one system call; large ones go
// straight into the caller's buffer.
bool PipeFile::ReceiveReply(void* buffer, size_t size) {
  auto* p = static_cast<unsigned char*>(buffer);
  for (;;) {
    const size_t take = std::min<size_t>(size, aheadEnd_ - aheadAt_);
    std::memcpy(p, ahead_ + aheadAt_, take);
    aheadAt_ += static_cast<uint32_t>(take);
    p += take;
    size -= take;
    if (size == 0) return true;
    if (!WaitAtMost(ReplyIdleMs())) return false;
    if (size >= sizeof ahead_) return sock::RecvExactTimed(fd_, p, size) == sock::RecvResult::Ok;
    size_t got = 0;
    if (sock::RecvSomeTimed(fd_, ahead_, sizeof ahead_, &got) != sock::RecvResult::Ok)
      return false;
    aheadAt_ = 0;
    aheadEnd_ = static_cast<uint32_t>(got);
  }
}

bool PipeFile::WaitAtMost(int timeoutMs) {
  if (timeoutMs_ == timeoutMs) return true;
  if (!sock::SetReceiveTimeout(fd_, timeoutMs)) return false;
  timeoutMs_ = timeoutMs;
  return true;
}

// The image pipe has no timeout (an exposure may be long), so it waits in
// steps of at most kImageWatchMs (each receive filling as much of the buffer
// as comes within the step) and between them watches the device: a hang-up
// of its reply or command connection, or its removal from the bus, ends the
// wait, as does the bound of the request.
bool PipeFile::ReceiveImage(void* buffer, size_t size) {
  char* p = static_cast<char*>(buffer);
  int waitMs = kImageWatchMs;
  while (size > 0) {
    if (const int64_t deadline = deadline_; deadline != 0)
      waitMs = static_cast<int>(
          std::clamp<int64_t>((deadline - SteadyNs() + 999999) / 1000000, 1, kImageWatchMs));
    if (!WaitAtMost(waitMs)) return false;
    ssize_t n = recv(fd_, p, size, MSG_WAITALL);
    if (n > 0) {
      p += n;
      size -= static_cast<size_t>(n);
      if (size == 0) break;
    } else if (n == 0) {
      return false;
    } else if (errno != EINTR) {
      if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
      struct stat st;  // nothing came within the step
      if (SiblingHungUp() || stat(deviceDir_.c_str(), &st) != 0) return false;
    }
    if (const int64_t deadline = deadline_; deadline != 0 && SteadyNs() >= deadline) {
      DebugOutput("Image pipe: the image did not come within its bound\n");
      return false;
    }
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

// Before a request: the rest of a frame in progress and every whole frame
// that has already arrived on the reply and image pipes; returns the payload
// bytes dropped. One poll tells whether anything arrived on either. A read in
// progress in another thread is left alone, and so is a broken connection.
uint64_t PipeFile::DiscardSiblingsUnread() {
  std::shared_ptr<PipeFile> siblings[2];
  std::unique_lock<std::mutex> holds[2];
  pollfd watch[2];
  nfds_t count = 0;
  uint64_t dropped = 0;
  for (vbus::Pipe pipe : {vbus::Pipe::Reply, vbus::Pipe::Image}) {
    auto sibling = Sibling(deviceDir_, pipe);
    if (!sibling) continue;
    sibling->deadline_ = 0;  // a bound belongs to the request that set it
    std::unique_lock hold(sibling->readLock_, std::try_to_lock);
    if (!hold.owns_lock() || sibling->broken_) continue;
    dropped += sibling->DiscardFrameRest();
    if (sibling->broken_) continue;
    watch[count] = {sibling->fd_, POLLIN, 0};
    siblings[count] = std::move(sibling);
    holds[count++] = std::move(hold);
  }
  int ready;
  do {
    ready = count > 0 ? poll(watch, count, 0) : 0;
  } while (ready < 0 && errno == EINTR);
  for (nfds_t i = 0; i < count; ++i)
    if ((ready > 0 && watch[i].revents != 0) || siblings[i]->aheadAt_ < siblings[i]->aheadEnd_)
      dropped += siblings[i]->DiscardArrivedFrames();
  return dropped;
}

// The caller holds readLock_.
uint64_t PipeFile::DiscardFrameRest() {
  uint64_t dropped = 0;
  char scratch[4096];
  while (inFrame_ && frameLeft_ > 0) {
    uint32_t k = std::min<uint32_t>(frameLeft_, sizeof scratch);
    if (!Receive(scratch, k)) return dropped;
    frameLeft_ -= k;
    dropped += k;
  }
  inFrame_ = false;
  return dropped;
}

// The caller holds readLock_, and there is something to read, received ahead
// or on the connection (or it hung up, which the receive then finds).
uint64_t PipeFile::DiscardArrivedFrames() {
  uint64_t dropped = 0;
  do {
    unsigned char header[vbus::kFrameHeaderSize];
    if (!Receive(header, sizeof header)) return dropped;
    frameLeft_ = vbus::DecodeFrameHeader(header);
    inFrame_ = true;
    dropped += DiscardFrameRest();
  } while (!broken_ && (aheadAt_ < aheadEnd_ || sock::WaitReadable(fd_, 0)));
  return dropped;
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
