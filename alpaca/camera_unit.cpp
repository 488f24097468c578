#include "camera_unit.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <future>

#include "alpaca_error.h"

namespace tqalpaca {
namespace {

using std::chrono::milliseconds;

// Temperatures and cooler power are read this often; members answer the
// last reading, so they never wait for the camera.
constexpr auto kReadingsPeriod = std::chrono::seconds(2);
// The longest the worker sleeps without a reason to wake.
constexpr auto kIdleWait = milliseconds(250);

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

// The first read mode with the most bits per pixel, where the camera has modes.
std::optional<uint32_t> DeepestReadMode(const tqusb::Caps& caps) {
  const uint32_t modes = std::min<uint32_t>(caps.readModes, TQ_CAPS_READ_MODES);
  if (modes == 0) return std::nullopt;
  uint32_t best = 0;
  for (uint32_t i = 1; i < modes; ++i)
    if (caps.readModeBits[i] > caps.readModeBits[best]) best = i;
  return best;
}

void CameraUnit::OpenCamera() {
  camera_ = std::make_unique<tqusb::Camera>(id_);
  // Opening sends no settings and the camera keeps what the previous host
  // set, so the read mode is chosen here; pixels are decoded by it.
  try {
    if (auto mode = DeepestReadMode(camera_->Capabilities())) {
      camera_->SetReadMode(*mode);
      camera_->RefreshCapabilities();
    }
  } catch (const tqusb::Error&) {
    camera_.reset();
    throw;
  }
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
    // A camera plugged in again starts from its own defaults: the settings
    // the clients made are sent again.
    std::optional<int> gain;
    std::optional<double> setPoint;
    uint32_t mode;
    bool cooler, modes;
    {
      std::lock_guard<std::mutex> hold(lock_);
      gain = status_.gain;
      setPoint = status_.setPoint;
      cooler = status_.coolerOn && status_.caps.cooler;
      mode = status_.caps.readMode;
      modes = !status_.readModes.empty();
    }
    try {
      if (modes) camera_->SetReadMode(mode);
      if (gain) camera_->SetGain(static_cast<uint16_t>(*gain));
      if (cooler && setPoint) camera_->SetTemperature(static_cast<float>(*setPoint));
      camera_->RefreshCapabilities();
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

}  // namespace tqalpaca
