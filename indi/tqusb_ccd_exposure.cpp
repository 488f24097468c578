// Exposures: host-timed (BeginExposure, a timer, EndExposure, readout on the
// worker) where the camera allows it, else one camera-timed call on the
// worker. The image is read into the driver's own buffer and handed to INDI's
// FITS writer on the driver thread, which waits until libindi has sent it.
#include <cstdio>
#include <cstring>

#include "tqusb_ccd.h"

namespace tqindi {
namespace {

constexpr int kJobPollMs = 50;

std::string TimeStampText(const tqusb::DateTime& t) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02u:%02u:%06.3f", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return text;
}

}  // namespace

// The window in output (binned) pixels; INDI keeps the frame in unbinned ones.
tqusb::Window TqusbCcd::ReadoutWindow() const {
  const uint32_t bx = PrimaryCCD.getBinX(), by = PrimaryCCD.getBinY();
  return {PrimaryCCD.getSubX() / bx, PrimaryCCD.getSubY() / by, PrimaryCCD.getSubW() / bx,
          PrimaryCCD.getSubH() / by};
}

bool TqusbCcd::ShutterOpenFor() const {
  const auto type = PrimaryCCD.getFrameType();
  return type == INDI::CCDChip::LIGHT_FRAME || type == INDI::CCDChip::FLAT_FRAME;
}

bool TqusbCcd::RefuseWhileBusy(const char* what) {
  SettleStoppedStream();
  if (!worker_.Busy()) return false;
  if (phase_ == Phase::Streaming)
    LOGF_ERROR("Cannot %s while the video stream runs; stop the stream first.", what);
  else
    LOGF_ERROR("Cannot %s: the camera is still busy with a readout or filter move.", what);
  return true;
}

// Frame, binning and read mode decide the image's size and depth: they stay
// as they are from the start of an exposure to the end of its readout, and
// for as long as a stream runs.
bool TqusbCcd::RefuseDuringExposure(const char* what) {
  if (phase_ == Phase::Idle || phase_ == Phase::FilterMove || phase_ == Phase::Streaming)
    return RefuseWhileBusy(what);
  LOGF_ERROR("Cannot %s during an exposure.", what);
  return true;
}

bool TqusbCcd::StartExposure(float duration) {
  if (RefuseWhileBusy("start an exposure") || phase_ != Phase::Idle) return false;
  aborted_ = false;
  exposureSeconds_ = duration;
  PrimaryCCD.setExposureDuration(duration);
  exposureStart_ = std::chrono::steady_clock::now();
  if (!traits_.hostTimedExposure) return StartReadout(true, duration);

  if (auto refused = Attempt([&](tqusb::Camera& c) { c.BeginExposure(ShutterOpenFor()); })) {
    LOGF_ERROR("Exposure did not start: %s", refused->Text().c_str());
    return false;
  }
  phase_ = Phase::Integrating;
  exposureTimer_ = IEAddTimer(static_cast<int>(duration * 1000.0 + 0.5), OnExposureDue, this);
  return true;
}

void TqusbCcd::OnExposureDue(void* self) {
  static_cast<TqusbCcd*>(self)->ExposureDue();
}

void TqusbCcd::ExposureDue() {
  exposureTimer_ = -1;
  if (phase_ != Phase::Integrating) return;
  phase_ = Phase::Idle;
  if (auto refused = Attempt([&](tqusb::Camera& c) { c.EndExposure(ShutterOpenFor()); })) {
    LOGF_ERROR("Exposure did not end: %s", refused->Text().c_str());
    PrimaryCCD.setExposureFailed();
    return;
  }
  PrimaryCCD.setExposureLeft(0);
  if (!StartReadout(false, 0)) PrimaryCCD.setExposureFailed();
}

// Reads the image on the worker; with exposeToo the camera also times the
// exposure in the same call.
bool TqusbCcd::StartReadout(bool exposeToo, double seconds) {
  const tqusb::Window w = ReadoutWindow();
  const bool eightBit = eightBit_;
  image_.assign(size_t(w.width) * w.height * (eightBit ? 1 : 2), 0);
  const bool shutter = ShutterOpenFor();
  const bool stamp = traits_.caps.gps;
  uint8_t* buffer = image_.data();
  // The vector's storage is aligned for any pixel type.
  auto* pixels16 = reinterpret_cast<uint16_t*>(buffer);
  const size_t size = image_.size();
  imageTime_.clear();
  stampError_.clear();
  auto job = [=, this]() {
    JobResult refused = Attempt([&](tqusb::Camera& c) {
      if (exposeToo && eightBit)
        c.Expose8(seconds, shutter, w, buffer, size);
      else if (exposeToo)
        c.Expose16(seconds, shutter, w, pixels16, size);
      else if (eightBit)
        c.Read8(w, buffer, size);
      else
        c.Read16(w, pixels16, size);
    });
    if (!refused && stamp) {
      tqusb::DateTime time;
      if (auto noStamp = Attempt([&](tqusb::Camera& c) { time = c.TimeStamp(); }))
        stampError_ = noStamp->Text();
      else
        imageTime_ = TimeStampText(time);
    }
    return refused;
  };
  if (!worker_.Start(job)) return false;
  phase_ = exposeToo ? Phase::CameraTimed : Phase::Reading;
  ArmJobPoll();
  return true;
}

