// The frames of a video on their way from the reading thread to the writing
// thread: a ring of buffers allocated once, so recording allocates nothing
// per frame.
//
// The reader always holds one buffer (Spare) to read the next frame into and
// never waits for the writer: Publish hands the frame over only while another
// buffer is free for the read after it. When every other buffer still holds
// a frame the writer has not written, the new frame is dropped and its buffer
// is read into again, so a slow disk costs frames, not the camera's cadence.
// Free buffers are reused last-freed first: while the writer keeps up, two
// or three buffers do all the work and stay in the cache, and the pages of
// the others are never touched.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace tqcam {

struct VideoFrame {
  uint8_t* pixels = nullptr;  // frameBytes, aligned for 16-bit pixels
  int64_t utcTicks = 0;       // time stamp, 100 ns units since 0001-01-01 UTC
};

class FrameQueue {
 public:
  // `buffers` (at least 2) buffers of frameBytes each.
  FrameQueue(size_t frameBytes, size_t buffers);
  FrameQueue(const FrameQueue&) = delete;
  FrameQueue& operator=(const FrameQueue&) = delete;

  // Reader: the buffer the next frame is read into.
  VideoFrame& Spare() { return *spare_; }
  // Reader: passes the spare buffer to the writer; false when the frame is
  // dropped because no other buffer is free.
  bool Publish();
  // Reader: no more frames; Next returns null once the writer has all.
  void Close();

  // Writer: the oldest frame not yet written, waiting for one; null when
  // the reader has closed the queue and every frame was taken.
  VideoFrame* Next();
  // Writer: the frame Next returned is written; its buffer is free again.
  void Done(VideoFrame* frame);

 private:
  std::unique_ptr<uint8_t[]> storage_;
  std::vector<VideoFrame> slots_;
  VideoFrame* spare_;  // the reader's
  std::mutex mutex_;
  std::condition_variable ready_;
  // Both hold at most every slot, so they never grow once reserved.
  std::vector<VideoFrame*> free_;     // a stack: the last freed on top
  std::vector<VideoFrame*> waiting_;  // a ring of `count_` frames from `first_`
  size_t first_ = 0, count_ = 0;
  bool closed_ = false;
};

}  // namespace tqcam
