#include "camera_unit.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <future>

#include "alpaca_error.h"
#include "utc_time.h"

namespace tqalpaca {
namespace {

using std::chrono::milliseconds;

// Temperatures and cooler power are read this often; members answer the
// last reading, so they never wait for the camera.
constexpr auto kReadingsPeriod = std::chrono::seconds(2);
// The longest the worker sleeps without a reason to wake.
constexpr auto kIdleWait = milliseconds(250);

double SecondsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// Generations that read the heat-sink temperature and the cooler power as
// measured values; camera kinds 1 and 2 have a power request of their own.
bool HasSecondReadings(const tqusb::Caps& caps) {
  return caps.generation == 1 || caps.generation == 4 || caps.generation == 5;
}

}  // namespace

CameraUnit::CameraUnit(uint32_t id, std::string model, const tqusb::Caps& probed)
    : id_(id), model_(std::move(model)), probed_(probed) {
  wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  worker_ = std::thread([this] { Loop(); });
}

CameraUnit::~CameraUnit() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
  }
  Wake();
  worker_.join();
  if (wakeFd_ >= 0) close(wakeFd_);
}

void CameraUnit::Post(std::function<void()> job) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (stopping_) throw AlpacaError(kNotConnected, "the server is shutting down");
    jobs_.push_back(std::move(job));
  }
  Wake();
}

void CameraUnit::Wake() {
  const uint64_t one = 1;
  if (wakeFd_ >= 0 && write(wakeFd_, &one, sizeof one) < 0) {
    // The counter is already non-zero: the worker wakes anyway.
  }
}

void CameraUnit::Call(std::function<void()> job) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> result = done->get_future();
  Post([done, job = std::move(job)] {
    try {
      job();
      done->set_value();
    } catch (...) {
      done->set_exception(std::current_exception());
    }
  });
  try {
    result.get();
  } catch (const tqusb::Error& e) {
    throw FromLibrary(e);
  }
}

void CameraUnit::Run(const std::function<void(tqusb::Camera&)>& job) {
  Call([this, &job] {
    if (!camera_) throw AlpacaError(kNotConnected, "the camera is not connected");
    job(*camera_);
  });
}

void CameraUnit::Connect(Role role) {
  Call([this, role] {
    if (!camera_) OpenCamera();
    std::lock_guard<std::mutex> hold(lock_);
    (role == Role::Camera ? status_.cameraConnected : status_.wheelConnected) = true;
  });
}

void CameraUnit::Disconnect(Role role) {
  Call([this, role] {
    bool keep = false;
    {
      std::lock_guard<std::mutex> hold(lock_);
      (role == Role::Camera ? status_.cameraConnected : status_.wheelConnected) = false;
      keep = status_.cameraConnected || status_.wheelConnected;
    }
    if (!keep) CloseCamera();
  });
}

void CameraUnit::OpenCamera() {
  camera_ = std::make_unique<tqusb::Camera>(id_);
  {
    std::lock_guard<std::mutex> hold(lock_);
    CameraStatus fresh;
    fresh.cameraConnected = status_.cameraConnected;
    fresh.wheelConnected = status_.wheelConnected;
    status_ = std::move(fresh);
  }
  LoadCaps();
  std::lock_guard<std::mutex> hold(lock_);
  status_.open = status_.present = true;
  status_.numX = status_.caps.width;
  status_.numY = status_.caps.height;
  nextReadings_ = Clock::now();
}

void CameraUnit::CloseCamera() {
  if (camera_) {
    std::lock_guard<std::mutex> hold(lock_);
    if (status_.state == CameraState::Exposing && status_.caps.generation != 0) {
      // Best effort: the camera is released either way.
      ::EndExposure(camera_->Handle(), status_.light, false);
    }
  }
  camera_.reset();
  std::lock_guard<std::mutex> hold(lock_);
  const bool camera = status_.cameraConnected, wheel = status_.wheelConnected;
  status_ = CameraStatus{};
  status_.cameraConnected = camera;
  status_.wheelConnected = wheel;
  cameraTimedPending_ = false;
}

void CameraUnit::LoadCaps() {
  tqusb::Caps caps = camera_->Capabilities();
  std::vector<std::string> modes = camera_->ReadModes();
  std::vector<tqusb::Filter> filters =
      caps.filterWheel ? camera_->Filters() : std::vector<tqusb::Filter>{};
  std::lock_guard<std::mutex> hold(lock_);
  status_.caps = caps;
  status_.readModes = std::move(modes);
  status_.filters = std::move(filters);
}

