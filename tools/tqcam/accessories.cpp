// tqcam cool, filter, guide and gps: the camera's accessories, one command each.
#include <chrono>
#include <cstdio>
#include <limits>

#include "capture_setup.h"
#include "commands.h"
#include "failure.h"
#include "interrupt.h"

namespace tqcam {

namespace {

void PrintCooling(const tqusb::Camera& camera, double elapsed) {
  const float sensor = camera.Value(TQ_VALUE_SENSOR_TEMPERATURE);
  const auto power = IfGiven([&] { return camera.Value(TQ_VALUE_POWER_UTILIZATION); });
  if (power && *power >= 0)
    std::printf("%7.1f s  sensor %6.2f C  cooler power %5.1f %%\n", elapsed, sensor,
                *power * 100.0);
  else
    std::printf("%7.1f s  sensor %6.2f C\n", elapsed, sensor);
  std::fflush(stdout);
}

}  // namespace

int Cool(uint32_t id, std::optional<double> setPoint, bool watch, double seconds) {
  tqusb::Camera camera(id);
  if (setPoint) {
    CheckSetPoint(camera, *setPoint);
    camera.SetTemperature(static_cast<float>(*setPoint));
    std::printf("camera %u: set point %.1f C\n", id, *setPoint);
  }
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    PrintCooling(camera, elapsed);
    if (!watch || elapsed >= seconds) return 0;
    if (interrupt::SleepFor(2.0)) return 0;  // Ctrl-C is how a watch normally ends
  }
}

int MoveFilter(uint32_t id, const std::string& filter) {
  tqusb::Camera camera(id);
  if (filter.empty()) {
    const std::vector<tqusb::Filter> filters = camera.Filters();
    if (filters.empty()) {
      // The generation test of the library gives the reason, if any.
      char name[8];
      uint32_t colour = 0;
      camera.Check(EnumerateFilters(camera.Handle(), 0, sizeof name - 1, name, &colour), "filters");
      throw Failure("filters: camera " + std::to_string(id) + " describes no filters");
    }
    for (size_t i = 0; i < filters.size(); ++i)
      std::printf("%2zu  %-24s colour 0x%06X  offset %d\n", i, filters[i].name.c_str(),
                  filters[i].colour, filters[i].offset);
    return 0;
  }
  std::string name;
  const uint32_t position = ResolveFilter(camera, filter, &name);
  CheckFilterPosition(camera, position);
  {
    interrupt::Blocking blocking;
    camera.SetFilter(static_cast<uint8_t>(position));
  }
  std::printf("camera %u: filter position %u%s%s\n", id, position, name.empty() ? "" : " ",
              name.c_str());
  return 0;
}

int Guide(uint32_t id, int firstAxis, int secondAxis) {
  constexpr int kMin = std::numeric_limits<int16_t>::min(),
                kMax = std::numeric_limits<int16_t>::max();
  if (firstAxis < kMin || firstAxis > kMax || secondAxis < kMin || secondAxis > kMax)
    throw Failure("guide: axis values run from -32768 to 32767", kUsageStatus);
  tqusb::Camera camera(id);
  if (!camera.Capabilities().guidePort)
    throw Failure("guide: camera " + std::to_string(id) + " has no guiding port", kUsageStatus);
  camera.Guide(static_cast<uint16_t>(firstAxis), static_cast<uint16_t>(secondAxis));
  while (camera.Guiding())
    if (interrupt::SleepFor(0.05)) throw Failure("interrupted", kInterruptedStatus);
  std::printf("camera %u: guide move %d, %d done\n", id, firstAxis, secondAxis);
  return 0;
}

int ShowGps(uint32_t id) {
  const tqusb::Camera camera(id);
  if (!camera.Capabilities().gps)
    throw Failure("gps: camera " + std::to_string(id) + " has no GPS receiver");
  const tqusb::GpsFix fix = camera.Gps();
  const tqusb::DateTime& t = fix.time;
  std::printf("position   %s\n", fix.valid ? "valid" : "not valid");
  std::printf("latitude   %.6f\nlongitude  %.6f\naltitude   %.1f\nsatellites %u\n", fix.latitude,
              fix.longitude, fix.altitude, fix.satellites);
  if (t.year != 0)
    std::printf("time       %04d-%02d-%02dT%02u:%02u:%06.3f UTC\n", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  else
    std::printf("time       not available (%s)\n", camera.LastError().c_str());
  return 0;
}

}  // namespace tqcam
