// Read-mode lists and selection over a scripted USB driver: the names and
// codes of every camera family, the stored fields and the failure texts.
#include "driver/acquisition/read_modes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/camera/camera.h"
#include "support/fake_backend.h"
#include "tqusb/tqusb.h"

using namespace tQusb;
using tqtest::FakeBackend;

namespace {

using Bytes = std::vector<uint8_t>;

struct Family {
  const char* name;
  int32_t generation;
  uint32_t kind;
  uint16_t ver128Lo, ver131;
  std::vector<std::pair<std::string, uint8_t>> modes;  // name, code sent
};

const Family kFamilies[] = {
    {"generation 0", 0, 17, 0, 0, {{"Fast read", 2}, {"Slow read", 16}}},
    {"generation 1 kind 7", 1, 7, 0, 0, {{"Ultra Low Noise", 2}, {"Low Noise", 1}, {"Preview", 0}}},
    {"generation 1 kind 8", 1, 8, 0, 0, {{"Ultra Low Noise", 2}, {"Low Noise", 1}, {"Preview", 0}}},
    {"generation 1 kind 3", 1, 3, 9, 9, {{"Low Noise", 1}, {"Preview", 0}}},
    {"generation 1 kind 1", 1, 1, 0, 0, {{"Low Noise", 1}, {"Preview", 0}}},
    {"generation 2 kind 9 extended", 2, 9, 2, 2,
     {{"8-bit slow", 0}, {"12-bit slow", 1}, {"8-bit fast", 2}, {"12-bit fast", 3}}},
    {"generation 4 kind 11 extended", 4, 11, 21, 5,
     {{"8-bit slow", 0}, {"12-bit slow", 1}, {"8-bit fast", 2}, {"12-bit fast", 3}}},
    {"generation 4 kind 11 first version 1", 4, 11, 1, 5, {{"8-bit", 0}, {"12-bit", 1}}},
    {"generation 5 kind 14 fourth version 1", 5, 14, 9, 1, {{"8-bit", 0}, {"12-bit", 1}}},
    {"generation 3 kind 9", 3, 9, 0, 0, {{"8-bit", 0}, {"12-bit", 1}}},
    {"generation 3 kind 10", 3, 10, 9, 9, {}},
    {"generation 5 kind 15", 5, 15, 9, 9, {}},
    {"generation 6", 6, 9, 9, 9, {}},
};

void Prepare(CCamera& camera, const Family& f) {
  FakeBackend::Connect(camera, f.generation, f.kind);
  camera.Ver128Lo = f.ver128Lo;
  camera.Ver131 = f.ver131;
}

TEST(ReadModes, EveryFamilyListsItsNamesAndSendsItsCodes) {
  for (const Family& f : kFamilies) {
    FakeBackend backend;
    CCamera camera;
    Prepare(camera, f);
    const uint8_t opcode = f.generation == 0 ? 0x02 : 0x03;
    for (uint32_t i = 0; i < f.modes.size(); ++i) {
      char name[32];
      ASSERT_TRUE(cameraEnumerateReadModes(&camera, i, 31, name)) << f.name << " " << i;
      EXPECT_EQ(std::string(name), f.modes[i].first) << f.name;
      backend.Reply({0x80});
      EXPECT_TRUE(SetReadMode(&camera, i)) << f.name << " " << i;
      const uint32_t stored = f.generation == 0 ? camera.ReadModeG0 : camera.ReadMode;
      EXPECT_EQ(stored, f.modes[i].second) << f.name << " " << i;
      EXPECT_EQ(backend.requests.back(), Bytes({opcode, f.modes[i].second})) << f.name << " " << i;
    }
    char untouched[4] = {'#', '#', '#', '#'};
    EXPECT_FALSE(EnumerateReadModes(&camera, static_cast<uint32_t>(f.modes.size()), 3, untouched))
        << f.name;
    EXPECT_EQ(std::string(untouched, 4), "####") << f.name;
    EXPECT_EQ(backend.requests.size(), f.modes.size()) << f.name;
  }
}

TEST(ReadModes, SelectionFailures) {
  const struct {
    const char* name;
    Family family;
    uint32_t mode;
    const char* text;  // LastError afterwards
  } cases[] = {
      {"list number past the list", kFamilies[3], 2, "Invalid read mode"},
      {"past the short multi-mode list", kFamilies[7], 2, "Invalid read mode"},
      {"generation 0 past its list", kFamilies[0], 0xFFFFFFFF, "Invalid read mode"},
      {"kind without read modes", kFamilies[11], 0, "Camera does not support this feature"},
      {"kind without read modes, any number", kFamilies[10], 7,
       "Camera does not support this feature"},
      {"generation above 5 sets no text", kFamilies[12], 0, "before"},
  };
  for (const auto& c : cases) {
    FakeBackend backend;
    CCamera camera;
    Prepare(camera, c.family);
    std::strcpy(camera.LastError, "before");
    camera.ReadMode = 77;
    camera.ReadModeG0 = 77;
    EXPECT_FALSE(SetReadMode(&camera, c.mode)) << c.name;
    EXPECT_STREQ(camera.LastError, c.text) << c.name;
    EXPECT_EQ(camera.ReadMode, 77u) << c.name;
    EXPECT_EQ(camera.ReadModeG0, 77u) << c.name;
    EXPECT_TRUE(backend.requests.empty()) << c.name;
  }
}

TEST(ReadModes, RefusedCodeStaysStored) {
  FakeBackend backend;
  CCamera camera;
  FakeBackend::Connect(camera, 1, 7);
  backend.Reply({0x82});
  EXPECT_FALSE(camera.SetReadMode(0));
  EXPECT_EQ(camera.ReadMode, 2u);
  EXPECT_STREQ(camera.LastError, "Instruction failed: Invalid parameter");
}

TEST(ReadModes, SelectionNeedsAConnectionButTheListDoesNot) {
  FakeBackend backend;
  CCamera camera;
  camera.Generation = 0;
  camera.SetKind(17);
  EXPECT_FALSE(cameraSetReadMode(&camera, 1));
  EXPECT_STREQ(camera.LastError, "CCD camera not connected to USB");
  EXPECT_EQ(camera.ReadModeG0, 0u);
  char name[8];
  std::memset(name, '#', sizeof name);
  EXPECT_TRUE(EnumerateReadModes(&camera, 1, 4, name));  // cut at the caller's high index
  EXPECT_EQ(std::string(name, 6), "Slow #");
  EXPECT_FALSE(EnumerateReadModes(&camera, 0, 4, nullptr));
  EXPECT_TRUE(backend.requests.empty());
}

}  // namespace
