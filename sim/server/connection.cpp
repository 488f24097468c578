#include "connection.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/vbus_layout.h"

namespace tqsim {

Connection::Connection(EventLoop& loop, int fd, int pipe, std::uint64_t serial,
                       FrameHandler onFrame, CloseHandler onClose)
    : loop_(loop),
      fd_(fd),
      pipe_(pipe),
      serial_(serial),
      onFrame_(std::move(onFrame)),
      onClose_(std::move(onClose)) {
  fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
  token_ = loop_.Watch(fd_, EPOLLIN | EPOLLRDHUP, [this](std::uint32_t ev) { OnEvents(ev); });
}

Connection::~Connection() { Close(); }

void Connection::Close() {
  if (fd_ < 0) return;
  loop_.Unwatch(token_);
  close(fd_);
  fd_ = -1;
  output_.clear();
  pending_ = 0;
}

void Connection::Fail() {
  Close();
  // The handler may destroy this object: nothing may follow it.
  if (onClose_) {
    CloseHandler handler = std::move(onClose_);
    handler(this);
  }
}

bool Connection::PeerClosed() {
  if (fd_ < 0) return true;
  char byte;
  const ssize_t n = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
  return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

void Connection::OnEvents(std::uint32_t events) {
  if (events & EPOLLOUT) {
    Flush();
    if (fd_ < 0) return;
  }
  if (events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) ReadInput();
}

void Connection::ReadInput() {
  unsigned char buffer[16384];
  for (;;) {
    const ssize_t n = recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n == 0) return Fail();
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      return Fail();
    }
    // Hosts only write on the command pipe; anything else is dropped.
    if (pipe_ != static_cast<int>(platform::vbus::Pipe::Command)) continue;
    input_.insert(input_.end(), buffer, buffer + n);
    while (input_.size() >= platform::vbus::kFrameHeaderSize) {
      const std::uint32_t length = platform::vbus::DecodeFrameHeader(input_.data());
      if (length > kMaxCommandFrame) return Fail();
      if (input_.size() < platform::vbus::kFrameHeaderSize + length) break;
      Bytes frame(input_.begin() + platform::vbus::kFrameHeaderSize,
                  input_.begin() + platform::vbus::kFrameHeaderSize + length);
      input_.erase(input_.begin(), input_.begin() + platform::vbus::kFrameHeaderSize + length);
      if (!onFrame_(std::move(frame))) return Fail();
      if (fd_ < 0) return;  // the frame's handling closed this connection
    }
  }
}

bool Connection::SendFrame(std::shared_ptr<const Bytes> payload) {
  if (fd_ < 0) return false;
  if (pending_ + payload->size() > kMaxPendingOutput) {
    Fail();
    return false;
  }
  pending_ += platform::vbus::kFrameHeaderSize + payload->size();
  auto header = std::make_shared<Bytes>(platform::vbus::kFrameHeaderSize);
  platform::vbus::EncodeFrameHeader(static_cast<std::uint32_t>(payload->size()), header->data());
  output_.push_back({header, 0, header->size()});
  if (!payload->empty()) output_.push_back({payload, 0, payload->size()});
  Flush();
  return fd_ >= 0;
}

bool Connection::SendCutFrame(std::shared_ptr<const Bytes> payload, std::size_t sendBytes) {
  if (fd_ < 0) return false;
  auto header = std::make_shared<Bytes>(platform::vbus::kFrameHeaderSize);
  platform::vbus::EncodeFrameHeader(static_cast<std::uint32_t>(payload->size()), header->data());
  output_.push_back({header, 0, header->size()});
  sendBytes = std::min(sendBytes, payload->size());
  pending_ += platform::vbus::kFrameHeaderSize + sendBytes;
  if (sendBytes > 0) output_.push_back({payload, 0, sendBytes});
  closeWhenFlushed_ = true;
  Flush();
  return false;
}

void Connection::Flush() {
  while (!output_.empty()) {
    Chunk& chunk = output_.front();
    const ssize_t n = send(fd_, chunk.data->data() + chunk.offset, chunk.end - chunk.offset,
                           MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      return Fail();
    }
    chunk.offset += static_cast<std::size_t>(n);
    pending_ -= static_cast<std::size_t>(n);
    if (chunk.offset == chunk.end) output_.pop_front();
  }
  if (output_.empty() && closeWhenFlushed_) return Fail();
  const bool want = !output_.empty();
  if (want != wantWrite_) {
    wantWrite_ = want;
    loop_.Modify(token_, EPOLLIN | EPOLLRDHUP | (want ? EPOLLOUT : 0u));
  }
}

}  // namespace tqsim
