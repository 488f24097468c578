// tqcam capture: set the camera up, expose COUNT frames, write each as FITS
// (and a PNG preview), and print one line per file.
#include <cmath>
#include <cstdio>

#include "capture_setup.h"
#include "commands.h"
#include "exposure.h"
#include "failure.h"
#include "fits_writer.h"
#include "interrupt.h"
#include "output_file.h"
#include "parameters.h"
#include "png_preview.h"
#include "progress.h"

namespace tqcam {

namespace {

struct CaptureSettings {
  double exposure = 0.0;
  Binning binning;
  Window window;
  ReadModeChoice mode;
  std::optional<uint32_t> filter;
  std::string filterName;
};

struct TypeName {
  FrameType type;
  const char* token;      // {type} in output names
  const char* imageType;  // IMAGETYP
  bool light;             // shutter open
};
constexpr TypeName kTypes[] = {
    {FrameType::Light, "light", "Light Frame", true},
    {FrameType::Dark, "dark", "Dark Frame", false},
    {FrameType::Bias, "bias", "Bias Frame", false},
    {FrameType::Flat, "flat", "Flat Field", true},
};

const TypeName& NameOf(FrameType type) {
  for (const TypeName& t : kTypes)
    if (t.type == type) return t;
  return kTypes[0];
}

std::string Printf(const char* format, double value) {
  char text[80];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Replaces {id}, {n} and {type} in the pattern; a pattern without {n} gets
// "-{n}" before its extension when more than one frame is taken.
std::string OutputName(std::string pattern, uint32_t id, unsigned n, unsigned count,
                       const std::string& type) {
  if (count > 1 && pattern.find("{n}") == std::string::npos) {
    const size_t dot = pattern.rfind('.');
    const size_t slash = pattern.rfind('/');
    const size_t at = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                          ? dot
                          : pattern.size();
    pattern.insert(at, "-{n}");
  }
  char number[16];
  std::snprintf(number, sizeof number, "%03u", n);
  for (const auto& [token, value] :
       {std::pair<std::string, std::string>{"{id}", std::to_string(id)},
        {"{n}", number},
        {"{type}", type}}) {
    for (size_t at; (at = pattern.find(token)) != std::string::npos;)
      pattern.replace(at, token.size(), value);
  }
  return pattern;
}

std::string PreviewName(const std::string& fits) {
  for (const char* ext : {".fits", ".fit", ".fts"}) {
    const std::string e = ext;
    if (fits.size() > e.size() && fits.compare(fits.size() - e.size(), e.size(), e) == 0)
      return fits.substr(0, fits.size() - e.size()) + ".png";
  }
  return fits + ".png";
}

FitsKeyword StartTime(const tqusb::Camera& camera, const ExposureResult& exposure) {
  // Only a camera with a GPS receiver stamps its images.
  if (camera.Capabilities().gps) {
    if (const auto t = IfGiven([&] { return camera.TimeStamp(); }))
      return {"DATE-OBS", tqusb::IsoText(*t),
              "UTC start of exposure, camera time stamp"};
  }
  return {"DATE-OBS", tqusb::IsoText(tqusb::UtcDateTime(exposure.hostStart)), "UTC start of exposure, host clock"};
}

// SITELAT and SITELONG from the camera's receiver, when it has a valid fix.
void AddSite(const tqusb::Camera& camera, std::vector<FitsKeyword>& keys) {
  if (!camera.Capabilities().gps) return;
  const auto fix = IfGiven([&] { return camera.Gps(); });
  if (!fix || !fix->valid) return;
  keys.push_back({"SITELAT", fix->latitude, "site latitude in degrees north, camera GPS"});
  keys.push_back({"SITELONG", fix->longitude, "site longitude in degrees east, camera GPS"});
}

std::string VersionText(const tqusb::Camera& camera, std::span<const uint32_t> indices) {
  std::string text;
  for (uint32_t index : indices) {
    if (auto v = camera.Integer(index)) text += (text.empty() ? "" : ".") + std::to_string(*v);
  }
  return text;
}

std::vector<FitsKeyword> Keywords(const tqusb::Camera& camera, const CaptureOptions& o,
                                  const CaptureSettings& s, const ExposureResult& exposure) {
  const tqusb::Caps& caps = camera.Capabilities();
  std::vector<FitsKeyword> keys = {
      {"EXPTIME", s.exposure, "exposure time in seconds"},
      StartTime(camera, exposure),
      {"IMAGETYP", std::string(NameOf(o.type).imageType), "type of image"},
      {"INSTRUME", camera.Text(TQ_STRING_MODEL_TEXT).value_or(""), "camera model"},
      {"CAMERAID", static_cast<long>(camera.Id()), "camera id"},
      {"FIRMWARE", VersionText(camera, kFirmwareWords), "camera firmware version words"},
      {"DRIVERVR", VersionText(camera, kLibraryVersion), "camera library version"},
      {"XBINNING", static_cast<long>(s.binning.x), "horizontal binning factor"},
      {"YBINNING", static_cast<long>(s.binning.y), "vertical binning factor"},
      {"XORGSUBF", static_cast<long>(s.window.x), "sub-frame origin x in binned pixels"},
      {"YORGSUBF", static_cast<long>(s.window.y), "sub-frame origin y in binned pixels"},
      {"ROWORDER", std::string("TOP-DOWN"), "first row in the file is the top row"},
  };
  if (s.mode.index) keys.push_back({"READMODE", s.mode.name, "camera read mode"});
  if (caps.pixelWidth > 0 && caps.pixelHeight > 0) {
    keys.push_back(
        {"XPIXSZ", double{caps.pixelWidth} * s.binning.x, "binned pixel width in micrometres"});
    keys.push_back(
        {"YPIXSZ", double{caps.pixelHeight} * s.binning.y, "binned pixel height in micrometres"});
  }
  if (auto serial = camera.Text(TQ_STRING_TEXT_2); serial && !serial->empty())
    keys.push_back({"SERIALNO", *serial, "camera serial text"});
  if (o.gain) {
    char comment[60];
    std::snprintf(comment, sizeof comment, "camera gain setting (%.1f dB)",
                  tqusb::GainInDecibels(*o.gain).first);
    keys.push_back({"GAIN", static_cast<long>(*o.gain), comment});
  }
  if (s.filter) keys.push_back({"FILTER", s.filterName, "filter in the light path"});
  if (const auto temperature = IfGiven([&] { return camera.Value(TQ_VALUE_SENSOR_TEMPERATURE); }))
    keys.push_back(
        {"CCD-TEMP", std::round(*temperature * 100.0) / 100.0, "sensor temperature in C"});
  if (o.temperature) keys.push_back({"SET-TEMP", *o.temperature, "cooler set point in C"});
  AddSite(camera, keys);
  keys.push_back({"SWCREATE", std::string("tqcam"), "acquisition program"});
  return keys;
}

// Everything the capture will ask of the camera, checked against what it can
// do before anything is sent.
CaptureSettings Plan(const tqusb::Camera& camera, const CaptureOptions& o) {
  const tqusb::Caps& caps = camera.Capabilities();
  CaptureSettings s;
  s.exposure = o.exposure.value_or(caps.minExposure);
  CheckExposure(camera, s.exposure);
  const ReadoutPlan readout = PlanReadout(camera, o.binning, o.roi, o.mode, o.eightBit);
  s.binning = readout.binning;
  s.window = readout.window;
  s.mode = readout.mode;
  if (o.gain) CheckGain(camera, *o.gain);
  if (!o.filter.empty()) {
    s.filter = ResolveFilter(camera, o.filter, &s.filterName);
    CheckFilterPosition(camera, *s.filter);
    if (s.filterName.empty()) s.filterName = std::to_string(*s.filter);
  }
  if (o.temperature) CheckSetPoint(camera, *o.temperature);
  return s;
}

void Apply(tqusb::Camera& camera, const CaptureOptions& o, const CaptureSettings& s) {
  if (s.mode.index) camera.SetReadMode(*s.mode.index);
  camera.SetBinning(s.binning.x, s.binning.y);
  if (o.gain) camera.SetGain(static_cast<uint16_t>(*o.gain));
  if (s.filter) camera.SetFilter(static_cast<uint8_t>(*s.filter));
  if (o.temperature) {
    camera.SetTemperature(static_cast<float>(*o.temperature));
    if (o.waitTemperature) WaitForTemperature(camera, *o.temperature, o.waitTimeout);
  }
}

// Writes the bytes under `path` through a temporary file.
void Save(const std::string& path, const std::vector<uint8_t>& bytes, bool overwrite) {
  OutputFile file(path, overwrite);
  interrupt::Blocking blocking;
  file.Write(bytes.data(), bytes.size());
  file.Commit();
}

}  // namespace

int Capture(const CaptureOptions& o) {
  // Checked before the camera is claimed, so a bad argument costs no exposure.
  if (o.exposure && (!(*o.exposure >= 0) || !std::isfinite(*o.exposure)))
    throw Failure(Printf("exposure time %g s: it must be 0 s or more", *o.exposure), kUsageStatus);
  if (o.type == FrameType::Bias && o.exposure && *o.exposure != 0)
    throw Failure("--bias: a bias frame has no exposure time; leave out -t", kUsageStatus);
  if (o.type != FrameType::Bias && !o.exposure)
    throw Failure("capture: -t SECONDS is required (a bias frame, --bias, has none)", kUsageStatus);
  if (o.count == 0) throw Failure("count: at least one frame", kUsageStatus);
  if (!(o.delay >= 0) || !std::isfinite(o.delay))
    throw Failure(Printf("delay %g s: it must be 0 s or more", o.delay), kUsageStatus);
  const std::string type = NameOf(o.type).token;
  for (unsigned n = 1; n <= o.count; ++n) {
    const std::string path = OutputName(o.output, o.id, n, o.count, type);
    CheckOutputPath(path, o.overwrite);
    if (o.png) CheckOutputPath(PreviewName(path), o.overwrite);
  }
  ParseBinning(o.binning);
  if (!o.roi.empty()) ParseWindow(o.roi);

  tqusb::Camera camera(o.id);
  const CaptureSettings settings = Plan(camera, o);
  Apply(camera, o, settings);
  ExposureRequest request{settings.exposure, NameOf(o.type).light, settings.mode.bits == 8,
                          settings.window, ""};

  for (unsigned n = 1; n <= o.count; ++n) {
    if (o.count > 1)
      request.label = "frame " + std::to_string(n) + "/" + std::to_string(o.count) + ": ";
    const ExposureResult exposure = Expose(camera, request);
    const std::vector<FitsKeyword> keys = Keywords(camera, o, settings, exposure);
    const std::string path = OutputName(o.output, o.id, n, o.count, type);
    Save(path, FitsFileBytes(path, exposure.frame, keys), o.overwrite);
    std::string preview;
    if (o.png) {
      preview = PreviewName(path);
      Save(preview, PngFileBytes(preview, exposure.frame), o.overwrite);
    }
    const FrameStats stats = Statistics(exposure.frame);
    std::printf("saved %s size=%ux%u bits=%d exptime=%g min=%u median=%u max=%u%s%s\n",
                path.c_str(), exposure.frame.width, exposure.frame.height, exposure.frame.bitDepth,
                settings.exposure, stats.min, stats.median, stats.max,
                preview.empty() ? "" : " preview=", preview.c_str());
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
      throw Failure("standard output: cannot write");
    if (n < o.count && o.delay > 0) {
      Progress progress;
      progress.Show("frame " + std::to_string(n + 1) + "/" + std::to_string(o.count) +
                    ": waiting " + Printf("%g s", o.delay));
      if (interrupt::SleepFor(o.delay)) throw Failure("interrupted", kInterruptedStatus);
    }
  }
  return 0;
}

}  // namespace tqcam
