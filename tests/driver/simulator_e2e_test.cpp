// End to end: the library in this process and in a second host process,
// against the simulator serving its default cameras on a private bus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <array>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>

#include "driver/camera/camera.h"
#include "support/captures.h"
#include "support/simulator.h"
#include "tqusb/tqusb.h"

using namespace tQusb;

namespace {

// What the interface-class and product-id tables make of each default camera:
// the generation and kind its name carries ("g<generation>-k<kind>-..."), and
// the read mode a camera of that kind starts in (ReadModeG0 for generation 0,
// ReadMode otherwise).
struct Expected {
  uint32_t kind;
  int32_t generation;
  uint32_t readMode;
};

const std::map<uint32_t, uint32_t> kStartReadModeByKind = {
    {1, 1},  {2, 1},  {3, 1},  {4, 1},  {5, 1},  {6, 1},  {8, 2},  {9, 0},  {10, 3}, {11, 0},
    {12, 3}, {13, 3}, {14, 0}, {15, 3}, {16, 3}, {17, 16}, {18, 16}, {19, 16}, {20, 16}, {21, 16},
};

Expected ExpectedOf(const std::string& name) {
  unsigned generation = 0, kind = 0;
  EXPECT_EQ(std::sscanf(name.c_str(), "g%u-k%u", &generation, &kind), 2) << name;
  return {kind, static_cast<int32_t>(generation), kStartReadModeByKind.at(kind)};
}

// Interface class 10 is listed but never opened.
constexpr int kListedOnlyClass = 10;

struct SimCamera {
  std::string name;
  int classNumber;
  uint32_t id;
  nlohmann::json config;
};

std::vector<SimCamera> DefaultCameras() {
  std::ifstream file(TQSIM_CAMERAS_JSON);
  const nlohmann::json config = nlohmann::json::parse(file);
  std::vector<SimCamera> cameras;
  for (const auto& c : config.at("cameras"))
    cameras.push_back({c.at("name"), c.at("class"), c.at("camera_id"), c});
  return cameras;
}

unsigned Number(const nlohmann::json& value) {
  return value.is_string() ? std::stoul(value.get<std::string>(), nullptr, 0)
                           : value.get<unsigned>();
}

std::string Text(const char (&field)[kInfoTextLength]) {
  return std::string(field, strnlen(field, kInfoTextLength));
}

std::set<uint32_t> enumerated;
void Collect(uint32_t id) {
  enumerated.insert(id);
}

std::set<uint32_t> EnumerateHere() {
  enumerated.clear();
  Enumerate(Collect);
  return enumerated;
}

class SimulatorE2e : public tqtest::SimulatorTest {
 protected:
  std::set<uint32_t> EnumerateInHelper() {
    auto helper = Helper({"enumerate"});
    std::set<uint32_t> ids;
    for (const std::string& line : helper->ReadLinesUntil("end")) ids.insert(std::stoul(line));
    EXPECT_EQ(helper->Wait(), 0);
    return ids;
  }
};

TEST_F(SimulatorE2e, EnumerateSkipsCamerasHeldHereOrElsewhere) {
  std::set<uint32_t> all;
  for (const SimCamera& c : DefaultCameras()) all.insert(c.id);
  ASSERT_EQ(all.size(), DefaultCameras().size());  // the ids are distinct
  EXPECT_EQ(EnumerateHere(), all);

  CCamera* here = Initialize(1226);
  ASSERT_TRUE(here->IsConnected());
  auto elsewhere = Helper({"open", "9017"});
  ASSERT_EQ(elsewhere->ReadLine(), "connected");

  std::set<uint32_t> free = all;
  free.erase(1226);
  free.erase(9017);
  EXPECT_EQ(EnumerateHere(), free);
  EXPECT_EQ(EnumerateInHelper(), free);

  elsewhere->CloseInput();
  EXPECT_EQ(elsewhere->Wait(), 0);
  Release(here);
  EXPECT_EQ(EnumerateHere(), all);
}

TEST_F(SimulatorE2e, EveryCameraConnectsAsTheTablesSay) {
  for (const SimCamera& sim : DefaultCameras()) {
    SCOPED_TRACE(sim.name);
    CCamera* camera = Initialize(sim.id);
    if (sim.classNumber == kListedOnlyClass) {
      EXPECT_FALSE(camera->IsConnected());
      EXPECT_EQ(camera->CameraKind, 0u);
      Release(camera);
      continue;
    }
    ASSERT_TRUE(camera->IsConnected());
    const Expected e = ExpectedOf(sim.name);
    EXPECT_EQ(camera->CameraKind, e.kind);
    EXPECT_EQ(camera->Generation, e.generation);
    EXPECT_EQ(e.generation == 0 ? camera->ReadModeG0 : camera->ReadMode, e.readMode);
    const bool usb2 = sim.config.contains("bcd_usb") && Number(sim.config["bcd_usb"]) == 0x0200;
    EXPECT_EQ(camera->SingleReadLimit, usb2 ? 0x400000u : 0x1800000u);

    EXPECT_EQ(camera->Info.CameraId, sim.id);
    EXPECT_EQ(camera->PackedInfo.CameraId, sim.id);
    EXPECT_EQ(camera->Info.Width, Number(sim.config["width"]));
    EXPECT_EQ(camera->Info.Height, Number(sim.config["height"]));
    EXPECT_EQ(camera->Info.InfoWord3, Number(sim.config.value("info_word3", nlohmann::json(0))));
    EXPECT_EQ(camera->Info.InfoWord4, Number(sim.config.value("info_word4", nlohmann::json(0))));
    const auto& texts = sim.config["texts"];
    EXPECT_EQ(Text(camera->Info.Text0), texts[0].get<std::string>());
    EXPECT_EQ(Text(camera->Info.Text2), texts[1].get<std::string>());
    EXPECT_EQ(Text(camera->Info.Text3), texts[2].get<std::string>());

    const auto& versions = sim.config["versions"];
    EXPECT_EQ(camera->Ver128Hi, Number(versions[0]) >> 8);
    EXPECT_EQ(camera->Ver128Lo, Number(versions[0]) & 0xFF);
    EXPECT_EQ(camera->Ver129Hi, Number(versions[1]) >> 8);
    EXPECT_EQ(camera->Ver129Lo, Number(versions[1]) & 0xFF);
    EXPECT_EQ(camera->Ver130, e.generation == 0 ? 0u : Number(versions[2]));
    EXPECT_EQ(camera->Ver131, e.generation == 0 ? 0u : Number(versions[3]));
    if (e.generation == 0) {
      EXPECT_EQ((camera->Flags & kFlagCanReadSubFrames) != 0,
                sim.config.value("sub_frames", false));
    }
    EXPECT_STREQ(camera->LastError, "");
    EXPECT_TRUE(ClearSensor(camera));
    Release(camera);
  }
}

// The default cameras with their sensors cut to about 640 x 640, each side
// keeping its remainder modulo 16 and so its fit to the window steps.
class SmallSensors : public SimulatorE2e {
 protected:
  SmallSensors() {
    std::ifstream file(TQSIM_CAMERAS_JSON);
    nlohmann::json config = nlohmann::json::parse(file);
    for (auto& c : config.at("cameras"))
      for (const char* side : {"width", "height"}) c[side] = 640 + Number(c[side]) % 16;
    config_ = root_.Path() + "-cameras.json";
    std::ofstream(config_) << config.dump();
  }
  ~SmallSensors() override { std::remove(config_.c_str()); }
};

// Every camera at every binning it announces (integer parameters 5 and 6):
// the whole frame and a window touching its bottom-right corner. A sensor
// whose size is no multiple of the window step is read with the margin the
// fitted window reaches beyond its edge.
TEST_F(SmallSensors, EveryCameraReadsWholeFrameAndCornerAtEveryBinning) {
  std::vector<uint16_t> pixels;
  for (const SimCamera& sim : DefaultCameras()) {
    if (sim.classNumber == kListedOnlyClass) continue;
    SCOPED_TRACE(sim.name);
    CCamera* camera = Initialize(sim.id);
    ASSERT_TRUE(camera->IsConnected());
    uint32_t width = 0, height = 0, maxX = 0, maxY = 0;
    bool windows = false;
    ASSERT_TRUE(GetIntegerParameter(camera, 1, &width) && GetIntegerParameter(camera, 2, &height) &&
                GetIntegerParameter(camera, 5, &maxX) && GetIntegerParameter(camera, 6, &maxY) &&
                GetBooleanParameter(camera, 1, &windows));
    for (uint32_t b = 1; b <= maxX; ++b) {
      const uint32_t bx = b, by = std::min(b, maxY);
      // The four-output camera's frame is four binned quarters.
      const uint32_t quarters = camera->Generation == 1 && camera->CameraKind == 4 ? 2 : 1;
      const uint32_t fw = width / quarters / bx * quarters, fh = height / quarters / by * quarters;
      ASSERT_TRUE(SetBinning(camera, bx, by)) << camera->LastError;
      const uint32_t w = windows ? std::min(fw, 24u) : fw, h = windows ? std::min(fh, 8u) : fh;
      for (const auto& [x, y, cw, ch] : {std::array{0u, 0u, fw, fh}, {fw - w, fh - h, w, h}}) {
        pixels.assign(size_t{cw} * ch, 0);
        EXPECT_TRUE(GetImage16b(camera, x, y, cw, ch, uint32_t(pixels.size() * 2), pixels.data()))
            << bx << "x" << by << " at " << x << "," << y << ": " << camera->LastError;
      }
    }
    Release(camera);
  }
}

TEST_F(SimulatorE2e, UnknownIdGivesHandleThatIsNotConnected) {
  CCamera* camera = Initialize(4242);
  ASSERT_NE(camera, nullptr);
  float value = 0;
  bool flag = false;
  uint32_t x = 0, y = 0, w = 1, h = 1;
  uint16_t pixels[4];
  const bool results[] = {
      ClearSensor(camera),
      ClearCCD(camera),
      cameraOpen(camera),
      Close(camera),
      BeginExposure(camera, true),
      GetImage16b(camera, 0, 0, 1, 1, sizeof pixels, pixels),
      cameraGetValue(camera, 0, &value),
      SetGain(camera, 1),
      MoveInProgress(camera, &flag),
      AdjustSubFrame(camera, &x, &y, &w, &h),
  };
  for (bool r : results) EXPECT_FALSE(r);
  char text[129];
  GetLastErrorString(camera, 128, text);
  EXPECT_STREQ(text, "CCD camera not connected to USB");
  EXPECT_EQ(camera->PowerTimer, 1);
  Release(camera);
  CCamera* quiet = Initialize2(4242);
  EXPECT_FALSE(quiet->IsConnected());
  EXPECT_EQ(quiet->PowerTimer, 0);
  Release(quiet);
  Release(reinterpret_cast<TQCAMERA>(~uintptr_t{0}));
  Release(nullptr);
}

TEST_F(SimulatorE2e, SecondProcessOpensOnlyWhatTheFirstGaveUp) {
  CCamera* held = Initialize(1103);
  ASSERT_TRUE(held->IsConnected());
  auto refused = Helper({"open", "1103"});
  EXPECT_EQ(refused->ReadLine(), "not connected: CCD camera not connected to USB");
  refused->CloseInput();
  EXPECT_EQ(refused->Wait(), 0);

  Release(held);
  auto accepted = Helper({"open", "1103"});
  EXPECT_EQ(accepted->ReadLine(), "connected");

  // A host that dies keeps nothing: its claim ends with the process.
  CCamera* blocked = Initialize(1103);
  EXPECT_FALSE(blocked->IsConnected());
  Release(blocked);
  accepted->Signal(SIGKILL);
  accepted->Wait();
  CCamera* after = Initialize(1103);
  EXPECT_TRUE(after->IsConnected());
  EXPECT_TRUE(ClearSensor(after));
  Release(after);
}

TEST_F(SimulatorE2e, DroppedReplyDisconnectsAndFailureStatusDoesNot) {
  tqtest::DebugCapture debug;
  tqtest::NotifyCapture host;
  CCamera* camera = Initialize(1226);
  ASSERT_TRUE(camera->IsConnected());
  RegisterNotifyHWND(camera, host.Window());
  host.Take();

  Control({"fault", "1226", "status", "0x83"});
  EXPECT_FALSE(ClearSensor(camera));
  EXPECT_STREQ(camera->LastError, "Instruction failed: Unknown instruction");
  EXPECT_TRUE(camera->IsConnected());
  EXPECT_TRUE(ClearSensor(camera));

  Control({"fault", "1226", "close-reply"});
  EXPECT_FALSE(ClearSensor(camera));
  const auto lines = debug.Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "Command Read FAIL 4\n"), lines.end());
  EXPECT_FALSE(camera->IsConnected());
  EXPECT_STREQ(camera->DevicePath, "");
  for (transport::Handle h : {camera->hDevice, camera->hCommand, camera->hReply, camera->hImage})
    EXPECT_EQ(h, transport::kInvalidHandle);
  const auto messages = host.Take();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].message, 0x40Bu);

  // The claim is gone: another process can have the camera now.
  auto other = Helper({"open", "1226"});
  EXPECT_EQ(other->ReadLine(), "connected");
  other->CloseInput();
  other->Wait();

  EXPECT_FALSE(cameraClearSensor(camera));
  EXPECT_STREQ(camera->LastError, "CCD camera not connected to USB");
  RegisterNotifyHWND(camera, nullptr);
  Release(camera);
}

}  // namespace
