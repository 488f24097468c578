// tqusb.Camera: one open camera. Every call that talks to the camera runs
// with the GIL released, so other Python threads go on meanwhile; a lock per
// object keeps two threads from driving the same camera at once, which the
// library does not allow.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include "values.h"

namespace tqpy {

namespace {

using Clock = std::chrono::steady_clock;

// Host-timed exposures and guiding waits sleep in slices this long, and
// between slices look for Ctrl-C with the GIL held.
constexpr std::chrono::milliseconds kSlice{50};

// Where and how the next readout goes, decided before the exposure starts.
struct Plan {
  tqusb::Window window;
  uint32_t bits = 16;
  bool shutter = true;
};

class PyCamera {
 public:
  explicit PyCamera(uint32_t id) : id_(id) {
    py::gil_scoped_release unlocked;
    camera_.emplace(id);
    RememberCamera(camera_->Handle(), id);
    camera_->Notify(NotifyQueue());
    try {
      UseDeepestMode(*camera_);
    } catch (...) {
      // No object comes to be: the handle is released here.
      camera_->Notify(nullptr);
      ForgetCamera(camera_->Handle());
      camera_.reset();
      throw;
    }
  }
  ~PyCamera() { Close(); }

  void Close() {
    py::gil_scoped_release unlocked;
    std::lock_guard<std::mutex> hold(lock_);
    if (!camera_) return;
    camera_->Notify(nullptr);
    ForgetCamera(camera_->Handle());
    camera_.reset();
  }

  // Runs work on the camera with the GIL released and the camera's lock held.
  template <typename Work>
  auto Run(Work&& work) {
    py::gil_scoped_release unlocked;
    std::lock_guard<std::mutex> hold(lock_);
    return work(Open());
  }

  tqusb::Camera& Open() {
    if (!camera_) throw Closed("the camera is closed");
    // Pending device notices of this thread first, so that a camera plugged
    // back in is connected again before it is used.
    tqPumpEvents(0);
    return *camera_;
  }

  uint32_t Id() const { return id_; }

  CameraInfo Info() {
    return Run([](tqusb::Camera& c) {
      c.RefreshCapabilities();
      return InfoOf(c);
    });
  }

  bool Connected() {
    return Run([](tqusb::Camera& c) { return c.Connected(); });
  }

  // ---- exposure ----

  py::array Expose(double seconds, const py::object& bin, const py::object& roi,
                   const py::object& mode, bool dark) {
    CheckSeconds(seconds);
    Plan plan = Prepare(bin, roi, mode, dark);
    if (generation_ == 0) {
      // Generation 0 times its exposures itself and cannot end one early:
      // one call, and Ctrl-C takes effect when it returns.
      py::array frame = NewFrame(plan);
      void* pixels = frame.mutable_data();
      const size_t bytes = static_cast<size_t>(frame.nbytes());
      Run([&](tqusb::Camera& c) {
        c.Expose16(seconds, plan.shutter, plan.window, static_cast<uint16_t*>(pixels), bytes);
      });
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
      return frame;
    }
    BeginPlanned(plan);
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                        std::chrono::duration<double>(seconds));
    WaitUntil(end, [&] {
      // Ctrl-C: the exposure is ended so the camera is ready for the next.
      try {
        Run([&](tqusb::Camera& c) { c.EndExposure(plan.shutter); });
      } catch (const std::exception&) {
      }
      pending_.reset();
    });
    EndPlanned();
    return ReadPlanned();
  }

  void BeginExposure(const py::object& bin, const py::object& roi, const py::object& mode,
                     bool dark) {
    BeginPlanned(Prepare(bin, roi, mode, dark));
  }
  void EndExposure() {
    if (!pending_) throw InvalidValue("no exposure was begun (begin_exposure)");
    EndPlanned();
  }
  py::array ReadImage() {
    if (!pending_) throw InvalidValue("no exposure was begun (begin_exposure)");
    return ReadPlanned();
  }

  py::object LastTimestamp() {
    tqusb::DateTime t = Run([](tqusb::Camera& c) { return c.TimeStamp(); });
    return UtcDateTime(t);
  }

  // ---- cooling, fan, heating, gain ----

