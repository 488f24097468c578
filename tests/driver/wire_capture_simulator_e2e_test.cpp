// Every request the library writes, byte for byte, over a fixed session with
// each camera the simulator serves: initialisation (with a sensor timing from
// the settings file), the parameter and value queries, exposures with binning
// and a sub-frame in every read mode, shutter and preflash, cooling, fan,
// heater, gain, filter wheel, guiding, GPS and time stamp, and the release.
// The session is compared with the checked-in capture golden/requests.txt, so
// a change that alters any request shows up here as a diff of hex lines.
//
// After a deliberate change of the requests, write the capture anew with
//   TQUSB_UPDATE_GOLDEN=1 ctest --test-dir build/default -R WireCapture
// and review the diff of the data file before committing it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/recording_backend.h"
#include "support/settings_home.h"
#include "tqusb/tqusb.h"

namespace {

namespace fs = std::filesystem;

const fs::path kGolden = fs::path(TQUSB_GOLDEN_DIR) / "requests.txt";

struct Model {
  std::string name;
  uint32_t id;
};

// The simulator's default set in file order, without the camera whose class
// is never opened.
std::vector<Model> DefaultModels() {
  constexpr int kListedOnlyClass = 10;
  std::ifstream file(TQSIM_CAMERAS_JSON);
  const nlohmann::json config = nlohmann::json::parse(file);
  std::vector<Model> models;
  for (const auto& c : config.at("cameras"))
    if (c.at("class") != kListedOnlyClass) models.push_back({c.at("name"), c.at("camera_id")});
  return models;
}

class WireCapture : public tqtest::SettingsHomeTest {
 protected:
  WireCapture() {
    Write("Documents/QUIL/ini/tqusb.ini", "[driver]\nClockOverlapDelay=4\nClockDelay=9\n");
  }

  // Moves what was written since the last step into the capture, one line per
  // request: camera, step, bytes in hex.
  void Step(const std::string& model, const std::string& step) {
    for (const std::vector<uint8_t>& request : backend_.writes) {
      capture_ << model << ' ' << step << ' ';
      for (uint8_t b : request) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", b);
        capture_ << hex;
      }
      capture_ << '\n';
    }
    backend_.Clear();
  }

  void Session(const Model& m);

  tqtest::RecordingBackend backend_;
  std::ostringstream capture_;
};

void WireCapture::Session(const Model& m) {
  TQCAMERA c = Initialize2(m.id);
  ASSERT_NE(c, nullptr);
  Step(m.name, "init");

  uint32_t u = 0;
  bool b = false;
  float f = 0;
  char text[64];
  for (uint32_t i = 0; i < 140; ++i) GetIntegerParameter(c, i, &u);
  for (uint32_t i = 0; i < 140; ++i) GetBooleanParameter(c, i, &b);
  for (uint32_t i = 0; i < 4; ++i) GetStringParameter(c, i, sizeof text - 1, text);
  Step(m.name, "parameters");
  for (uint32_t i = 0; i < 24; ++i) {
    GetValue(c, i, &f);
    Step(m.name, "value" + std::to_string(i));
  }
  ReadPowerUtilization(c, &f);
  Step(m.name, "power");

  const uint32_t width = GetIntegerParameter(c, 1, &u) ? u : 0;
  const uint32_t height = GetIntegerParameter(c, 2, &u) ? u : 0;
  std::vector<uint16_t> image(size_t{width} * height + 1);
  const auto bytes = static_cast<uint32_t>(image.size() * 2);
  // Whole frames of the large sensors cost seconds under the sanitizers and
  // add no request shape the small ones lack; a camera that cannot read
  // windows reads its whole frame whatever its size.
  const bool small = uint64_t{width} * height <= 2'500'000;
  bool windows = false;
  GetBooleanParameter(c, 1, &windows);
  // Cameras without a read-mode list expose once, in the mode they start in.
  uint32_t modes = 0;
  while (EnumerateReadModes(c, modes, sizeof text - 1, text)) ++modes;
  for (uint32_t mode = 0; mode < std::max(modes, 1u); ++mode) {
    const std::string at = "mode" + std::to_string(mode);
    if (modes != 0) SetReadMode(c, mode);
    SetBinning(c, 2, 2);
    Step(m.name, at + "-set");
    uint32_t x = 40, y = 30, w = 600, h = 200;
    AdjustSubFrame(c, &x, &y, &w, &h);
    GetImageExposure16b(c, 0.01, true, x / 2, y / 2, w / 2, h / 2, bytes, image.data());
    Step(m.name, at + "-exposure16");
    GetImage8b(c, x / 2, y / 2, w / 2, h / 2, bytes, image.data());
    Step(m.name, at + "-read8");
    if (!small) continue;
    GetImageExposure8b(c, 0.25, false, 0, 0, width / 2, height / 2, bytes, image.data());
    Step(m.name, at + "-frame8");
    GetImageExposure16b(c, 1.5, true, 0, 0, width / 2, height / 2, bytes, image.data());
    Step(m.name, at + "-frame16");
  }
  SetBinning(c, 1, 1);
  if (small || !windows) {
    GetImageExposure16b(c, 0.1, false, 0, 0, width, height, bytes, image.data());
    Step(m.name, "full16");
  } else {
    Step(m.name, "binning1");
  }
  ClearSensor(c);
  ::Open(c);
  BeginExposure(c, true);
  EndExposure(c, true, false);
  ::Close(c);
  SetPreflash(c, 0.5, 3);
  Step(m.name, "shutter");
  SetTemperature(c, -12.5f);
  SetFan(c, 200);
  SetWindowHeating(c, 3);
  SetGain(c, 123);
  Step(m.name, "cooling");
  SetFilter(c, 2);
  ReinitFilterWheel(c);
  Step(m.name, "filter");
  MoveTelescope(c, 0x0105, 0x8203);
  MoveInProgress(c, &b);
  Step(m.name, "guiding");
  double lat, lon, alt, second;
  int32_t year, month, day;
  uint32_t hour, minute, satellites;
  GetGPSData(c, &lat, &lon, &alt, &year, &month, &day, &hour, &minute, &second, &satellites, &b);
  GetImageTimeStamp(c, &year, &month, &day, &hour, &minute, &second);
  Step(m.name, "gps");
  Release(c);
  Step(m.name, "release");
}

TEST_F(WireCapture, EveryRequestOfEveryModelMatchesTheCapture) {
  for (const Model& m : DefaultModels()) Session(m);
  if (getenv("TQUSB_UPDATE_GOLDEN") != nullptr) {
    std::ofstream(kGolden) << capture_.str();
    GTEST_SKIP() << "capture written to " << kGolden;
  }
  std::ifstream file(kGolden);
  ASSERT_TRUE(file) << "no capture at " << kGolden;
  std::stringstream golden;
  golden << file.rdbuf();
  // Line by line, so a failure names the first request that differs.
  std::istringstream want(golden.str()), got(capture_.str());
  std::string a, g;
  for (unsigned line = 1;; ++line) {
    const bool moreWant = static_cast<bool>(std::getline(want, a));
    const bool moreGot = static_cast<bool>(std::getline(got, g));
    if (!moreWant && !moreGot) break;
    ASSERT_EQ(moreWant ? a : "(end)", moreGot ? g : "(end)") << "line " << line;
  }
}

}  // namespace
