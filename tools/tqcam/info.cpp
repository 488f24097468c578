// tqcam list and tqcam info: what the cameras on the bus are and can do,
// read from the parameter queries.
#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "commands.h"
#include "failure.h"
#include "parameters.h"

namespace tqcam {

namespace {

nlohmann::ordered_json Describe(const tqusb::Camera& camera) {
  nlohmann::ordered_json info;
  info["id"] = camera.Id();
  const tqusb::Caps& c = camera.Capabilities();
  info["generation"] = c.generation;
  info["kind"] = c.kind;
  std::vector<int> bits(c.readModeBits,
                        c.readModeBits + std::min(c.readModes, uint32_t{TQ_CAPS_READ_MODES}));
  info["capabilities"] = {
      {"sensor", {c.width, c.height}},
      {"pixel_size_um", {c.pixelWidth, c.pixelHeight}},
      {"max_binning", {c.maxBinX, c.maxBinY}},
      {"sub_frames", c.subFrames},
      {"exposure_s", {c.minExposure, c.maxExposure}},
      {"read_mode_bits", bits},
      {"read_mode", c.readMode},
      {"max_pixel_value", c.maxPixelValue},
      {"cooler", c.cooler},
      {"set_point_c", {c.minSetPoint, c.maxSetPoint}},
      {"fan", c.fan},
      {"window_heater", c.windowHeater},
      {"guide_port", c.guidePort},
      {"filters", c.filters},
      {"gps", c.gps},
      {"shutter", c.shutter},
      {"max_gain", c.maxGain},
  };
  auto& strings = info["strings"] = nlohmann::ordered_json::object();
  for (const ParameterName& p : StringParameters())
    if (auto v = camera.Text(p.index)) strings[p.name] = *v;
  auto& integers = info["integers"] = nlohmann::ordered_json::object();
  for (const ParameterName& p : IntegerParameters())
    if (auto v = camera.Integer(p.index)) integers[p.name] = *v;
  auto& booleans = info["booleans"] = nlohmann::ordered_json::object();
  for (const ParameterName& p : BooleanParameters())
    if (auto v = camera.Boolean(p.index)) booleans[p.name] = *v;
  info["read_modes"] = camera.ReadModes();
  auto& filters = info["filters"] = nlohmann::ordered_json::array();
  for (const tqusb::Filter& f : camera.Filters())
    filters.push_back({{"name", f.name}, {"colour", f.colour}, {"offset", f.offset}});
  auto& values = info["values"] = nlohmann::ordered_json::object();
  for (const ValueName& v : MeasuredValues()) {
    if (const auto value = IfGiven([&] { return camera.Value(v.index); }))
      values[v.name] = *value;
    else
      values[v.name] = nullptr;
  }
  return info;
}

void PrintTable(const nlohmann::ordered_json& info) {
  std::printf("camera %u, generation %d\n", info["id"].get<uint32_t>(),
              info["generation"].get<int>());
  auto row = [](const std::string& name, const std::string& value) {
    std::printf("  %-26s %s\n", name.c_str(), value.c_str());
  };
  std::printf("capabilities:\n");
  for (const auto& [name, value] : info["capabilities"].items()) row(name, value.dump());
  for (const char* section : {"strings", "integers", "booleans"}) {
    std::printf("%s:\n", section);
    for (const auto& [name, value] : info[section].items())
      row(name, value.is_string() ? value.get<std::string>() : value.dump());
  }
  std::printf("read modes:\n");
  int n = 0;
  for (const auto& mode : info["read_modes"]) row(std::to_string(n++), mode.get<std::string>());
  if (n == 0) row("none", "");
  std::printf("filters:\n");
  n = 0;
  for (const auto& f : info["filters"]) {
    char text[120];
    std::snprintf(text, sizeof text, "%s (colour 0x%06X, offset %d)",
                  f["name"].get<std::string>().c_str(), f["colour"].get<uint32_t>(),
                  f["offset"].get<int32_t>());
    row(std::to_string(n++), text);
  }
  if (n == 0) row("none", "");
  std::printf("measured values:\n");
  for (const auto& [name, value] : info["values"].items())
    row(name, value.is_null() ? "not available" : value.dump());
}

}  // namespace

int ListCameras() {
  std::vector<uint32_t> ids = tqusb::FreeCameraIds();
  std::sort(ids.begin(), ids.end());
  std::printf("%-8s %-16s %-11s %-4s %-8s %-7s %s\n", "ID", "MODEL", "SENSOR", "GEN", "COOLING",
              "FILTERS", "GPS");
  for (uint32_t id : ids) {
    try {
      const tqusb::Camera camera(id);
      const tqusb::Caps& caps = camera.Capabilities();
      const std::string sensor = std::to_string(caps.width) + "x" + std::to_string(caps.height);
      const std::string filters = caps.filterWheel ? std::to_string(caps.filters) : "no";
      std::printf("%-8u %-16s %-11s %-4d %-8s %-7s %s\n", id,
                  camera.Text(TQ_STRING_MODEL_TEXT).value_or("").c_str(), sensor.c_str(),
                  caps.generation, caps.cooler ? "yes" : "no", filters.c_str(),
                  caps.gps ? "yes" : "no");
    } catch (const tqusb::Error& e) {
      // Taken by another program between the listing and the opening.
      std::printf("%-8u (cannot be opened: %s)\n", id, e.Text().c_str());
    }
  }
  if (ids.empty()) std::fprintf(stderr, "tqcam: no free cameras on the bus\n");
  return 0;
}

int ShowInfo(uint32_t id, bool json) {
  const tqusb::Camera camera(id);
  const nlohmann::ordered_json info = Describe(camera);
  if (json)
    std::printf("%s\n", info.dump(2).c_str());
  else
    PrintTable(info);
  return 0;
}

}  // namespace tqcam