  float Temperature() {
    return Run([](tqusb::Camera& c) { return c.Value(TQ_VALUE_SENSOR_TEMPERATURE); });
  }
  std::optional<float> Setpoint() const { return setpoint_; }
  void SetSetpoint(float celsius) {
    Run([&](tqusb::Camera& c) {
      const TQCAMERACAPS& caps = c.Capabilities();
      if (caps.cooler && !(celsius >= caps.minSetPoint && celsius <= caps.maxSetPoint))
        throw InvalidValue("set point " + Number(celsius) + " C is outside " +
                           Number(caps.minSetPoint) + " .. " + Number(caps.maxSetPoint) + " C");
      c.SetTemperature(celsius);
    });
    setpoint_ = celsius;
  }
  std::optional<float> CoolerPower() {
    return Run([](tqusb::Camera& c) -> std::optional<float> {
      float power = 0;
      // Kinds 1 and 2 keep their power reading apart; the others answer it
      // as a value.
      if (!ReadPowerUtilization(c.Handle(), &power)) power = c.Value(TQ_VALUE_POWER_UTILIZATION);
      if (power < 0) return std::nullopt;
      return power;
    });
  }
  std::optional<int> Fan() const { return fan_; }
  void SetFan(int value) {
    CheckByte("fan", value);
    Run([&](tqusb::Camera& c) { c.SetFan(static_cast<uint8_t>(value)); });
    fan_ = value;
  }
  std::optional<int> WindowHeating() const { return heating_; }
  void SetWindowHeating(int level) {
    CheckByte("window heating", level);
    Run([&](tqusb::Camera& c) { c.SetWindowHeating(static_cast<uint8_t>(level)); });
    heating_ = level;
  }
  std::optional<int> Gain() const { return gain_; }
  void SetGain(int gain) {
    Run([&](tqusb::Camera& c) {
      const TQCAMERACAPS& caps = c.Capabilities();
      if (caps.gain && (gain < 0 || static_cast<uint32_t>(gain) > caps.maxGain))
        throw InvalidValue("gain " + std::to_string(gain) + " is outside 0 .. " +
                           std::to_string(caps.maxGain));
      c.SetGain(static_cast<uint16_t>(std::clamp(gain, 0, 65535)));
    });
    gain_ = gain;
  }
  std::optional<double> GainDb() const {
    if (!gain_) return std::nullopt;
    return tqusb::GainInDecibels(static_cast<uint32_t>(*gain_)).first;
  }

  // ---- read modes, filters ----

  std::vector<ReadMode> ReadModes() {
    return Run([](tqusb::Camera& c) {
      const TQCAMERACAPS& caps = c.Capabilities();
      std::vector<ReadMode> modes;
      uint32_t index = 0;
      for (const std::string& name : c.ReadModes()) {
        const uint32_t bits = index < TQ_CAPS_READ_MODES ? caps.readModeBits[index] : 16;
        modes.push_back({index, name, bits ? bits : 16});
        ++index;
      }
      return modes;
    });
  }

  std::vector<FilterSlot> Filters() {
    return Run([](tqusb::Camera& c) {
      std::vector<FilterSlot> slots;
      uint32_t position = 0;
      for (const tqusb::Filter& f : c.Filters())
        slots.push_back({position++, f.name, f.colour, f.offset});
      return slots;
    });
  }
  std::optional<uint32_t> Filter() const { return filter_; }
  void SetFilter(const py::object& which) {
    const std::vector<FilterSlot> slots = Filters();
    const uint32_t count = Run([](tqusb::Camera& c) { return c.Capabilities().filters; });
    uint32_t position = 0;
    if (py::isinstance<py::str>(which)) {
      const std::string name = Lower(which.cast<std::string>());
      auto found = std::find_if(slots.begin(), slots.end(),
                                [&](const FilterSlot& s) { return Lower(s.name) == name; });
      if (found == slots.end()) throw InvalidValue("no filter named '" + which.cast<std::string>() +
                                                   "' (" + Names(slots) + ")");
      position = found->position;
    } else {
      const long value = which.cast<long>();
      if (value < 0 || static_cast<unsigned long>(value) >= std::max<uint32_t>(count, 1))
        throw InvalidValue("filter position " + std::to_string(value) + " is outside 0 .. " +
                           std::to_string(count ? count - 1 : 0));
      position = static_cast<uint32_t>(value);
    }
    // The call returns when the wheel has arrived.
    Run([&](tqusb::Camera& c) { c.SetFilter(static_cast<uint8_t>(position)); });
    filter_ = position;
  }

  // ---- guiding, GPS ----

