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
    throw Failure("binning '" + text + "': expected N or NxM with factors of 1 or more");
  return b;
}

Window ParseWindow(const std::string& text) {
  const auto parts = Split(text, ',');
  Window w;
  if (parts.size() != 4 || !ParseUnsigned(parts[0], &w.x) || !ParseUnsigned(parts[1], &w.y) ||
      !ParseUnsigned(parts[2], &w.width) || !ParseUnsigned(parts[3], &w.height) || w.width == 0 ||
      w.height == 0)
    throw Failure("window '" + text +
                  "': expected X,Y,WIDTH,HEIGHT with a width and height above 0");
  return w;
}

void CheckWindow(const Window& w, uint32_t frameWidth, uint32_t frameHeight) {
  if (uint64_t{w.x} + w.width > frameWidth || uint64_t{w.y} + w.height > frameHeight) {
    char text[160];
    std::snprintf(text, sizeof text, "window %u,%u,%u,%u lies outside the %ux%u frame", w.x, w.y,
                  w.width, w.height, frameWidth, frameHeight);
    throw Failure(text);
  }
}

uint32_t ResolveReadMode(const Camera& camera, const std::string& mode, std::string* name) {
  const std::vector<std::string> modes = camera.ReadModes();
  if (modes.empty())
    throw Failure("read mode: camera " + std::to_string(camera.Id()) + " has no read modes");
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
    throw Failure("read mode '" + mode + "': the camera has " + known);
  }
  *name = modes[index];
  return index;
}

uint32_t ResolveFilter(const Camera& camera, const std::string& filter, std::string* name) {
  const std::vector<FilterSlot> filters = camera.Filters();
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
                (filters.empty() ? " describes no filters" : " has no filter of that name"));
}

void WaitForTemperature(const Camera& camera, double setPoint, double timeoutSeconds) {
  constexpr double kTolerance = 0.5;
  Progress progress;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    float now = 0;
    camera.Check(GetValue(camera.Handle(), TQ_VALUE_SENSOR_TEMPERATURE, &now),
                 "sensor temperature");
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
