#include "frame_queue.h"

#include <algorithm>

namespace tqcam {

FrameQueue::FrameQueue(size_t frameBytes, size_t buffers)
    : storage_(new uint8_t[frameBytes * std::max<size_t>(buffers, 2)]),
      slots_(std::max<size_t>(buffers, 2)),
      waiting_(slots_.size()) {
  // Left uninitialised: a page costs memory only once a frame lands in it.
  for (size_t i = 0; i < slots_.size(); ++i) slots_[i].pixels = storage_.get() + i * frameBytes;
  free_.reserve(slots_.size());
  for (size_t i = slots_.size(); i-- > 1;) free_.push_back(&slots_[i]);
  spare_ = &slots_[0];
}

bool FrameQueue::Publish() {
  {
    std::lock_guard lock(mutex_);
    if (free_.empty()) return false;
    waiting_[(first_ + count_++) % waiting_.size()] = spare_;
    spare_ = free_.back();
    free_.pop_back();
  }
  ready_.notify_one();
  return true;
}

void FrameQueue::Close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  ready_.notify_one();
}

VideoFrame* FrameQueue::Next() {
  std::unique_lock lock(mutex_);
  ready_.wait(lock, [this] { return count_ > 0 || closed_; });
  if (count_ == 0) return nullptr;
  VideoFrame* frame = waiting_[first_];
  first_ = (first_ + 1) % waiting_.size();
  --count_;
  return frame;
}

void FrameQueue::Done(VideoFrame* frame) {
  std::lock_guard lock(mutex_);
  free_.push_back(frame);
}

}  // namespace tqcam
