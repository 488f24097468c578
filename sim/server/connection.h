#pragma once
// One accepted connection of a device pipe, non-blocking: command
// connections are cut into frames, reply and image connections carry frames
// out through a queue that drains as the host reads.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "core/wire.h"
#include "server/event_loop.h"

namespace tqsim {

class Connection {
 public:
  // Largest command frame a camera takes; a longer header closes the
  // connection (nothing sensible can follow it).
  static constexpr std::uint32_t kMaxCommandFrame = 64 * 1024;
  // Output a host leaves unread beyond this closes the connection.
  static constexpr std::size_t kMaxPendingOutput = std::size_t{1} << 30;

  // Returns false when the device cannot take the frame: the connection is closed.
  using FrameHandler = std::function<bool(Bytes frame)>;
  using CloseHandler = std::function<void(Connection*)>;

  // Takes ownership of `fd` (made non-blocking). Command connections pass
  // each whole frame to `onFrame`; the others discard what the host sends.
  Connection(EventLoop& loop, int fd, int pipe, std::uint64_t serial, FrameHandler onFrame,
             CloseHandler onClose);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  int Pipe() const { return pipe_; }
  std::uint64_t Serial() const { return serial_; }
  bool IsOpen() const { return fd_ >= 0; }

  // Queues one frame (header and payload); false when the connection is gone.
  bool SendFrame(std::shared_ptr<const Bytes> payload);

  // A transfer cut off: queues a header announcing the whole payload, then
  // its first `sendBytes` bytes, and closes the connection once they are out.
  bool SendCutFrame(std::shared_ptr<const Bytes> payload, std::size_t sendBytes);

  // True when the peer has closed its end (checked without waiting).
  bool PeerClosed();

  // Closes the socket; the close handler is not called.
  void Close();

 private:
  void OnEvents(std::uint32_t events);
  void ReadInput();
  void Flush();
  void Fail();

  struct Chunk {
    std::shared_ptr<const Bytes> data;
    std::size_t offset = 0;
    std::size_t end = 0;  // bytes of data to send
  };

  EventLoop& loop_;
  int fd_;
  int pipe_;
  std::uint64_t serial_;
  EventLoop::Token token_ = 0;
  FrameHandler onFrame_;
  CloseHandler onClose_;
  Bytes input_;
  std::deque<Chunk> output_;
  std::size_t pending_ = 0;  // bytes queued and not yet sent
  bool wantWrite_ = false;
  bool closeWhenFlushed_ = false;
};

}  // namespace tqsim
