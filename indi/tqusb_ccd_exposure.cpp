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

std::string TimeStampText(TQCAMERA camera) {
  int32_t year = 0, month = 0, day = 0;
  uint32_t hour = 0, minute = 0;
  double second = 0;
  if (!GetImageTimeStamp(camera, &year, &month, &day, &hour, &minute, &second)) return {};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02u:%02u:%06.3f", year, month, day, hour,
                minute, second);
  return text;
}

}  // namespace

// The window in output (binned) pixels; INDI keeps the frame in unbinned ones.
TqusbCcd::Window TqusbCcd::ReadoutWindow() const {
  const uint32_t bx = PrimaryCCD.getBinX(), by = PrimaryCCD.getBinY();
  return {PrimaryCCD.getSubX() / bx, PrimaryCCD.getSubY() / by, PrimaryCCD.getSubW() / bx,
          PrimaryCCD.getSubH() / by};
}

bool TqusbCcd::ShutterOpenFor() const {
  const auto type = PrimaryCCD.getFrameType();
  return type == INDI::CCDChip::LIGHT_FRAME || type == INDI::CCDChip::FLAT_FRAME;
}

bool TqusbCcd::RefuseWhileBusy(const char* what) {
  if (!worker_.Busy()) return false;
  LOGF_ERROR("Cannot %s: the camera is still busy with a readout or filter move.", what);
  return true;
}

// Binning and read mode decide the image's size and depth: they stay as they
// are from the start of an exposure to the end of its readout.
bool TqusbCcd::RefuseDuringExposure(const char* what) {
  if (phase_ == Phase::Idle || phase_ == Phase::FilterMove) return RefuseWhileBusy(what);
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

  if (!BeginExposure(camera_.Get(), ShutterOpenFor())) {
    LOGF_ERROR("Exposure did not start: %s", camera_.LastError().c_str());
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
  if (!EndExposure(camera_.Get(), ShutterOpenFor(), false)) {
    LOGF_ERROR("Exposure did not end: %s", camera_.LastError().c_str());
    PrimaryCCD.setExposureFailed();
    return;
  }
  PrimaryCCD.setExposureLeft(0);
  if (!StartReadout(false, 0)) PrimaryCCD.setExposureFailed();
}

// Reads the image on the worker; with exposeToo the camera also times the
// exposure in the same call.
bool TqusbCcd::StartReadout(bool exposeToo, double seconds) {
  const Window w = ReadoutWindow();
  const bool eightBit = eightBit_;
  image_.assign(size_t(w.width) * w.height * (eightBit ? 1 : 2), 0);
  TQCAMERA camera = camera_.Get();
  const bool shutter = ShutterOpenFor();
  const bool stamp = traits_.gps;
  uint8_t* buffer = image_.data();
  const auto size = static_cast<uint32_t>(image_.size());
  imageTime_.clear();
  stampError_.clear();
  auto job = [=, this]() {
    bool ok;
    if (exposeToo)
      ok = eightBit ? GetImageExposure8b(camera, seconds, shutter, w.x, w.y, w.width, w.height,
                                         size, buffer)
                    : GetImageExposure16b(camera, seconds, shutter, w.x, w.y, w.width, w.height,
                                          size, buffer);
    else
      ok = eightBit ? GetImage8b(camera, w.x, w.y, w.width, w.height, size, buffer)
                    : GetImage16b(camera, w.x, w.y, w.width, w.height, size, buffer);
    JobResult r{ok, ok ? std::string() : camera_.LastError()};
    if (ok && stamp) {
      imageTime_ = TimeStampText(camera);
      if (imageTime_.empty()) stampError_ = camera_.LastError();
    }
    return r;
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
  } else {
    ccd->ArmJobPoll();
  }
}

void TqusbCcd::FinishJob(const JobResult& result) {
  const Phase phase = phase_;
  phase_ = Phase::Idle;
  if (phase == Phase::FilterMove) {
    FinishFilterMove(result);
  } else {
    FinishExposure(result);
  }
  // A plug notice that came while the job ran is handled now.
  if (unplugged_ && camera_.Connected()) OnCameraNotice(true);
}

void TqusbCcd::FinishExposure(const JobResult& result) {
  if (aborted_ || !isConnected()) return;
  if (!result.ok) {
    LOGF_ERROR("Readout failed: %s", result.error.c_str());
    PrimaryCCD.setExposureFailed();
    return;
  }
  if (!stampError_.empty())
    LOGF_WARN("No time stamp from the camera (%s); DATE-OBS is the host's clock.",
              stampError_.c_str());
  const Window w = ReadoutWindow();
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
      if (!EndExposure(camera_.Get(), ShutterOpenFor(), false))
        LOGF_WARN("Ending the aborted exposure failed: %s", camera_.LastError().c_str());
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
  if (x < 0 || y < 0 || w < 1 || h < 1 || uint32_t(x + w) > traits_.width ||
      uint32_t(y + h) > traits_.height) {
    LOGF_ERROR("Frame %d,%d %dx%d does not lie on the %ux%u sensor.", x, y, w, h, traits_.width,
               traits_.height);
    return false;
  }
  PrimaryCCD.setFrame(x, y, w, h);
  return true;
}

bool TqusbCcd::UpdateCCDBin(int hor, int ver) {
  if (RefuseDuringExposure("change the binning")) return false;
  if (!SetBinning(camera_.Get(), hor, ver)) {
    LOGF_ERROR("Binning %dx%d refused: %s", hor, ver, camera_.LastError().c_str());
    return false;
  }
  PrimaryCCD.setBin(hor, ver);
  return UpdateCCDFrame(PrimaryCCD.getSubX(), PrimaryCCD.getSubY(), PrimaryCCD.getSubW(),
                        PrimaryCCD.getSubH());
}

}  // namespace tqindi
