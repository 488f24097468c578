// The exposure of a camera unit: started and ended on the worker, timed by
// the host (generations 1 to 5, so it can be stopped or aborted and other
// jobs run meanwhile) or by the camera (generation 0), then read out into a
// column-major image.
#include "alpaca_error.h"
#include "camera_unit.h"

namespace tqalpaca {
namespace {

double SecondsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

}  // namespace

void CameraUnit::StartExposure(double seconds, bool light) {
  Call([this, seconds, light] {
    if (!camera_) throw AlpacaError(kNotConnected, "the camera is not connected");
    uint32_t binX, binY;
    bool cameraTimed;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (status_.state == CameraState::Exposing || status_.state == CameraState::Reading ||
          cameraTimedPending_)
        throw AlpacaError(kInvalidOperation, "an exposure is already running");
      binX = status_.binX;
      binY = status_.binY;
      cameraTimed = status_.caps.generation == 0;
    }
    camera_->SetBinning(binX, binY);
    if (!cameraTimed) camera_->BeginExposure(light);
    std::lock_guard<std::mutex> hold(lock_);
    status_.state = CameraState::Exposing;
    status_.errorText.clear();
    status_.duration = seconds;
    status_.light = light;
    status_.stopRequested = false;
    status_.exposureStart = Clock::now();
    status_.window = {status_.startX, status_.startY, status_.numX, status_.numY};
    status_.image.reset();
    status_.lastStartUtc = tqusb::IsoText(tqusb::UtcDateTime(std::chrono::system_clock::now()));
    status_.lastDuration.reset();
    cameraTimedPending_ = cameraTimed;
  });
}

void CameraUnit::StopExposure() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (status_.state != CameraState::Exposing) return;
    status_.stopRequested = true;
  }
  Wake();
}

void CameraUnit::AbortExposure() {
  Call([this] {
    bool end = false, light = true;
    {
      std::lock_guard<std::mutex> hold(lock_);
      end = status_.state == CameraState::Exposing && camera_ && status_.present;
      light = status_.light;
      if (status_.state == CameraState::Exposing || status_.state == CameraState::Error)
        status_.state = CameraState::Idle;
      status_.stopRequested = false;
    }
    if (end) ::EndExposure(camera_->Handle(), light, false);  // the image is not wanted
  });
}

void CameraUnit::FinishExposure() {
  double seconds;
  bool cameraTimed;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (status_.state != CameraState::Exposing) return;
    cameraTimed = cameraTimedPending_;
    const double elapsed = SecondsBetween(status_.exposureStart, Clock::now());
    if (!cameraTimed && !status_.stopRequested && elapsed < status_.duration) return;
    seconds = cameraTimed ? status_.duration : std::min(elapsed, status_.duration);
    if (!cameraTimed) status_.state = CameraState::Reading;
  }
  ReadOut(seconds, cameraTimed);
}

void CameraUnit::ReadOut(double seconds, bool cameraTimed) {
  tqusb::Window w;
  bool light, eightBit, gps;
  {
    std::lock_guard<std::mutex> hold(lock_);
    w = status_.window;
    light = status_.light;
    const tqusb::Caps& c = status_.caps;
    eightBit =
        c.generation >= 2 && c.readMode < TQ_CAPS_READ_MODES && c.readModeBits[c.readMode] == 8;
    gps = c.gps;
  }
  std::string error;
  std::shared_ptr<Image> image;
  std::optional<std::string> stamp;
  try {
    const size_t bytes = size_t{w.width} * w.height * (eightBit ? 1 : 2);
    std::vector<uint8_t> rows(bytes);
    auto* rows16 = reinterpret_cast<uint16_t*>(rows.data());
    if (cameraTimed) {
      camera_->Expose16(seconds, light, w, rows16, bytes);
      std::lock_guard<std::mutex> hold(lock_);
      status_.state = CameraState::Reading;
    } else {
      camera_->EndExposure(light);
      if (eightBit)
        camera_->Read8(w, rows.data(), bytes);
      else
        camera_->Read16(w, rows16, bytes);
    }
    image = std::make_shared<Image>(FromRows(rows.data(), w.width, w.height, eightBit ? 1 : 2));
    if (gps) {
      try {
        stamp = tqusb::IsoText(camera_->TimeStamp());
      } catch (const tqusb::Error&) {
        // No fix yet: the host's clock at the start stands.
      }
    }
  } catch (const tqusb::Error& e) {
    error = e.Text();
  } catch (const std::bad_alloc&) {
    error = "not enough memory for the image";
  }
  std::lock_guard<std::mutex> hold(lock_);
  cameraTimedPending_ = false;
  status_.stopRequested = false;
  if (status_.state != CameraState::Reading) return;  // aborted or unplugged meanwhile
  if (!error.empty()) {
    status_.state = CameraState::Error;
    status_.errorText = error;
    return;
  }
  status_.state = CameraState::Idle;
  status_.image = std::move(image);
  status_.lastDuration = seconds;
  if (stamp) status_.lastStartUtc = stamp;
}

}  // namespace tqalpaca
