#include "sim_clock.h"

namespace tqsim {

SimClock::SimClock(double scale) : SimClock(scale < 0 ? 0.0 : scale, false) {}

SimClock::SimClock(double scale, bool frozen)
    : scale_(scale),
      frozen_(frozen),
      instant_(!frozen && scale == 0.0),
      start_(std::chrono::steady_clock::now()) {}

SimClock SimClock::Frozen() { return SimClock(0.0, true); }

SimClock::SimClock(const SimClock& other)
    : scale_(other.scale_),
      frozen_(other.frozen_),
      instant_(other.instant_),
      start_(other.start_) {
  std::lock_guard lock(other.mutex_);
  offset_ = other.offset_;
}

SimClock& SimClock::operator=(const SimClock& other) {
  if (this == &other) return *this;
  double offset;
  {
    std::lock_guard lock(other.mutex_);
    offset = other.offset_;
  }
  std::lock_guard lock(mutex_);
  scale_ = other.scale_;
  frozen_ = other.frozen_;
  instant_ = other.instant_;
  start_ = other.start_;
  offset_ = offset;
  return *this;
}

double SimClock::Now() const {
  double offset;
  {
    std::lock_guard lock(mutex_);
    offset = offset_;
  }
  if (frozen_ || scale_ == 0.0) return offset;
  const std::chrono::duration<double> real = std::chrono::steady_clock::now() - start_;
  return offset + real.count() * scale_;
}

void SimClock::Advance(double seconds) {
  std::lock_guard lock(mutex_);
  offset_ += seconds;
}

double SimClock::RealSeconds(double simSeconds) const {
  if (instant_ || simSeconds <= 0) return 0.0;
  if (frozen_) return 0.0;
  return simSeconds / scale_;
}

}  // namespace tqsim