void CameraUnit::CheckPresence() {
  const bool present = camera_->Connected();
  bool returned = false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (present == status_.present) return;
    status_.present = present;
    returned = present;
    if (!present && (status_.state == CameraState::Exposing || cameraTimedPending_)) {
      std::string why = camera_->LastError();
      if (why.empty()) why = tqusb::kNotConnectedText;
      status_.state = CameraState::Error;
      status_.errorText = why;
      cameraTimedPending_ = false;
    }
    if (!present) status_.readings = Readings{};
  }
  if (returned) {
    camera_->RefreshCapabilities();
    try {
      LoadCaps();
    } catch (const tqusb::Error&) {
      // Gone again: the next check sees it.
    }
    nextReadings_ = Clock::now();
  }
}

void CameraUnit::RefreshReadings() {
  nextReadings_ = Clock::now() + kReadingsPeriod;
  tqusb::Caps caps;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!status_.present) return;
    caps = status_.caps;
  }
  Readings r;
  try {
    r.sensor = camera_->Value(TQ_VALUE_SENSOR_TEMPERATURE);
    if (HasSecondReadings(caps)) r.heatSink = camera_->Value(TQ_VALUE_SECOND_TEMPERATURE);
    if (caps.cooler) {
      std::optional<float> power;
      if (caps.kind == 1 || caps.kind == 2)
        power = camera_->PowerUtilization();
      else if (HasSecondReadings(caps))
        power = camera_->Value(TQ_VALUE_POWER_UTILIZATION);
      if (power && *power >= 0) r.coolerPower = std::clamp(*power, 0.0f, 1.0f) * 100.0f;
    }
  } catch (const tqusb::Error& e) {
    r.error = e.Text();
  }
  std::lock_guard<std::mutex> hold(lock_);
  status_.readings = r;
}

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
    status_.lastStartUtc = FitsTime(std::chrono::system_clock::now());
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

void CameraUnit::MoveWheel(int position) {
  int previous;
  {
    std::lock_guard<std::mutex> hold(lock_);
    previous = status_.wheelPosition;
    status_.wheelPosition = -1;
    status_.wheelError.clear();
  }
  Post([this, position, previous] {
    std::string error;
    try {
      if (!camera_)
        throw tqusb::Error("", tqusb::kNotConnectedText, tqusb::ErrorKind::NotConnected);
      camera_->SetFilter(static_cast<uint8_t>(position));
    } catch (const tqusb::Error& e) {
      error = e.Text();
    }
    std::lock_guard<std::mutex> hold(lock_);
    status_.wheelPosition = error.empty() ? position : previous;
    status_.wheelError = error;
  });
}

void CameraUnit::PulseGuide(int16_t firstAxisMs, int16_t secondAxisMs) {
  Run([&](tqusb::Camera& c) {
    c.Guide(static_cast<uint16_t>(firstAxisMs), static_cast<uint16_t>(secondAxisMs));
    const int longest = std::max(std::abs(int{firstAxisMs}), std::abs(int{secondAxisMs}));
    std::lock_guard<std::mutex> hold(lock_);
    status_.guideEnd = Clock::now() + milliseconds(longest);
  });
}

std::optional<Clock::time_point> CameraUnit::NextDeadline() const {
  std::lock_guard<std::mutex> hold(lock_);
  if (status_.state != CameraState::Exposing || cameraTimedPending_) return std::nullopt;
  return status_.exposureStart + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(status_.duration));
}

void CameraUnit::WaitForWork(Clock::time_point deadline) {
  pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {-1, POLLIN, 0}};
  if (camera_) fds[1].fd = tqEventFd();
  const auto now = Clock::now();
  const long ms =
      deadline <= now ? 0 : std::chrono::duration_cast<milliseconds>(deadline - now).count() + 1;
  poll(fds, fds[1].fd >= 0 ? 2 : 1, static_cast<int>(ms));
  uint64_t count;
  if (read(wakeFd_, &count, sizeof count) < 0) {
    // Nothing was posted: a timeout or a camera event.
  }
}

void CameraUnit::RunJobs() {
  for (;;) {
    std::function<void()> job;
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    // Jobs hand their failures to the waiting request; anything else that
    // escapes one must not end the worker.
    try {
      job();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "tqalpaca: camera %u: %s\n", id_, e.what());
    }
  }
}

void CameraUnit::Loop() {
  for (;;) {
    Clock::time_point deadline = Clock::now() + kIdleWait;
    if (camera_) deadline = std::min(deadline, nextReadings_);
    if (auto end = NextDeadline()) deadline = std::min(deadline, *end);
    WaitForWork(deadline);
    RunJobs();
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (stopping_ && jobs_.empty()) break;
    }
    if (!camera_) continue;
    try {
      tqPumpEvents(0);
      CheckPresence();
      FinishExposure();
      if (Clock::now() >= nextReadings_) RefreshReadings();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "tqalpaca: camera %u: %s\n", id_, e.what());
    }
  }
  CloseCamera();
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
        stamp = FitsTime(camera_->TimeStamp());
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