  void Guide(int nsMs, int weMs, bool wait) {
    for (int ms : {nsMs, weMs})
      if (ms < -32768 || ms > 32767)
        throw InvalidValue("guide pulse " + std::to_string(ms) + " ms is outside -32768 .. 32767");
    // First axis west/east (right ascension), second north/south.
    Run([&](tqusb::Camera& c) {
      c.Guide(static_cast<uint16_t>(static_cast<int16_t>(weMs)),
              static_cast<uint16_t>(static_cast<int16_t>(nsMs)));
    });
    if (!wait) return;
    while (Guiding()) WaitUntil(Clock::now() + kSlice, [] {});
  }
  bool Guiding() {
    return Run([](tqusb::Camera& c) { return c.Guiding(); });
  }
  tqusb::GpsFix Gps() {
    return Run([](tqusb::Camera& c) { return c.Gps(); });
  }

 private:
  // Frames are 16-bit unless asked otherwise: the first read mode with the
  // most bits per pixel is selected (cameras whose modes start with 8-bit
  // ones would otherwise give 8-bit frames).
  static void UseDeepestMode(tqusb::Camera& c) {
    const TQCAMERACAPS& caps = c.Capabilities();
    const uint32_t count = std::min<uint32_t>(caps.readModes, TQ_CAPS_READ_MODES);
    uint32_t best = caps.readMode < count ? caps.readMode : 0;
    for (uint32_t i = 0; i < count; ++i)
      if (caps.readModeBits[i] > caps.readModeBits[best]) best = i;
    if (count > 1 && best != caps.readMode) {
      c.SetReadMode(best);
      c.RefreshCapabilities();
    }
  }

  static std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
  }
  static std::string Lower(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
  }
  static std::string Names(const std::vector<FilterSlot>& slots) {
    std::string names;
    for (const FilterSlot& s : slots) names += (names.empty() ? "" : ", ") + s.name;
    return names.empty() ? "the camera has no filters" : "filters: " + names;
  }
  static void CheckByte(const char* what, int value) {
    if (value < 0 || value > 255)
      throw InvalidValue(std::string(what) + " " + std::to_string(value) +
                         " is outside 0 .. 255");
  }
  void CheckSeconds(double seconds) {
    if (!(seconds >= 0) || !std::isfinite(seconds))
      throw InvalidValue("exposure time must be at least 0 seconds");
  }

  // Sleeps in slices until end; on Ctrl-C (or another signal handler's
  // exception) runs abort and raises it.
  template <typename Abort>
  void WaitUntil(Clock::time_point end, Abort&& abort) {
    for (;;) {
      const auto left = end - Clock::now();
      if (left <= Clock::duration::zero()) return;
      {
        py::gil_scoped_release unlocked;
        std::this_thread::sleep_for(std::min<Clock::duration>(left, kSlice));
      }
      if (PyErr_CheckSignals() != 0) {
        py::error_already_set raised;  // takes the pending error
        abort();
        throw raised;
      }
    }
  }

  // Checks and applies binning and read mode, and decides the window.
  Plan Prepare(const py::object& bin, const py::object& roi, const py::object& mode, bool dark) {
    uint32_t bx = 1, by = 1;
    if (py::isinstance<py::tuple>(bin) || py::isinstance<py::list>(bin)) {
      auto pair = bin.cast<std::vector<long>>();
      if (pair.size() != 2) throw InvalidValue("bin must be a number or (x, y)");
      bx = Positive("bin", pair[0]);
      by = Positive("bin", pair[1]);
    } else {
      bx = by = Positive("bin", bin.cast<long>());
    }
    std::optional<uint32_t> modeIndex;
    if (!mode.is_none()) modeIndex = ModeIndex(mode);
    std::optional<std::vector<long>> box;
    if (!roi.is_none()) {
      box = roi.cast<std::vector<long>>();
      if (box->size() != 4) throw InvalidValue("roi must be (x, y, width, height)");
    }
    return Run([&](tqusb::Camera& c) {
      const TQCAMERACAPS& caps = c.Capabilities();
      if (bx > caps.maxBinX || by > caps.maxBinY)
        throw InvalidValue("binning " + std::to_string(bx) + "x" + std::to_string(by) +
                           " is above the largest, " + std::to_string(caps.maxBinX) + "x" +
                           std::to_string(caps.maxBinY));
      if (modeIndex) {
        c.SetReadMode(*modeIndex);
        c.RefreshCapabilities();
      }
      c.SetBinning(bx, by);
      const TQCAMERACAPS& now = c.Capabilities();
      generation_ = now.generation;
      Plan plan;
      plan.shutter = !dark;
      plan.window = c.FullFrame(bx, by);
      if (box) {
        const tqusb::Window full = plan.window;
        const auto& b = *box;
        if (b[0] < 0 || b[1] < 0 || b[2] <= 0 || b[3] <= 0 || b[0] + b[2] > long(full.width) ||
            b[1] + b[3] > long(full.height))
          throw InvalidValue("roi (" + std::to_string(b[0]) + ", " + std::to_string(b[1]) + ", " +
                             std::to_string(b[2]) + ", " + std::to_string(b[3]) +
                             ") does not lie on the " + std::to_string(full.width) + "x" +
                             std::to_string(full.height) + " frame at this binning");
        plan.window = {uint32_t(b[0]), uint32_t(b[1]), uint32_t(b[2]), uint32_t(b[3])};
      }
      // Generations 0 and 1 deliver 16 bits whatever the mode.
      if (now.generation >= 2 && now.readModes > 0 && now.readMode < TQ_CAPS_READ_MODES &&
          now.readModeBits[now.readMode] == 8)
        plan.bits = 8;
      return plan;
    });
  }

