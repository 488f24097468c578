// Cached-frame mode: the scene of a camera is rendered once and encoded
// images are served from memory, so that a benchmark of the host's readout
// measures the host and the bus rather than the scene synthesis.
//
// CachedSource renders the whole sensor once per reading (sample index) with
// a reference exposure and answers every window from that frame (binned
// blocks are sums of the cached pixels). FrameCache keeps the encoded images
// of the most recent readout shapes; a repeated readout costs a lookup.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "image/readout_plan.h"
#include "image/scene.h"

namespace tqsim::image {

class CachedSource : public PixelSource {
 public:
  CachedSource(const Scene& scene, const Exposure& reference)
      : scene_(scene), reference_(reference) {}
  void Render(const BlockWindow& window, unsigned sample, uint16_t* out) override;
  double BlockBias(uint32_t binX, uint32_t binY) const override {
    return scene_.BlockBias(binX, binY);
  }

 private:
  const std::vector<uint16_t>& Frame(unsigned sample);

  const Scene& scene_;
  Exposure reference_;
  std::vector<uint16_t> frames_[3];
};

class FrameCache {
 public:
  FrameCache(const Scene& scene, const Exposure& reference, size_t maxImages = 8)
      : source_(scene, reference), maxImages_(maxImages ? maxImages : 1) {}

  // The encoded image of a valid plan, encoded at its first use. Safe to
  // call from several threads.
  std::shared_ptr<const std::vector<uint8_t>> Image(const ReadoutCamera& camera,
                                                    const ReadoutPlan& plan);

 private:
  struct Entry {
    std::vector<int64_t> key;
    std::shared_ptr<const std::vector<uint8_t>> image;
  };

  std::mutex mutex_;
  CachedSource source_;
  size_t maxImages_;
  std::deque<Entry> entries_;  // most recently used first
};

}  // namespace tqsim::image
