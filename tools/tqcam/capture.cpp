// tqcam capture: set the camera up, expose COUNT frames, write each as FITS
// (and a PNG preview), and print one line per file.
#include <cmath>
#include <cstdio>
#include <ctime>

#include "camera.h"
#include "capture_setup.h"
#include "commands.h"
#include "exposure.h"
#include "failure.h"
#include "fits_writer.h"
#include "interrupt.h"
#include "output_file.h"
#include "parameters.h"
#include "png_preview.h"

namespace tqcam {

namespace {

struct CaptureSettings {
  Binning binning;
  Window window;
  std::string modeName;
  std::string filterName;
  bool filterSet = false;
};

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

// UTC as FITS writes it: 2026-12-06T02:26:37.123.
std::string FitsTime(int year, int month, int day, unsigned hour, unsigned minute, double second) {
  // Milliseconds are rounded down so that 59.9996 s does not print as 60.000.
  const long ms = static_cast<long>(std::floor(second * 1000.0));
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02u:%02u:%02ld.%03ld", year, month, day, hour,
                minute, ms / 1000, ms % 1000);
  return text;
}

std::string FitsTime(std::chrono::system_clock::time_point t) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  return FitsTime(utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min,
                  utc.tm_sec + static_cast<double>(ms % 1000) / 1000.0);
}

FitsKeyword StartTime(const Camera& camera, const ExposureResult& exposure) {
  int32_t year = 0, month = 0, day = 0;
  uint32_t hour = 0, minute = 0;
  double second = 0;
  if (GetImageTimeStamp(camera.Handle(), &year, &month, &day, &hour, &minute, &second))
    return {"DATE-OBS", FitsTime(year, month, day, hour, minute, second),
            "UTC start of exposure, camera time stamp"};
  return {"DATE-OBS", FitsTime(exposure.hostStart), "UTC start of exposure, host clock"};
}

std::string VersionText(const Camera& camera, std::span<const uint32_t> indices) {
  std::string text;
  for (uint32_t index : indices) {
    if (auto v = camera.Integer(index)) text += (text.empty() ? "" : ".") + std::to_string(*v);
  }
  return text;
}

std::vector<FitsKeyword> Keywords(const Camera& camera, const CaptureOptions& o,
                                  const CaptureSettings& s, const ExposureResult& exposure) {
  std::vector<FitsKeyword> keys = {
      {"EXPTIME", o.exposure, "exposure time in seconds"},
      StartTime(camera, exposure),
      {"IMAGETYP", std::string(o.dark ? "Dark Frame" : "Light Frame"), "type of image"},
      {"INSTRUME", camera.Model(), "camera model"},
      {"CAMERAID", static_cast<long>(camera.Id()), "camera id"},
      {"FIRMWARE", VersionText(camera, kFirmwareWords), "camera firmware version words"},
      {"DRIVERVR", VersionText(camera, kLibraryVersion), "camera library version"},
      {"XBINNING", static_cast<long>(s.binning.x), "horizontal binning factor"},
      {"YBINNING", static_cast<long>(s.binning.y), "vertical binning factor"},
      {"XORGSUBF", static_cast<long>(s.window.x), "sub-frame origin x in binned pixels"},
      {"YORGSUBF", static_cast<long>(s.window.y), "sub-frame origin y in binned pixels"},
      {"READMODE", s.modeName.empty() ? std::string("default") : s.modeName, "camera read mode"},
      {"ROWORDER", std::string("TOP-DOWN"), "first row in the file is the top row"},
  };
  if (auto serial = camera.String(TQ_STRING_TEXT_2); serial && !serial->empty())
    keys.push_back({"SERIALNO", *serial, "camera serial text"});
  if (o.gain) {
    double decibels = 0, factor = 0;
    ConvertGain(camera.Handle(), *o.gain, &decibels, &factor);
    char comment[60];
    std::snprintf(comment, sizeof comment, "camera gain setting (%.1f dB)", decibels);
    keys.push_back({"GAIN", static_cast<long>(*o.gain), comment});
  }
  if (s.filterSet) keys.push_back({"FILTER", s.filterName, "filter in the light path"});
  float temperature = 0;
  if (GetValue(camera.Handle(), TQ_VALUE_SENSOR_TEMPERATURE, &temperature))
    keys.push_back(
        {"CCD-TEMP", std::round(temperature * 100.0) / 100.0, "sensor temperature in C"});
  if (o.temperature) keys.push_back({"SET-TEMP", *o.temperature, "cooler set point in C"});
  keys.push_back({"SWCREATE", std::string("tqcam"), "acquisition program"});
  return keys;
}