  static uint32_t Positive(const char* what, long value) {
    if (value < 1 || value > 255)
      throw InvalidValue(std::string(what) + " " + std::to_string(value) + " must be 1 or more");
    return static_cast<uint32_t>(value);
  }

  uint32_t ModeIndex(const py::object& mode) {
    const std::vector<ReadMode> modes = ReadModes();
    if (py::isinstance<py::str>(mode)) {
      const std::string name = Lower(mode.cast<std::string>());
      for (const ReadMode& m : modes)
        if (Lower(m.name) == name) return m.index;
      std::string names;
      for (const ReadMode& m : modes) names += (names.empty() ? "" : ", ") + m.name;
      throw InvalidValue("no read mode named '" + mode.cast<std::string>() + "' (" +
                         (names.empty() ? "the camera has no read modes" : "modes: " + names) +
                         ")");
    }
    const long index = mode.cast<long>();
    if (index < 0 || static_cast<size_t>(index) >= std::max<size_t>(modes.size(), 1))
      throw InvalidValue("read mode " + std::to_string(index) + " is outside 0 .. " +
                         std::to_string(modes.empty() ? 0 : modes.size() - 1));
    return static_cast<uint32_t>(index);
  }

  static py::array NewFrame(const Plan& plan) {
    const std::vector<py::ssize_t> shape = {py::ssize_t(plan.window.height),
                                            py::ssize_t(plan.window.width)};
    if (plan.bits == 8) return py::array_t<uint8_t>(shape);
    return py::array_t<uint16_t>(shape);
  }

  void BeginPlanned(const Plan& plan) {
    Run([&](tqusb::Camera& c) { c.BeginExposure(plan.shutter); });
    pending_ = plan;
  }
  void EndPlanned() {
    const Plan plan = *pending_;
    Run([&](tqusb::Camera& c) { c.EndExposure(plan.shutter); });
  }
  py::array ReadPlanned() {
    const Plan plan = *pending_;
    py::array frame = NewFrame(plan);
    void* pixels = frame.mutable_data();
    const size_t bytes = static_cast<size_t>(frame.nbytes());
    Run([&](tqusb::Camera& c) {
      if (plan.bits == 8)
        c.Read8(plan.window, static_cast<uint8_t*>(pixels), bytes);
      else
        c.Read16(plan.window, static_cast<uint16_t*>(pixels), bytes);
    });
    pending_.reset();
    return frame;
  }

  const uint32_t id_;
  std::mutex lock_;
  std::optional<tqusb::Camera> camera_;
  std::optional<Plan> pending_;
  int32_t generation_ = 0;
  std::optional<float> setpoint_;
  std::optional<int> fan_, heating_, gain_;
  std::optional<uint32_t> filter_;
};

}  // namespace

