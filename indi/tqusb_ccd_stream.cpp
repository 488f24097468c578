// Video streaming: back-to-back camera-timed exposures on the worker, each
// frame handed to INDI's stream manager, which sends it to the client and
// records it (SER) on threads of its own. Window, binning and read mode stay
// as they were when the stream started; the client changes them between
// streams. The exposure per frame follows the stream's exposure property.
#include <algorithm>

#include "tqusb_ccd.h"

namespace tqindi {

// The stream manager expects frames of the current window in output pixels,
// at the read mode's depth; it also sizes the recording from this.
void TqusbCcd::SyncStreamFormat() {
  if (!HasStreaming()) return;
  const tqusb::Window w = ReadoutWindow();
  Streamer->setPixelFormat(INDI_MONO, eightBit_ ? 8 : 16);
  Streamer->setSize(static_cast<uint16_t>(w.width), static_cast<uint16_t>(w.height));
}

// The client's exposure per frame, within what the camera times itself.
double TqusbCcd::StreamExposure() {
  const double wanted = Streamer->getTargetExposure();
  const double seconds = std::clamp(wanted, traits_.caps.minExposure, traits_.caps.maxExposure);
  if (seconds != wanted)
    LOGF_WARN("Streaming at %g s per frame; the camera times %g to %g s.", seconds,
              traits_.caps.minExposure, traits_.caps.maxExposure);
  return seconds;
}

// A stream asked to stop may still be reading its last frame: the next
// request waits for it (one frame at most) rather than being refused.
void TqusbCcd::SettleStoppedStream() {
  if (phase_ == Phase::Streaming && streamStop_) FinishJob(worker_.Finish());
}

bool TqusbCcd::StartStreaming() {
  SettleStoppedStream();
  if (unplugged_ || !CameraConnected()) {
    LOG_ERROR("Cannot start the video stream: the camera is not connected.");
    return false;
  }
  if (phase_ != Phase::Idle || worker_.Busy()) {
    LOG_ERROR("Cannot start the video stream during an exposure, readout or filter move.");
    return false;
  }
  SyncStreamFormat();
  streamExposure_ = StreamExposure();
  streamStop_ = false;
  recordClosing_ = false;  // the new stream's first frame closes it
  const tqusb::Window w = ReadoutWindow();
  const bool eightBit = eightBit_;
  const bool shutter = ShutterOpenFor();
  // One buffer for the whole stream; the stream manager copies each frame.
  streamFrame_.resize(size_t(w.width) * w.height * (eightBit ? 1 : 2));
  {
    std::lock_guard<std::mutex> lock(settingLock_);
    streamLoop_ = true;
    readingsRequest_.reset();
    readingsTaken_.reset();
  }
  if (!worker_.Start([=, this] { return StreamFrames(w, eightBit, shutter); })) {
    RunQueuedSetting(true);
    return false;
  }
  phase_ = Phase::Streaming;
  ArmJobPoll();
  return true;
}

// Called by the stream manager on the driver thread or on one of its own
// (when a recording with a frame or time limit ends): only the flag is set.
bool TqusbCcd::StopStreaming() {
  streamStop_ = true;
  return true;
}

// The worker's loop; a frame that ends after the stop is not sent.
JobResult TqusbCcd::StreamFrames(const tqusb::Window& w, bool eightBit, bool shutter) {
  uint8_t* frame = streamFrame_.data();
  // The vector's storage is aligned for any pixel type.
  auto* pixels16 = reinterpret_cast<uint16_t*>(frame);
  const size_t size = streamFrame_.size();
  JobResult refused;
  while (!streamStop_ && !refused) {
    RunQueuedSetting(false);
    const double seconds = streamExposure_;
    refused = Attempt([&](tqusb::Camera& c) {
      if (eightBit)
        c.Expose8(seconds, shutter, w, frame, size);
      else
        c.Expose16(seconds, shutter, w, pixels16, size);
    });
    if (!refused && !streamStop_) Streamer->newFrame(frame, static_cast<uint32_t>(size));
  }
  RunQueuedSetting(true);
  return refused;
}

// Worker, between two frames, and once more as the loop ends: a setting that
// came with the last frame is still made, later ones by the driver thread.
// A poll that is due takes the readings too (outside the lock, so the driver
// thread does not wait for them).
void TqusbCcd::RunQueuedSetting(bool last) {
  std::optional<Readings> readings;
  {
    std::lock_guard<std::mutex> lock(settingLock_);
    if (queuedSetting_ != nullptr) {
      settingResult_ = Attempt(*queuedSetting_);
      queuedSetting_ = nullptr;
      settingDone_.notify_all();
    }
    readings.swap(readingsRequest_);
    if (last) streamLoop_ = false;
  }
  if (!readings) return;
  TakeReadings(*readings);
  std::lock_guard<std::mutex> lock(settingLock_);
  readingsTaken_ = std::move(readings);
}

// Driver thread, when a poll is due while a stream runs: the worker takes
// the readings between two frames; the job poll publishes them.
void TqusbCcd::RequestReadings() {
  std::lock_guard<std::mutex> lock(settingLock_);
  if (streamLoop_) readingsRequest_ = WantedReadings();
}

void TqusbCcd::PublishTakenReadings() {
  std::optional<Readings> taken;
  {
    std::lock_guard<std::mutex> lock(settingLock_);
    taken.swap(readingsTaken_);
  }
  if (taken) PublishReadings(*taken);
}

// The camera serves one thread at a time: while the frame loop runs, the
// driver thread hands it the setting and waits (one frame at most).
std::optional<tqusb::Error> TqusbCcd::Setting(const CameraCalls& calls) {
  std::unique_lock<std::mutex> lock(settingLock_);
  if (!streamLoop_) {
    lock.unlock();
    return Attempt(calls);
  }
  queuedSetting_ = &calls;
  settingDone_.wait(lock, [this] { return queuedSetting_ == nullptr; });
  return settingResult_;
}

bool TqusbCcd::RefuseSettingWhileBusy(const char* what) {
  return phase_ != Phase::Streaming && RefuseWhileBusy(what);
}

// A stream the camera ended (unplugged, a failed transfer) is stopped in the
// stream manager too, which closes the recording with the frames it has.
void TqusbCcd::FinishStream(const JobResult& failed) {
  if (failed) LOGF_ERROR("The video stream stopped: %s", failed->Text().c_str());
  EndStream();
}

// Driver thread: stops the worker's loop and the stream manager's stream
// and recording, as the client's switches would; nothing when neither runs.
void TqusbCcd::EndStream() {
  streamStop_ = true;
  if (!Streamer) return;
  if (Streamer->isRecording()) {
    ISState off = ISS_ON;
    char element[] = "RECORD_OFF";
    char* names[] = {element};
    Streamer->ISNewSwitch(getDeviceName(), "RECORD_STREAM", &off, names, 1);
    recordClosing_ = true;
  }
  // The stream manager closes the file when the next frame comes (and does
  // not record that frame); once the worker has ended, its buffer serves.
  if (recordClosing_ && !worker_.Busy()) {
    recordClosing_ = false;
    Streamer->newFrame(streamFrame_.data(), static_cast<uint32_t>(streamFrame_.size()));
  }
  if (Streamer->isStreaming()) Streamer->setStream(false);
}

}  // namespace tqindi
