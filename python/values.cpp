// The records of the module (CameraInfo, ReadMode, Filter, GpsFix) and the
// conversion of the library's UTC times to datetime.
#include "values.h"

#include <cmath>

namespace tqpy {

namespace {

// Capability names of CameraInfo.capabilities, one per flag of the record.
struct CapabilityName {
  const char* name;
  bool TQCAMERACAPS::*flag;
};
constexpr CapabilityName kCapabilities[] = {
    {"sub_frames", &TQCAMERACAPS::subFrames},     {"cooler", &TQCAMERACAPS::cooler},
    {"fan", &TQCAMERACAPS::fan},                  {"window_heater", &TQCAMERACAPS::windowHeater},
    {"guide_port", &TQCAMERACAPS::guidePort},     {"filter_wheel", &TQCAMERACAPS::filterWheel},
    {"gps", &TQCAMERACAPS::gps},                  {"shutter", &TQCAMERACAPS::shutter},
    {"gain", &TQCAMERACAPS::gain},
};

// The parameter words a version text is made of, joined with dots.
constexpr uint32_t kFirmwareWords[] = {TQ_INT_FIRMWARE_VERSION_1, TQ_INT_FIRMWARE_VERSION_2,
                                       TQ_INT_FIRMWARE_VERSION_3, TQ_INT_FIRMWARE_VERSION_4,
                                       TQ_INT_FIRMWARE_VERSION_5};
constexpr uint32_t kLibraryWords[] = {TQ_INT_LIBRARY_MAJOR, TQ_INT_LIBRARY_MINOR,
                                      TQ_INT_LIBRARY_RELEASE};

template <size_t N>
std::string VersionText(const tqusb::Camera& camera, const uint32_t (&words)[N]) {
  std::string text;
  for (uint32_t index : words)
    if (auto v = camera.Integer(index)) text += (text.empty() ? "" : ".") + std::to_string(*v);
  return text;
}

}  // namespace

CameraInfo InfoOf(const tqusb::Camera& camera) {
  const TQCAMERACAPS& caps = camera.Capabilities();
  CameraInfo info;
  info.id = caps.id;
  info.model = tqusb::detail::Trimmed(caps.model, sizeof caps.model);
  info.width = caps.width;
  info.height = caps.height;
  info.pixelWidth = caps.pixelWidth;
  info.pixelHeight = caps.pixelHeight;
  info.generation = caps.generation;
  info.maxBinX = caps.maxBinX;
  info.maxBinY = caps.maxBinY;
  info.minExposure = caps.minExposure;
  info.maxExposure = caps.maxExposure;
  for (const CapabilityName& c : kCapabilities)
    if (caps.*c.flag) info.capabilities.push_back(c.name);
  info.filters = caps.filters;
  info.maxGain = caps.maxGain;
  info.readMode = caps.readMode;
  info.minSetPoint = caps.minSetPoint;
  info.maxSetPoint = caps.maxSetPoint;
  info.firmware = VersionText(camera, kFirmwareWords);
  info.libraryVersion = VersionText(camera, kLibraryWords);
  info.serial = camera.Text(TQ_STRING_TEXT_2).value_or("");
  return info;
}

py::object UtcDateTime(const tqusb::DateTime& t) {
  py::module_ datetime = py::module_::import("datetime");
  const double whole = std::floor(t.second);
  const long micro = std::lround((t.second - whole) * 1e6);
  py::object base = datetime.attr("datetime")(t.year, t.month, t.day, t.hour, t.minute,
                                               static_cast<int>(whole), 0,
                                               datetime.attr("timezone").attr("utc"));
  // Added, so that 59.9999996 s rounds into the next minute instead of failing.
  return base + datetime.attr("timedelta")(py::arg("microseconds") = micro);
}

void DefineValues(py::module_& m) {
  py::class_<ReadMode>(m, "ReadMode", "A read mode of the camera.")
      .def_readonly("index", &ReadMode::index, "Position in Camera.read_modes (0 first).")
      .def_readonly("name", &ReadMode::name, "The camera's name for the mode.")
      .def_readonly("bits", &ReadMode::bits,
                    "Bits per pixel it delivers: 8 (frames are uint8) or 16 (uint16).")
      .def("__repr__", [](const ReadMode& r) {
        return "<tqusb.ReadMode " + std::to_string(r.index) + " '" + r.name + "' " +
               std::to_string(r.bits) + "-bit>";
      });

  py::class_<FilterSlot>(m, "Filter", "A filter-wheel position and what it holds.")
      .def_readonly("position", &FilterSlot::position, "Wheel position, 0 first.")
      .def_readonly("name", &FilterSlot::name, "Filter name from the settings (may be empty).")
      .def_readonly("colour", &FilterSlot::colour, "Display colour 0xBBGGRR (red in the low byte).")
      .def_readonly("offset", &FilterSlot::offset,
                    "Focus offset; micrometres where the camera says so, else focuser steps.")
      .def("__repr__", [](const FilterSlot& f) {
        return "<tqusb.Filter " + std::to_string(f.position) + " '" + f.name +
               "' offset=" + std::to_string(f.offset) + ">";
      });

  py::class_<tqusb::GpsFix>(m, "GpsFix", "Position and time from the camera's GPS receiver.")
      .def_readonly("latitude", &tqusb::GpsFix::latitude, "Degrees, north positive.")
      .def_readonly("longitude", &tqusb::GpsFix::longitude, "Degrees, east positive.")
      .def_readonly("altitude", &tqusb::GpsFix::altitude, "In the receiver's unit.")
      .def_readonly("satellites", &tqusb::GpsFix::satellites, "Satellites in use.")
      .def_readonly("valid", &tqusb::GpsFix::valid, "The receiver has a fix.")
      .def_property_readonly(
          "time", [](const tqusb::GpsFix& f) { return UtcDateTime(f.time); },
          "The receiver's time now, a timezone-aware datetime in UTC.")
      .def("__repr__", [](const tqusb::GpsFix& f) {
        return "<tqusb.GpsFix " + std::to_string(f.latitude) + " " + std::to_string(f.longitude) +
               (f.valid ? " fix>" : " no fix>");
      });

  py::class_<CameraInfo>(m, "CameraInfo", "What a camera is and can do.")
      .def_readonly("id", &CameraInfo::id, "Camera id, to pass to Camera(id).")
      .def_readonly("model", &CameraInfo::model)
      .def_readonly("width", &CameraInfo::width, "Sensor width, unbinned pixels.")
      .def_readonly("height", &CameraInfo::height, "Sensor height, unbinned pixels.")
      .def_property_readonly(
          "pixel_size",
          [](const CameraInfo& i) -> py::object {
            if (i.pixelWidth <= 0 || i.pixelHeight <= 0) return py::none();
            return py::make_tuple(i.pixelWidth, i.pixelHeight);
          },
          "(width, height) of one unbinned pixel in micrometres; None when not known.")
      .def_readonly("generation", &CameraInfo::generation, "Protocol generation 0..5.")
      .def_property_readonly(
          "max_binning", [](const CameraInfo& i) { return py::make_tuple(i.maxBinX, i.maxBinY); },
          "Largest (horizontal, vertical) binning factors.")
      .def_readonly("min_exposure", &CameraInfo::minExposure, "Shortest exposure, seconds.")
      .def_readonly("max_exposure", &CameraInfo::maxExposure,
                    "Longest exposure the camera times itself, seconds (host-timed exposures "
                    "on generations 1 to 5 may be longer).")
      .def_property_readonly(
          "capabilities",
          [](const CameraInfo& i) {
            py::set names;
            for (const std::string& n : i.capabilities) names.add(n);
            return py::frozenset(names);
          },
          "Names of what the camera has: sub_frames, cooler, fan, window_heater, guide_port, "
          "filter_wheel, gps, shutter, gain.")
      .def_readonly("filters", &CameraInfo::filters, "Filter-wheel positions, 0 without a wheel.")
      .def_readonly("max_gain", &CameraInfo::maxGain, "Largest gain setting (0.1 dB steps).")
      .def_readonly("read_mode", &CameraInfo::readMode,
                    "Index of the current read mode (Camera.read_modes), 0 without modes.")
      .def_property_readonly(
          "setpoint_range",
          [](const CameraInfo& i) { return py::make_tuple(i.minSetPoint, i.maxSetPoint); },
          "(lowest, highest) cooler set point in degrees Celsius; (0, 0) without a cooler.")
      .def_readonly("firmware", &CameraInfo::firmware,
                    "Firmware version words joined with dots, e.g. \"1289.30.6.3\".")
      .def_readonly("library_version", &CameraInfo::libraryVersion,
                    "Version of the loaded camera library, \"major.minor.release\".")
      .def_readonly("serial", &CameraInfo::serial, "The camera's serial text (may be empty).")
      .def("__repr__", [](const CameraInfo& i) {
        return "<tqusb.CameraInfo " + std::to_string(i.id) + " '" + i.model + "' " +
               std::to_string(i.width) + "x" + std::to_string(i.height) + " generation " +
               std::to_string(i.generation) + ">";
      });
}

}  // namespace tqpy
