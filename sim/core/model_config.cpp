#include "model_config.h"

#include <cmath>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace tqsim {
namespace {

using nlohmann::json;

// Errors inside one camera entry; caught and given the entry's position.
struct ConfigError {
  std::string text;
};

// Numbers may be written as JSON numbers or as hexadecimal texts ("0x0C26").
std::uint64_t Unsigned(const json& v, const std::string& key, std::uint64_t max) {
  std::uint64_t value = 0;
  if (v.is_number_unsigned()) {
    value = v.get<std::uint64_t>();
  } else if (v.is_string()) {
    const std::string s = v.get<std::string>();
    std::size_t used = 0;
    try {
      value = std::stoull(s, &used, 0);
    } catch (...) {
      used = 0;
    }
    if (used == 0 || used != s.size() || s[0] == '-') throw ConfigError{key + ": not a number: " + s};
  } else {
    throw ConfigError{key + ": expected an unsigned number"};
  }
  if (value > max) throw ConfigError{key + ": " + std::to_string(value) + " is too large"};
  return value;
}

double Real(const json& v, const std::string& key) {
  if (!v.is_number()) throw ConfigError{key + ": expected a number"};
  return v.get<double>();
}

std::string Text(const json& v, const std::string& key) {
  if (!v.is_string()) throw ConfigError{key + ": expected a text"};
  return v.get<std::string>();
}

bool Flag(const json& v, const std::string& key) {
  if (!v.is_boolean()) throw ConfigError{key + ": expected true or false"};
  return v.get<bool>();
}

void ReadPhysics(const json& j, PhysicsParams& p) {
  if (!j.is_object()) throw ConfigError{"physics: expected an object"};
  for (const auto& [key, v] : j.items()) {
    const std::string k = "physics." + key;
    if (key == "ambient") p.ambientC = Real(v, k);
    else if (key == "cooling_depth") p.coolingDepthC = Real(v, k);
    else if (key == "time_constant") p.timeConstantS = Real(v, k);
    else if (key == "heat_sink_rise") p.heatSinkRiseC = Real(v, k);
    else if (key == "self_heating") p.selfHeatingC = Real(v, k);
    else if (key == "supply_voltage") p.supplyVoltage = Real(v, k);
    else if (key == "aux_reading") p.auxReading = Real(v, k);
    else if (key == "drift_amplitude") p.driftAmplitude = Real(v, k);
    else if (key == "drift_period") p.driftPeriodS = Real(v, k);
    else if (key == "filter_step") p.filterStepS = Real(v, k);
    else if (key == "set_point") p.initialSetPointC = v.is_null() ? std::nullopt : std::optional(Real(v, k));
    else throw ConfigError{"unknown key " + k};
  }
}

void ReadScene(const json& j, ImageModel& m) {
  if (!j.is_object()) throw ConfigError{"image: expected an object"};
  image::SceneParams& s = m.scene;
  for (const auto& [key, v] : j.items()) {
    const std::string k = "image." + key;
    if (key == "seed") m.seed = Unsigned(v, k, std::numeric_limits<std::uint64_t>::max());
    else if (key == "readout_rate") m.readoutRate = Real(v, k);
    else if (key == "cached_frames") m.cachedFrames = Flag(v, k);
    else if (key == "bias") s.biasAdu = Real(v, k);
    else if (key == "gain") s.gain = Real(v, k);
    else if (key == "read_noise") s.readNoiseAdu = Real(v, k);
    else if (key == "dark_rate") s.darkRateAt0C = Real(v, k);
    else if (key == "dark_doubling") s.darkDoublingC = Real(v, k);
    else if (key == "sky_rate") s.skyRate = Real(v, k);
    else if (key == "gradient") s.gradient = Real(v, k);
    else if (key == "stars_per_pixel") s.starsPerPixel = Real(v, k);
    else if (key == "star_flux") {
      if (!v.is_array() || v.size() != 2) throw ConfigError{k + ": expected [faintest, brightest]"};
      s.minStarFlux = Real(v[0], k);
      s.maxStarFlux = Real(v[1], k);
    } else if (key == "psf_fwhm") s.psfFwhm = Real(v, k);
    else if (key == "output_levels" || key == "sample_levels") {
      std::int32_t* levels = key == "output_levels" ? m.outputLevels.data() : m.sampleLevels.data();
      const std::size_t n = key == "output_levels" ? 4 : 3;
      if (!v.is_array() || v.size() != n)
        throw ConfigError{k + ": expected " + std::to_string(n) + " levels"};
      for (std::size_t i = 0; i < n; ++i) {
        if (!v[i].is_number_integer()) throw ConfigError{k + ": expected whole numbers"};
        levels[i] = v[i].get<std::int32_t>();
      }
    } else throw ConfigError{"unknown key " + k};
  }
  if (!(s.gain > 0) || s.psfFwhm <= 0 || s.readNoiseAdu < 0 || s.minStarFlux <= 0 ||
      s.maxStarFlux < s.minStarFlux || s.starsPerPixel < 0 || s.starsPerPixel > 0.1 ||
      (m.readoutRate && *m.readoutRate < 0))
    throw ConfigError{"image: values out of range"};
}

// "present" only confirms what the model's capability bits decide.
void ReadReceiver(const json& j, image::GpsReceiver& g, std::optional<bool>& present) {
  if (!j.is_object()) throw ConfigError{"gps: expected an object"};
  for (const auto& [key, v] : j.items()) {
    const std::string k = "gps." + key;
    if (key == "present") present = Flag(v, k);
    else if (key == "fix") g.fix = Flag(v, k);
    else if (key == "latitude") g.latitude = Real(v, k);
    else if (key == "longitude") g.longitude = Real(v, k);
    else if (key == "altitude") g.altitude = Real(v, k);
    else if (key == "satellites") g.satellites = static_cast<unsigned>(Unsigned(v, k, 99));
    else if (key == "counter_frequency")
      g.counterFrequency = static_cast<std::uint32_t>(Unsigned(v, k, 0xFFFFFFFFu));
    else throw ConfigError{"unknown key " + k};
  }
  // A counter_frequency of 0 plays a broken counter.
  if (std::abs(g.latitude) > 90 || std::abs(g.longitude) > 180)
    throw ConfigError{"gps: values out of range"};
}

CameraModel ReadCamera(const json& j) {
  if (!j.is_object()) throw ConfigError{"expected an object"};
  CameraModel m;
  std::optional<bool> cooled, receiver;
  for (const auto& [key, v] : j.items()) {
    if (key == "name") m.name = Text(v, key);
    else if (key == "class") m.interfaceClass = static_cast<int>(Unsigned(v, key, 14));
    else if (key == "product_id") {
      if (v.is_null()) m.productId.reset();
      else m.productId = static_cast<std::uint16_t>(Unsigned(v, key, 0xFFFF));
    } else if (key == "vendor_id") m.vendorId = static_cast<std::uint16_t>(Unsigned(v, key, 0xFFFF));
    else if (key == "bcd_usb") m.bcdUsb = static_cast<std::uint16_t>(Unsigned(v, key, 0xFFFF));
    else if (key == "camera_id") m.cameraId = static_cast<std::uint32_t>(Unsigned(v, key, 0xFFFFFFFEu));
    else if (key == "width") m.width = static_cast<std::uint16_t>(Unsigned(v, key, 0xFFFF));
    else if (key == "height") m.height = static_cast<std::uint16_t>(Unsigned(v, key, 0xFFFF));
    else if (key == "caps") m.caps = static_cast<std::uint8_t>(Unsigned(v, key, 0x0F));
    else if (key == "filter_count") m.filterCount = static_cast<std::uint8_t>(Unsigned(v, key, 15));
    else if (key == "extra") m.extra = static_cast<std::uint8_t>(Unsigned(v, key, 0x0F));
    else if (key == "packed_flag_bits") m.packedFlagBits = static_cast<std::uint16_t>(Unsigned(v, key, 0xFFFF));
    else if (key == "info_word3") m.infoWord3 = static_cast<std::uint16_t>(Unsigned(v, key, 0xFFFF));
    else if (key == "info_word4") m.infoWord4 = static_cast<std::uint16_t>(Unsigned(v, key, 0xFFFF));
    else if (key == "texts") {
      if (!v.is_array() || v.size() != 3) throw ConfigError{"texts: expected three texts"};
      m.text0 = Text(v[0], "texts[0]");
      m.text2 = Text(v[1], "texts[1]");
      m.text3 = Text(v[2], "texts[2]");
    } else if (key == "versions") {
      if (!v.is_array() || v.size() != 4) throw ConfigError{"versions: expected four words"};
      for (std::size_t i = 0; i < 4; ++i)
        m.versions[i] = static_cast<std::uint16_t>(Unsigned(v[i], "versions", 0xFFFF));
    } else if (key == "sub_frames") m.subFrames = Flag(v, key);
    else if (key == "read_modes") {
      if (!v.is_array() || v.empty()) throw ConfigError{"read_modes: expected a list of codes"};
      for (const json& code : v) m.readModes.push_back(static_cast<std::uint8_t>(Unsigned(code, key, 0xFF)));
    } else if (key == "max_binning") {
      if (!v.is_array() || v.size() != 2) throw ConfigError{"max_binning: expected [x, y]"};
      m.maxBinX = static_cast<std::uint8_t>(Unsigned(v[0], key, 0xFF));
      m.maxBinY = static_cast<std::uint8_t>(Unsigned(v[1], key, 0xFF));
    } else if (key == "max_gain") m.maxGain = static_cast<std::uint16_t>(Unsigned(v, key, 0xFFFF));
    else if (key == "cooled") cooled = Flag(v, key);
    else if (key == "physics") ReadPhysics(v, m.physics);
    else if (key == "image") ReadScene(v, m.image);
    else if (key == "gps") ReadReceiver(v, m.image.gps, receiver);
    else throw ConfigError{"unknown key " + key};
  }
  if (m.name.empty()) throw ConfigError{"name is missing"};
  DeriveModel(m);
  // Generations 2 and 3 have no cooler command.
  m.cooled = cooled.value_or(m.Generation() != 2 && m.Generation() != 3);
  if (receiver && *receiver != m.image.gps.present)
    throw ConfigError{
        "gps.present: only generation-5 cameras with capability bit 2 or 3 have a receiver"};
  if (std::string why = ValidateModel(m); !why.empty()) throw ConfigError{why};
  return m;
}

}  // namespace

