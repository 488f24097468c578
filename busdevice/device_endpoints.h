#pragma once
// The serving side of a published device's three pipes, with the bus rules:
// any number of connections per pipe; command frames from all command
// connections are taken in arrival order; replies and image frames go to the
// newest open connection of the reply and image pipe.
//
// One thread serves (NextCommand, Send*, CloseConnections); Interrupt may be
// called from any thread to end a wait in NextCommand.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "busdevice/published_device.h"
#include "platform/vbus_layout.h"

namespace busdevice {

class DeviceEndpoints {
 public:
  // Serves the listening sockets of `device`, which must outlive this object
  // (or be removed only after CloseConnections).
  explicit DeviceEndpoints(const PublishedDevice& device);
  ~DeviceEndpoints();
  DeviceEndpoints(const DeviceEndpoints&) = delete;
  DeviceEndpoints& operator=(const DeviceEndpoints&) = delete;

  // Waits up to `timeoutMs` (-1: for ever) for the next command frame,
  // accepting connections meanwhile. False on timeout or after Interrupt.
  bool NextCommand(std::vector<unsigned char>* frame, int timeoutMs);

  // One frame to the newest open connection of the pipe; false when there is
  // none or the send fails.
  bool SendFrame(Pipe pipe, const void* data, uint32_t size);
  bool SendReply(const void* data, uint32_t size) { return SendFrame(Pipe::Reply, data, size); }
  bool SendImage(const void* data, uint32_t size) { return SendFrame(Pipe::Image, data, size); }

  // Raw bytes to the newest open connection (a frame header, a piece of a
  // frame): servers that write a frame in pieces, or break one on purpose.
  bool SendRaw(Pipe pipe, const void* data, size_t size);

  // Closes every connection of every pipe (the device was unplugged).
  void CloseConnections();

  // Ends the current or the next wait of NextCommand (thread-safe).
  void Interrupt();

 private:
  void AcceptPending(int pipe);
  void DropClosed(int pipe);
  int Newest(int pipe);
  bool ReadCommand(size_t index, std::vector<unsigned char>* frame);

  const PublishedDevice& device_;
  std::vector<int> connections_[platform::vbus::kPipeCount];
  int wake_ = -1;
};

// Reads one whole frame from a connection; false when it closes first.
bool ReadFrame(int fd, std::vector<unsigned char>* frame);

}  // namespace busdevice
