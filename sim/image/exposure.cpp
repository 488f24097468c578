#include "image/exposure.h"

namespace tqsim::image {

Integration::Integration(double powerOn, bool shutterOpen)
    : start_(powerOn), lastStart_(powerOn), lightSince_(powerOn), shutterOpen_(shutterOpen) {}

void Integration::AccumulateLight(double now) {
  if (!ended_ && shutterOpen_ && now > lightSince_) light_ += now - lightSince_;
  lightSince_ = now;
}

void Integration::Clear(double now) {
  start_ = now;
  lastStart_ = now;
  lightSince_ = now;
  light_ = 0.0;
  ended_ = false;
}

void Integration::SetShutter(double now, bool open) {
  AccumulateLight(now);
  shutterOpen_ = open;
}

void Integration::Begin(double now, bool shutterOpen) {
  Clear(now);
  shutterOpen_ = shutterOpen;
}

void Integration::End(double now) {
  if (ended_) return;
  AccumulateLight(now);
  end_ = now;
  ended_ = true;
}

Exposure Integration::Readout(double now, double temperatureC) {
  End(now);
  Exposure e;
  e.darkSeconds = end_ > start_ ? end_ - start_ : 0.0;
  e.lightSeconds = light_;
  e.temperatureC = temperatureC;
  e.frame = frame_++;
  start_ = now;
  lightSince_ = now;
  light_ = 0.0;
  ended_ = false;
  return e;
}

Exposure Integration::Timed(double start, double seconds, bool shutterOpen, double temperatureC) {
  if (seconds < 0.0) seconds = 0.0;
  Exposure e;
  e.darkSeconds = seconds;
  e.lightSeconds = shutterOpen ? seconds : 0.0;
  e.temperatureC = temperatureC;
  e.frame = frame_++;
  lastStart_ = start;
  start_ = start + seconds;
  lightSince_ = start_;
  light_ = 0.0;
  ended_ = false;
  return e;
}

double ReadoutSeconds(uint64_t bytes, double bytesPerSecond) {
  if (bytesPerSecond <= 0.0) return 0.0;
  return static_cast<double>(bytes) / bytesPerSecond;
}

}  // namespace tqsim::image
