#include "capture_setup.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "failure.h"
#include "interrupt.h"
#include "progress.h"

namespace tqcam {

namespace {

bool ParseUnsigned(std::string_view text, uint32_t* value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

Binning ParseBinning(const std::string& text) {
  const auto parts = Split(text, 'x');
  Binning b;
  const bool ok =
      (parts.size() == 1 && ParseUnsigned(parts[0], &b.x) && (b.y = b.x, true)) ||
      (parts.size() == 2 && ParseUnsigned(parts[0], &b.x) && ParseUnsigned(parts[1], &b.y));
  if (!ok || b.x == 0 || b.y == 0)
    throw Failure("binning '" + text + "': expected N or NxM with factors of 1 or more",
                  kUsageStatus);
  return b;
}

Window ParseWindow(const std::string& text) {
  const auto parts = Split(text, ',');
  Window w;
  if (parts.size() != 4 || !ParseUnsigned(parts[0], &w.x) || !ParseUnsigned(parts[1], &w.y) ||
      !ParseUnsigned(parts[2], &w.width) || !ParseUnsigned(parts[3], &w.height) || w.width == 0 ||
      w.height == 0)
    throw Failure(
        "window '" + text + "': expected X,Y,WIDTH,HEIGHT with a width and height above 0",
        kUsageStatus);
  return w;
}

void CheckWindow(const Window& w, uint32_t frameWidth, uint32_t frameHeight) {
  if (uint64_t{w.x} + w.width > frameWidth || uint64_t{w.y} + w.height > frameHeight) {
    char text[160];
    std::snprintf(text, sizeof text, "window %u,%u,%u,%u lies outside the %ux%u frame", w.x, w.y,
                  w.width, w.height, frameWidth, frameHeight);
    throw Failure(text, kUsageStatus);
  }
}

namespace {

// The list number of a read mode given by number or (case-insensitive) name.
uint32_t ResolveReadMode(const tqusb::Camera& camera, const std::string& mode) {
  const std::vector<std::string> modes = camera.ReadModes();
  if (modes.empty())
    throw Failure("read mode: camera " + std::to_string(camera.Id()) + " has no read modes",
                  kUsageStatus);
  uint32_t index = 0;
  if (!ParseUnsigned(mode, &index)) {
    const auto it = std::find_if(modes.begin(), modes.end(),
                                 [&](const std::string& m) { return Lower(m) == Lower(mode); });
    index = static_cast<uint32_t>(it - modes.begin());
  }
  if (index >= modes.size()) {
    std::string known;
    for (size_t i = 0; i < modes.size(); ++i)
      known += (i ? ", " : "") + std::to_string(i) + " \"" + modes[i] + "\"";
    throw Failure("read mode '" + mode + "': the camera has " + known, kUsageStatus);
  }
  return index;
}

int ModeBits(const tqusb::Caps& caps, uint32_t index) {
  return index < TQ_CAPS_READ_MODES ? caps.readModeBits[index] : 16;
}

[[noreturn]] void OutOfRange(const tqusb::Camera& camera, const std::string& what,
                             const std::string& limit) {
  throw Failure(what + ": camera " + std::to_string(camera.Id()) + " " + limit, kUsageStatus);
}

std::string Number(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// Generation 0 times its exposures itself; the others are timed by this
// tool, up to a day unless the camera can time a longer one.
constexpr double kLongestToolTimed = 86400.0;

}  // namespace

ReadModeChoice ChooseReadMode(const tqusb::Camera& camera, const std::string& mode, bool eightBit) {
  const tqusb::Caps& caps = camera.Capabilities();
  ReadModeChoice choice;
  const uint32_t modes = caps.readModes;
  if (!mode.empty()) {
    choice.index = ResolveReadMode(camera, mode);
  } else if (modes > 0) {
    // The current mode first, so that of equal modes the camera's own
    // default stays.
    uint32_t best = caps.readMode < modes ? caps.readMode : 0;
    for (uint32_t i = 0; i < modes; ++i) {
      const bool better = eightBit ? ModeBits(caps, i) == 8 && ModeBits(caps, best) != 8
                                   : ModeBits(caps, i) > ModeBits(caps, best);
      if (better) best = i;
    }
    choice.index = best;
  }
  if (eightBit && mode.empty() && choice.index && ModeBits(caps, *choice.index) != 8)
    choice.index.reset();  // no 8-bit mode to choose
  if (choice.index) {
    choice.bits = ModeBits(caps, *choice.index);
    choice.name = camera.ReadModes().at(*choice.index);
  }
  if (eightBit && choice.bits != 8)
    OutOfRange(camera, "--8bit",
               choice.index ? "gives 16 bits per pixel in read mode \"" + choice.name + "\""
                            : "has no 8-bit read mode");
  return choice;
}

ReadoutPlan PlanReadout(const tqusb::Camera& camera, const std::string& binning,
                        const std::string& roi, const std::string& mode, bool eightBit) {
  const tqusb::Caps& caps = camera.Capabilities();
  ReadoutPlan plan;
  plan.binning = ParseBinning(binning);
  CheckBinning(camera, plan.binning);
  plan.mode = ChooseReadMode(camera, mode, eightBit);
  const uint32_t frameWidth = caps.width / plan.binning.x;
  const uint32_t frameHeight = caps.height / plan.binning.y;
  plan.window = {0, 0, frameWidth, frameHeight};
  if (!roi.empty()) {
    plan.window = ParseWindow(roi);
    CheckWindow(plan.window, frameWidth, frameHeight);
    const bool whole = plan.window.width == frameWidth && plan.window.height == frameHeight;
    if (!whole && !caps.subFrames) OutOfRange(camera, "window", "reads whole frames only");
  }
  return plan;
}

void CheckExposure(const tqusb::Camera& camera, double seconds, bool cameraTimed) {
  const tqusb::Caps& caps = camera.Capabilities();
  const double longest = caps.generation == 0 || cameraTimed
                             ? caps.maxExposure
                             : std::max(caps.maxExposure, kLongestToolTimed);
  if (seconds < caps.minExposure || seconds > longest)
    OutOfRange(camera, "exposure time " + Number(seconds) + " s",
               "exposes from " + Number(caps.minExposure) + " s to " + Number(longest) + " s");
}

void CheckSetPoint(const tqusb::Camera& camera, double celsius) {
  const tqusb::Caps& caps = camera.Capabilities();
  if (!caps.cooler) OutOfRange(camera, "set point", "has no cooler");
  if (!(celsius >= caps.minSetPoint && celsius <= caps.maxSetPoint))
    OutOfRange(camera, "set point " + Number(celsius) + " C",
               "regulates from " + Number(std::ceil(caps.minSetPoint * 10) / 10) + " C to " +
                   Number(std::floor(caps.maxSetPoint * 10) / 10) + " C");
}

void CheckBinning(const tqusb::Camera& camera, const Binning& b) {
  const tqusb::Caps& caps = camera.Capabilities();
  if (b.x > caps.maxBinX || b.y > caps.maxBinY)
    OutOfRange(camera, "binning " + std::to_string(b.x) + "x" + std::to_string(b.y),
               "bins at most " + std::to_string(caps.maxBinX) + "x" + std::to_string(caps.maxBinY));
}

void CheckGain(const tqusb::Camera& camera, unsigned gain) {
  const tqusb::Caps& caps = camera.Capabilities();
  if (!caps.gain) OutOfRange(camera, "gain", "has no gain setting");
  if (gain > caps.maxGain)
    OutOfRange(camera, "gain " + std::to_string(gain),
               "takes 0 to " + std::to_string(caps.maxGain));
}

void CheckFilterPosition(const tqusb::Camera& camera, uint32_t position) {
  const tqusb::Caps& caps = camera.Capabilities();
  if (!caps.filterWheel) OutOfRange(camera, "filter", "has no filter wheel");
  if (position >= caps.filters)
    OutOfRange(camera, "filter " + std::to_string(position),
               "has positions 0 to " + std::to_string(caps.filters - 1));
}

uint32_t ResolveFilter(const tqusb::Camera& camera, const std::string& filter, std::string* name) {
  const std::vector<tqusb::Filter> filters = camera.Filters();
  uint32_t index = 0;
  if (ParseUnsigned(filter, &index)) {
    // The camera judges positions the list does not describe.
    *name =
        index < filters.size() && filters[index].name != "<undefined>" ? filters[index].name : "";
    return index;
  }
  for (size_t i = 0; i < filters.size(); ++i) {
    if (Lower(filters[i].name) == Lower(filter)) {
      *name = filters[i].name;
      return static_cast<uint32_t>(i);
    }
  }
  throw Failure("filter '" + filter + "': camera " + std::to_string(camera.Id()) +
                    (filters.empty() ? " describes no filters" : " has no filter of that name"),
                kUsageStatus);
}

void WaitForTemperature(const tqusb::Camera& camera, double setPoint, double timeoutSeconds) {
  constexpr double kTolerance = 0.5;
  Progress progress;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    const float now = camera.Value(TQ_VALUE_SENSOR_TEMPERATURE);
    if (std::fabs(now - setPoint) <= kTolerance) return;
    const double waited =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (waited >= timeoutSeconds) {
      char text[120];
      std::snprintf(text, sizeof text, "cooling: the sensor is at %.1f C after %.0f s, not %.1f C",
                    now, waited, setPoint);
      throw Failure(text);
    }
    char line[80];
    std::snprintf(line, sizeof line, "cooling: %.1f C, target %.1f C, %.0f s", now, setPoint,
                  waited);
    progress.Show(line);
    if (interrupt::SleepFor(1.0)) throw Failure("interrupted", kInterruptedStatus);
  }
}

}  // namespace tqcam