void TqusbCcd::ArmJobPoll() {
  if (jobPollTimer_ < 0) jobPollTimer_ = IEAddTimer(kJobPollMs, OnJobPoll, this);
}

void TqusbCcd::OnJobPoll(void* self) {
  auto* ccd = static_cast<TqusbCcd*>(self);
  ccd->jobPollTimer_ = -1;
  JobResult result;
  if (ccd->worker_.Collect(result)) {
    ccd->FinishJob(result);
  } else if (ccd->worker_.Busy()) {
    ccd->ArmJobPoll();
  }
  ccd->PublishTakenReadings();
}

void TqusbCcd::FinishJob(const JobResult& result) {
  const Phase phase = phase_;
  phase_ = Phase::Idle;
  if (phase == Phase::FilterMove) {
    FinishFilterMove(result);
  } else if (phase == Phase::Streaming) {
    FinishStream(result);
  } else {
    FinishExposure(result);
  }
  // A plug notice that came while the job ran is handled now.
  if (unplugged_ && CameraConnected()) OnCameraNotice(true);
}

void TqusbCcd::FinishExposure(const JobResult& refused) {
  if (aborted_ || !isConnected()) return;
  if (refused) {
    LOGF_ERROR("Readout failed: %s", refused->Text().c_str());
    PrimaryCCD.setExposureFailed();
    return;
  }
  if (!stampError_.empty())
    LOGF_WARN("No time stamp from the camera (%s); DATE-OBS is the host's clock.",
              stampError_.c_str());
  const tqusb::Window w = ReadoutWindow();
  PrimaryCCD.setBPP(eightBit_ ? 8 : 16);
  PrimaryCCD.setFrameBufferSize(static_cast<uint32_t>(image_.size()));
  std::memcpy(PrimaryCCD.getFrameBuffer(), image_.data(), image_.size());
  PrimaryCCD.setExposureLeft(0);
  LOGF_DEBUG("Image %u x %u read.", w.width, w.height);
  ExposureComplete(&PrimaryCCD);
}

bool TqusbCcd::ExposureComplete(INDI::CCDChip* chip) {
  bool ok = false;
  completion_.Run([&] { ok = INDI::CCD::ExposureComplete(chip); });
  return ok;
}

// The first driver hook libindi calls on its image thread.
bool TqusbCcd::processFastExposure(INDI::CCDChip* chip) {
  completion_.Enter();
  return INDI::CCD::processFastExposure(chip);
}

bool TqusbCcd::AbortExposure() {
  switch (phase_) {
    case Phase::Integrating:
      if (exposureTimer_ >= 0) IERmTimer(exposureTimer_);
      exposureTimer_ = -1;
      phase_ = Phase::Idle;
      if (auto refused = Attempt([&](tqusb::Camera& c) { c.EndExposure(ShutterOpenFor()); }))
        LOGF_WARN("Ending the aborted exposure failed: %s", refused->Text().c_str());
      return true;
    case Phase::Reading:
    case Phase::CameraTimed:
      // The camera call cannot be interrupted; its image is thrown away.
      aborted_ = true;
      return true;
    default:
      return true;
  }
}

bool TqusbCcd::UpdateCCDFrame(int x, int y, int w, int h) {
  if (RefuseDuringExposure("change the frame")) return false;
  const tqusb::Caps& caps = traits_.caps;
  if (x < 0 || y < 0 || w < 1 || h < 1 || uint32_t(x + w) > caps.width ||
      uint32_t(y + h) > caps.height) {
    LOGF_ERROR("Frame %d,%d %dx%d does not lie on the %ux%u sensor.", x, y, w, h, caps.width,
               caps.height);
    return false;
  }
  PrimaryCCD.setFrame(x, y, w, h);
  SyncStreamFormat();
  return true;
}

bool TqusbCcd::UpdateCCDBin(int hor, int ver) {
  if (RefuseDuringExposure("change the binning")) return false;
  if (auto refused = Attempt([&](tqusb::Camera& c) { c.SetBinning(hor, ver); })) {
    LOGF_ERROR("Binning %dx%d refused: %s", hor, ver, refused->Text().c_str());
    return false;
  }
  PrimaryCCD.setBin(hor, ver);
  return UpdateCCDFrame(PrimaryCCD.getSubX(), PrimaryCCD.getSubY(), PrimaryCCD.getSubW(),
                        PrimaryCCD.getSubH());
}

}  // namespace tqindi
