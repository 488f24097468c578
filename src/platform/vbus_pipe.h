#pragma once
// One opened pipe of a bus device: a connection with the read-side frame
// state. The pipes this process opened on one device know each other, so
// that
//  - a request written to the command pipe first discards what is left
//    unread of earlier frames on the reply and image pipes (one malformed
//    frame never becomes the answer to a later request), and
//  - an image read, which has no fixed timeout, still fails when the
//    device's reply or command connection hangs up or the device leaves the
//    bus, and when the bound set for the request's image has passed.
// The receives wait in the kernel, bounded by the socket's receive timeout,
// so a transfer costs no poll besides the one check for unread bytes that
// each request makes.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/handles.h"
#include "platform/vbus_layout.h"

namespace platform::vbus {

class PipeFile : public HandleObject {
 public:
  // Takes over `fd`, a connection to pipe `pipe` of the device whose
  // directory is `deviceDir`.
  static std::shared_ptr<PipeFile> Open(int fd, vbus::Pipe pipe, const std::string& deviceDir);
  PipeFile(int fd, vbus::Pipe pipe, std::string deviceDir);
  ~PipeFile() override;
  void Wake() override;

  // Command pipe: one frame, after discarding the leftovers of the siblings.
  bool Write(const void* data, uint32_t size);
  // Reply and image pipes: up to `size` bytes of the current or next frame.
  bool Read(void* buffer, uint32_t size, uint32_t* done);
  // Image pipe: reads fail once `deadline` has passed, until the next request.
  void SetImageDeadline(std::chrono::steady_clock::time_point deadline);

 private:
  bool Receive(void* buffer, size_t size);
  bool ReceiveReply(void* buffer, size_t size);
  bool ReceiveImage(void* buffer, size_t size);
  // Sets the socket's receive timeout unless it has it already.
  bool WaitAtMost(int timeoutMs);
  // The newest open pipe of kind `pipe` on `deviceDir`; null when none.
  static std::shared_ptr<PipeFile> Sibling(const std::string& deviceDir, vbus::Pipe pipe);
  bool SiblingHungUp() const;
  uint64_t DiscardSiblingsUnread();
  uint64_t DiscardFrameRest();
  uint64_t DiscardArrivedFrames();

  int fd_;
  vbus::Pipe pipe_;
  std::string deviceDir_;
  std::mutex readLock_;
  std::mutex writeLock_;
  bool inFrame_ = false;
  bool broken_ = false;
  uint32_t frameLeft_ = 0;
  int timeoutMs_ = -1;  // the socket's receive timeout; -1: none set
  // Reply pipe: what a receive brought beyond the bytes asked for (a reply's
  // header and its bytes come in one receive); later receives take it first.
  unsigned char ahead_[256];
  uint32_t aheadAt_ = 0, aheadEnd_ = 0;
  // Steady-clock nanoseconds; 0: no bound.
  std::atomic<int64_t> deadline_{0};
};

}  // namespace platform::vbus