void DefineCamera(py::module_& m) {
  py::class_<PyCamera>(m, "Camera", R"(An open camera.

Camera(id) opens the camera with that id (see tqusb.cameras()) on the calling
thread, which then carries its plug notices (see tqusb.events). It raises
NotConnectedError when the camera is not on the bus or another process has it.
Of the camera's read modes it selects the first with the most bits per pixel.
Use it as a context manager, or call close(), to let other programs have it.

Coordinates: frames are numpy arrays of shape (height, width), row 0 at the
top. Windows (roi) are (x, y, width, height) in output pixels, that is binned
pixels when bin is above 1, counted from the top-left corner. Times are in
seconds, temperatures in degrees Celsius.)")
      .def(py::init<uint32_t>(), py::arg("id"))
      .def("close", &PyCamera::Close, "Release the camera (also done on leaving a with block).")
      .def("__enter__", [](PyCamera& self) -> PyCamera& { return self; })
      .def("__exit__", [](PyCamera& self, py::args) { self.Close(); })
      .def_property_readonly("id", &PyCamera::Id, "Camera id.")
      .def_property_readonly("info", &PyCamera::Info, "CameraInfo of this camera.")
      .def_property_readonly("connected", &PyCamera::Connected,
                             "The camera is connected now (False while unplugged).")
      .def("expose", &PyCamera::Expose, py::arg("seconds"), py::arg("bin") = 1,
           py::arg("roi") = py::none(), py::arg("mode") = py::none(), py::arg("dark") = false,
           R"(Expose for ``seconds`` and read the frame.

bin: factor for both axes, or (x, y). roi: (x, y, width, height) in binned
pixels; None is the whole sensor at this binning. mode: read mode index or
name (None keeps the current one: the mode with the most bits per pixel
unless another was chosen). dark: keep the shutter closed.

Returns a numpy array of shape (height, width), uint16, or uint8 in an 8-bit
read mode; the library writes into it directly. Generations 1 to 5 are timed
by the host: other threads run meanwhile, and Ctrl-C ends the exposure and
raises KeyboardInterrupt. Generation 0 times itself; Ctrl-C takes effect
when its readout has ended.)")
      .def("begin_exposure", &PyCamera::BeginExposure, py::arg("bin") = 1,
           py::arg("roi") = py::none(), py::arg("mode") = py::none(), py::arg("dark") = false,
           "Start an exposure the host times (generations 1 to 5); arguments as for expose. "
           "Then end_exposure() and read_image().")
      .def("end_exposure", &PyCamera::EndExposure, "End the exposure begun by begin_exposure().")
      .def("read_image", &PyCamera::ReadImage,
           "Read the ended exposure: a numpy array (height, width) as expose returns.")
      .def_property_readonly("last_timestamp", &PyCamera::LastTimestamp,
                             "UTC start of the last exposure from the camera's GPS receiver, a "
                             "timezone-aware datetime (cameras with a receiver only).")
      .def_property_readonly("temperature", &PyCamera::Temperature,
                             "Sensor temperature, degrees Celsius.")
      .def_property("setpoint", &PyCamera::Setpoint, &PyCamera::SetSetpoint,
                    "Cooler set point, degrees Celsius; None until set by this object.")
      .def_property_readonly("cooler_power", &PyCamera::CoolerPower,
                             "Cooler power as a fraction 0..1; None when the camera reports none.")
      .def_property("fan", &PyCamera::Fan, &PyCamera::SetFan,
                    "Fan speed byte 0..255, passed to the camera; None until set.")
      .def_property("window_heating", &PyCamera::WindowHeating, &PyCamera::SetWindowHeating,
                    "Window heating level byte 0..255; None until set.")
      .def_property("gain", &PyCamera::Gain, &PyCamera::SetGain,
                    "Gain setting in steps of 0.1 dB (0..info.max_gain); None until set.")
      .def_property_readonly("gain_db", &PyCamera::GainDb,
                             "The gain setting in decibels; None until set.")
      .def_property_readonly("read_modes", &PyCamera::ReadModes, "List of ReadMode.")
      .def_property_readonly("filters", &PyCamera::Filters,
                             "List of Filter: the wheel's positions, names and focus offsets.")
      .def_property("filter", &PyCamera::Filter, &PyCamera::SetFilter,
                    "Wheel position (0 first); set it to a position or a filter name "
                    "(case ignored); setting returns when the wheel has arrived. None until set.")
      .def("guide", &PyCamera::Guide, py::arg("ns_ms"), py::arg("we_ms"), py::arg("wait") = false,
           R"(Send a guide pulse: signed milliseconds on the north/south and west/east
axes, the sign choosing the direction. Returns at once, or with wait=True
when the mount's movement has ended (see guiding).)")
      .def_property_readonly("guiding", &PyCamera::Guiding, "A guide pulse is still running.")
      .def("gps", &PyCamera::Gps, "Position and time from the camera's GPS receiver: a GpsFix.")
      .def("__repr__", [](PyCamera& self) {
        return "<tqusb.Camera " + std::to_string(self.Id()) + ">";
      });
}

}  // namespace tqpy
