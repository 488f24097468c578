#include "image/frame_cache.h"

#include <algorithm>

#include "image/readout.h"

namespace tqsim::image {

const std::vector<uint16_t>& CachedSource::Frame(unsigned sample) {
  std::vector<uint16_t>& frame = frames_[sample % 3];
  if (frame.empty() && scene_.Width() && scene_.Height()) {
    frame.resize(size_t{scene_.Width()} * scene_.Height());
    scene_.Render({0, 0, scene_.Width(), scene_.Height(), 1, 1}, reference_, sample % 3,
                  frame.data());
  }
  return frame;
}

void CachedSource::Render(const BlockWindow& window, unsigned sample, uint16_t* out) {
  const std::vector<uint16_t>& frame = Frame(sample);
  const uint64_t W = scene_.Width(), H = scene_.Height();
  if (window.binX == 1 && window.binY == 1 && uint64_t{window.x} + window.width <= W &&
      uint64_t{window.y} + window.height <= H) {
    for (uint32_t i = 0; i < window.height; ++i)
      std::copy_n(&frame[(uint64_t{window.y} + i) * W + window.x], window.width,
                  out + size_t{i} * window.width);
    return;
  }
  for (uint32_t i = 0; i < window.height; ++i) {
    for (uint32_t j = 0; j < window.width; ++j) {
      uint32_t sum = 0;
      for (uint32_t by = 0; by < window.binY; ++by) {
        uint64_t y = (uint64_t{window.y} + i) * window.binY + by;
        if (y >= H) break;
        for (uint32_t bx = 0; bx < window.binX; ++bx) {
          uint64_t x = (uint64_t{window.x} + j) * window.binX + bx;
          if (x >= W) break;
          sum += frame[y * W + x];
        }
      }
      out[size_t{i} * window.width + j] = static_cast<uint16_t>(std::min<uint32_t>(sum, 65535));
    }
  }
}

std::shared_ptr<const std::vector<uint8_t>> FrameCache::Image(const ReadoutCamera& camera,
                                                              const ReadoutPlan& plan) {
  std::vector<int64_t> key = {
      camera.generation,  camera.kind,      static_cast<int64_t>(plan.format),
      plan.window.x,      plan.window.y,    plan.window.width,
      plan.window.height, plan.window.binX, plan.window.binY,
      plan.bottomUp,      plan.rowsSent,    plan.rowBytes,
      plan.valid,         plan.marginLeft,  plan.marginBottom};
  for (int32_t v : camera.outputLevels) key.push_back(v);
  for (int32_t v : camera.sampleLevels) key.push_back(v);

  std::lock_guard lock(mutex_);
  auto it =
      std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
  if (it != entries_.end()) {
    Entry entry = std::move(*it);
    entries_.erase(it);
    entries_.push_front(entry);
    return entries_.front().image;
  }
  auto image = std::make_shared<std::vector<uint8_t>>();
  EncodeImage(camera, plan, source_, *image);
  entries_.push_front({std::move(key), image});
  if (entries_.size() > maxImages_) entries_.pop_back();
  return image;
}

}  // namespace tqsim::image