CaptureSettings SetUp(const Camera& camera, int generation, const CaptureOptions& o) {
  CaptureSettings s;
  TQCAMERA h = camera.Handle();
  s.binning = ParseBinning(o.binning);
  if (o.eightBit && generation < 2)
    throw Failure("8-bit readout: camera " + std::to_string(camera.Id()) + " (generation " +
                  std::to_string(generation) + ") reads 16 bits only");
  if (!o.mode.empty()) {
    const uint32_t mode = ResolveReadMode(camera, o.mode, &s.modeName);
    camera.Check(SetReadMode(h, mode), "read mode \"" + s.modeName + "\"");
  }
  camera.Check(SetBinning(h, s.binning.x, s.binning.y),
               "binning " + std::to_string(s.binning.x) + "x" + std::to_string(s.binning.y));
  if (o.gain) camera.Check(SetGain(h, static_cast<uint16_t>(*o.gain)), "gain");
  if (!o.filter.empty()) {
    const uint32_t position = ResolveFilter(camera, o.filter, &s.filterName);
    if (position > 255) throw Failure("filter " + o.filter + ": no such position");
    camera.Check(SetFilter(h, static_cast<uint8_t>(position)), "filter " + o.filter);
    if (s.filterName.empty()) s.filterName = std::to_string(position);
    s.filterSet = true;
  }
  if (o.temperature) {
    camera.Check(SetTemperature(h, static_cast<float>(*o.temperature)), "set point");
    if (o.waitTemperature) WaitForTemperature(camera, *o.temperature, o.waitTimeout);
  }

  const uint32_t frameWidth = camera.SensorWidth() / s.binning.x;
  const uint32_t frameHeight = camera.SensorHeight() / s.binning.y;
  s.window = {0, 0, frameWidth, frameHeight};
  if (!o.roi.empty()) {
    s.window = ParseWindow(o.roi);
    CheckWindow(s.window, frameWidth, frameHeight);
    const bool whole = s.window.width == frameWidth && s.window.height == frameHeight;
    if (!whole && !camera.Boolean(TQ_BOOL_SUB_FRAMES).value_or(false))
      throw Failure("window: camera " + std::to_string(camera.Id()) + " reads whole frames only");
  }
  return s;
}

}  // namespace

int Capture(const CaptureOptions& o) {
  if (!(o.exposure >= 0) || !std::isfinite(o.exposure))
    throw Failure(Printf("exposure time %g s: it must be 0 s or more", o.exposure));
  if (o.count == 0) throw Failure("count: at least one frame");
  const std::string type = o.dark ? "dark" : "light";
  CheckWritable(OutputName(o.output, o.id, 1, o.count, type));
  // Checked before the camera is claimed, so a bad argument costs no exposure.
  ParseBinning(o.binning);
  if (!o.roi.empty()) ParseWindow(o.roi);

  Camera camera(o.id);
  const int generation = camera.Generation();
  const CaptureSettings settings = SetUp(camera, generation, o);
  ExposureRequest request{o.exposure, !o.dark, o.eightBit, settings.window};

  for (unsigned n = 1; n <= o.count; ++n) {
    const ExposureResult exposure = Expose(camera, generation, request);
    const std::vector<FitsKeyword> keys = Keywords(camera, o, settings, exposure);
    const std::string path = OutputName(o.output, o.id, n, o.count, type);
    {
      OutputFile file(path);
      interrupt::Blocking blocking;
      WriteFits(file.TempPath(), exposure.frame, keys);
      file.Commit();
    }
    std::string preview;
    if (o.png) {
      preview = PreviewName(path);
      OutputFile file(preview);
      interrupt::Blocking blocking;
      WritePng(file.TempPath(), exposure.frame);
      file.Commit();
    }
    const FrameStats stats = Statistics(exposure.frame);
    std::printf("saved %s size=%ux%u bits=%d exptime=%g min=%u median=%u max=%u%s%s\n",
                path.c_str(), exposure.frame.width, exposure.frame.height, exposure.frame.bitDepth,
                o.exposure, stats.min, stats.median, stats.max,
                preview.empty() ? "" : " preview=", preview.c_str());
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace tqcam