ConfigResult ParseConfig(const std::string& text) {
  ConfigResult result;
  const json root = json::parse(text, nullptr, false);
  if (root.is_discarded()) {
    result.error = "configuration is not valid JSON";
    return result;
  }
  if (!root.is_object() || !root.contains("cameras") || !root["cameras"].is_array()) {
    result.error = "configuration needs a \"cameras\" list";
    return result;
  }
  std::set<std::string> names;
  std::set<std::uint32_t> ids;
  std::size_t index = 0;
  for (const json& entry : root["cameras"]) {
    try {
      CameraModel m = ReadCamera(entry);
      if (!names.insert(m.name).second) throw ConfigError{"name " + m.name + " used twice"};
      if (!ids.insert(m.cameraId).second)
        throw ConfigError{"camera id " + std::to_string(m.cameraId) + " used twice"};
      result.cameras.push_back(std::move(m));
    } catch (const ConfigError& e) {
      result.cameras.clear();
      result.error = "camera " + std::to_string(index) + ": " + e.text;
      return result;
    }
    ++index;
  }
  if (result.cameras.empty()) result.error = "configuration holds no camera";
  return result;
}

ConfigResult LoadConfig(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ConfigResult result;
    result.error = "cannot read " + path;
    return result;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParseConfig(text.str());
}

ConfigResult LoadDefaultConfig() { return LoadConfig(TQSIM_DEFAULT_CONFIG); }

}  // namespace tqsim
