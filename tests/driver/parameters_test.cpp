// The three parameter queries over camera objects set up directly: the
// record fields and the indices outside the tables, the rows that depend on
// kind, flags, record and settings, and the string texts.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "driver/camera/camera.h"
#include "driver/config/parameter_view.h"
#include "tqusb/tqusb.h"

using namespace tQusb;

namespace {

void SetText(char (&field)[kInfoTextLength], const char* text) {
  std::memset(field, 0, kInfoTextLength);
  std::memcpy(field, text, std::min<size_t>(std::strlen(text), kInfoTextLength));
}

// A connected-looking camera of the given generation and kind with distinct
// record values; both record forms agree as after initialisation.
void Prepare(CCamera& camera, int32_t generation, uint32_t kind) {
  camera.Generation = generation;
  camera.SetKind(kind);
  camera.Flags = kFlagConnected | kFlagCanReadSubFrames;
  camera.Info.CameraId = 4711;
  camera.Info.Caps = 0x01;
  camera.Info.FilterCount = 7;
  camera.Info.Width = 3000;
  camera.Info.Height = 2000;
  camera.Info.InfoWord3 = 520;
  camera.Info.InfoWord4 = 530;
  SetText(camera.Info.Text0, "CCD 1360 20C");
  SetText(camera.Info.Text2, "Model two");
  SetText(camera.Info.Text3, "M768 Q");
  camera.PackedInfo = PackInfo(camera.Info);
  camera.Ver128Hi = 3;
  camera.Ver128Lo = 12;
  camera.Ver129Hi = 5;
  camera.Ver129Lo = 6;
  camera.Ver130 = 7;
  camera.Ver131 = 2;
  camera.VerReserved = 0;
}

std::optional<uint32_t> Integer(CCamera& camera, uint32_t index) {
  uint32_t value = 0xDEADBEEF;
  if (!GetIntegerParameter(&camera, index, &value)) {
    EXPECT_EQ(value, 0xDEADBEEFu) << "index " << index << " failed but wrote";
    return std::nullopt;
  }
  return value;
}

std::optional<bool> Boolean(CCamera& camera, uint32_t index) {
  uint8_t raw = 0x5A;
  bool* value = reinterpret_cast<bool*>(&raw);
  if (!GetBooleanParameter(&camera, index, value)) {
    EXPECT_EQ(raw, 0x5A) << "index " << index << " failed but wrote";
    return std::nullopt;
  }
  EXPECT_TRUE(raw == 0 || raw == 1) << "index " << index;
  return raw == 1;
}

// Every generation in the tables answers the record, version and library
// fields under their indices; indices outside the tables fail without writing,
// and a generation outside them answers no index at all.
TEST(ParameterQueries, RecordFieldsAndIndicesOutsideTheTables) {
  const TLibraryVersion library = DriverVersion();
  const std::map<uint32_t, uint32_t> fields = {
      {0, 4711}, {3, 520},  {4, 530},  {128, 3}, {129, 12}, {130, 5},
      {131, library.Major}, {132, library.Minor}, {133, library.Release}};
  std::vector<uint32_t> outside = {65535u, 65537u, 0x7FFFFFFFu, 0xFFFFFFFFu};
  for (uint32_t i = 20; i <= 300; ++i)
    if (i < 128 || (i > 136 && i != 256)) outside.push_back(i);
  const std::pair<int32_t, uint32_t> cameras[] = {{-1, 9}, {0, 17}, {1, 3},  {2, 9},
                                                  {3, 9},  {4, 11}, {5, 14}, {6, 9}};
  for (const auto& [generation, kind] : cameras) {
    SCOPED_TRACE("generation " + std::to_string(generation));
    CCamera camera;
    Prepare(camera, generation, kind);
    const bool known = generation >= 0 && generation <= 5;
    for (const auto& [index, value] : fields)
      EXPECT_EQ(Integer(camera, index), known ? std::optional<uint32_t>(value) : std::nullopt)
          << index;
    for (uint32_t index : outside) {
      EXPECT_EQ(Integer(camera, index), std::nullopt) << index;
      EXPECT_EQ(Boolean(camera, index), std::nullopt) << index;
    }
    if (!known) {
      for (uint32_t index = 0; index <= 300; ++index) {
        EXPECT_EQ(Integer(camera, index), std::nullopt) << index;
        EXPECT_EQ(Boolean(camera, index), std::nullopt) << index;
      }
    }
  }
}

// One adjustment of the typical camera and the answer it leads to.
struct KindCase {
  const char* name;
  int32_t generation;
  uint32_t kind;
  void (*adjust)(CCamera&);
  uint32_t index;
  std::optional<uint32_t> expected;
};

void Nothing(CCamera&) {}
void CropW1000(CCamera& c) { c.CropW = 1000; }
void CropW5000(CCamera& c) { c.CropW = 5000; }
void CropH1500(CCamera& c) { c.CropH = 1500; }
void CropWHuge(CCamera& c) { c.CropW = 0x80000000; }
void Crop1000x500(CCamera& c) { c.CropW = 1000; c.CropH = 500; }
void NoSubFrames(CCamera& c) { c.Flags &= ~kFlagCanReadSubFrames; }
void NoCapsBit0(CCamera& c) { c.Info.Caps = 0; }
void PackedBit6(CCamera& c) { c.PackedInfo.PackedFlags |= 0x40; }
void CapsBit3(CCamera& c) { c.Info.Caps |= 0x08; }
void OldFirmware128(CCamera& c) { c.Ver128Lo = 1; }
void OldFirmware131(CCamera& c) { c.Ver131 = 1; }
void Mode2Bin2x2(CCamera& c) { c.ReadMode = 2; c.HostBinningX = c.HostBinningY = 2; }
void Mode0Bin2x2(CCamera& c) { c.ReadMode = 0; c.HostBinningX = c.HostBinningY = 2; }
void Mode1Bin2x2(CCamera& c) { c.ReadMode = 1; c.HostBinningX = c.HostBinningY = 2; }
void Mode3Bin4x1(CCamera& c) { c.ReadMode = 3; c.HostBinningX = 4; }
void Bin2x3(CCamera& c) { c.HostBinningX = 2; c.HostBinningY = 3; }

TEST(ParameterQueries, IntegerRowsThatDependOnKindRecordAndSettings) {
  const KindCase cases[] = {
      {"crop width below chip", 1, 3, CropW1000, 1, 1000},
      {"crop width above chip", 1, 3, CropW5000, 1, 3000},
      {"crop height", 1, 6, CropH1500, 2, 1500},
      {"crop compared signed", 1, 3, CropWHuge, 1, 0x80000000},
      {"crop ignored by generation 0", 0, 17, Crop1000x500, 1, 3000},
      {"crop ignored by generation 2", 2, 9, Crop1000x500, 2, 2000},
      {"kind 4 doubles width, no crop", 1, 4, Crop1000x500, 1, 6000},
      {"kind 4 doubles height, no crop", 1, 4, Crop1000x500, 2, 4000},
      {"kind 4 horizontal binning", 1, 4, Nothing, 5, 4},
      {"kind 4 vertical binning", 1, 4, Nothing, 6, 1},
      {"generation 0 without windows, x", 0, 19, NoSubFrames, 5, 1},
      {"three read modes kind 7", 1, 7, Nothing, 7, 3},
      {"index 13 kind 7", 1, 7, Nothing, 13, 2},
      {"index 13 kind 6", 1, 6, Nothing, 13, 1},
      {"read modes of a non multi-mode kind 10", 2, 10, Nothing, 7, std::nullopt},
      {"read modes of kind 9 on generation 4", 4, 9, Nothing, 7, std::nullopt},
      {"read modes of kind 15", 5, 15, Nothing, 7, std::nullopt},
      {"read modes, old first version", 3, 9, OldFirmware128, 7, 2},
      {"read modes, old fourth version", 4, 11, OldFirmware131, 7, 2},
      {"model constant without caps bit 0", 1, 1, NoCapsBit0, 9, 100000},
      {"model constant kind 1", 1, 1, Nothing, 9, 250000},
      {"model constant kind 1 with packed bit 6", 1, 1, PackedBit6, 9, 200000},
      {"index 14 kind 3 with caps bit 3", 1, 3, CapsBit3, 14, 2},
      {"index 14 kind 8 with caps bit 3", 1, 8, CapsBit3, 14, 2},
      {"index 14 kind 4 with caps bit 3", 1, 4, CapsBit3, 14, 1},
      {"8-bit slow, 2x2", 4, 11, Mode2Bin2x2, 17, 1016},
      {"8-bit slow, 2x2 scaled", 4, 11, Mode2Bin2x2, 19, 60},
      {"8-bit, 2x2", 2, 9, Mode0Bin2x2, 17, 1016},
      {"12-bit, 2x2", 4, 11, Mode1Bin2x2, 17, 16376},
      {"12-bit, 2x2 scaled", 4, 11, Mode1Bin2x2, 19, 960},
      {"12-bit fast, 4x1", 5, 14, Mode3Bin4x1, 19, 960},
      {"mode 0 on a single-mode kind", 4, 12, Mode0Bin2x2, 17, 16376},
      {"mode 0 on a single-mode kind scaled", 5, 16, Mode0Bin2x2, 19, 960},
      {"generation 0 host binning", 0, 17, Bin2x3, 19, 3072},
      {"generation 0 largest pixel ignores binning", 0, 17, Bin2x3, 17, 65535},
      {"generation 1 scaled constant", 1, 3, Bin2x3, 19, 3072},
  };
  for (const KindCase& c : cases) {
    CCamera camera;
    Prepare(camera, c.generation, c.kind);
    c.adjust(camera);
    EXPECT_EQ(Integer(camera, c.index), c.expected) << c.name;
  }
}

void Disconnected(CCamera& c) { c.Flags &= ~kFlagConnected; }
void NoFilters(CCamera& c) { c.Info.FilterCount = 0; }
void CapsBit1(CCamera& c) { c.Info.Caps |= 0x02; }
void Micrometer(CCamera& c) { c.Flags |= kFlagMicrometerFilterOffsets; }
void Caps4(CCamera& c) { c.Info.Caps = 0x04; }
void Caps8(CCamera& c) { c.Info.Caps = 0x08; }
void Caps3(CCamera& c) { c.Info.Caps = 0x03; }
TEST(ParameterQueries, BooleanRowsThatDependOnKindRecordAndFlags) {
  const KindCase cases[] = {
      {"connected bit", 3, 9, Disconnected, 0, 0},
      {"generation 0 windows", 0, 17, NoSubFrames, 1, 0},
      {"kind 4 reads no windows", 1, 4, Nothing, 1, 0},
      {"generation 2 other kind", 2, 10, Nothing, 2, 0},
      {"generation 4 kind 12", 4, 12, Nothing, 2, 0},
      {"generation 5 kind 15", 5, 15, Nothing, 2, 0},
      {"generation 1 no wheel", 1, 3, NoFilters, 6, 0},
      {"generation 4 wheel answer is fixed", 4, 11, NoFilters, 6, 1},
      {"caps bit 1", 1, 3, CapsBit1, 9, 1},
      {"caps bit 1 ignored by generation 5", 5, 14, CapsBit1, 9, 0},
      {"micrometre offsets generation 1", 1, 3, Micrometer, 11, 1},
      {"micrometre offsets generation 5", 5, 14, Micrometer, 11, 1},
      {"micrometre offsets ignored by generation 4", 4, 11, Micrometer, 11, 0},
      {"index 14 kind 2", 1, 2, Nothing, 14, 1},
      {"index 14 kind 6", 1, 6, Nothing, 14, 1},
      {"index 14 kind 8", 1, 8, Nothing, 14, 0},
      {"index 16 caps bit 2", 5, 14, Caps4, 16, 1},
      {"index 16 caps bit 3", 5, 15, Caps8, 16, 1},
      {"index 16 caps bits 0 and 1", 5, 14, Caps3, 16, 0},
      {"index 128 caps bit 0 clear", 4, 11, NoCapsBit0, 128, 0},
      {"index 65536 kind 1", 1, 1, Nothing, 65536, 1},
  };
  for (const KindCase& c : cases) {
    CCamera camera;
    Prepare(camera, c.generation, c.kind);
    c.adjust(camera);
    const std::optional<bool> expected =
        c.expected ? std::optional<bool>(*c.expected != 0) : std::nullopt;
    EXPECT_EQ(Boolean(camera, c.index), expected) << c.name;
  }
}

// Index 128 from the model texts: the last of text 3 on generation 0, the
// temperature suffix of text 0 otherwise; 131 and 132 by generation-0 kind.
TEST(ParameterQueries, BooleanRowsFromTextsAndGenerationZeroKinds) {
  const struct {
    int32_t generation;
    uint32_t kind;
    const char* text;
    bool expected;
  } texts[] = {{0, 17, "M768 Q  ", true}, {0, 18, "M768 Q  ", false}, {0, 18, "K1024 K", true},
               {0, 19, "K1024 K", false}, {0, 20, "    ", false}, {0, 20, "ABCDEFGHIJKLMNQ", true},
               {1, 3, "CCD 20C \t", true}, {1, 3, "C", false}, {1, 3, "CCD AC", false},
               {1, 1, "9C", true}, {1, 3, "CCD 0c", false}};
  for (const auto& c : texts) {
    CCamera camera;
    Prepare(camera, c.generation, c.kind);
    SetText(c.generation == 0 ? camera.Info.Text3 : camera.Info.Text0, c.text);
    EXPECT_EQ(Boolean(camera, 128), c.expected) << c.kind << " '" << c.text << "'";
  }
  const struct {
    uint32_t kind;
    std::optional<bool> index131, index132;
  } kinds[] = {{17, true, false}, {18, true, true},  {19, false, false},
               {20, true, true},  {21, true, true},  {9, std::nullopt, std::nullopt}};
  for (const auto& c : kinds) {
    CCamera camera;
    Prepare(camera, 0, c.kind);
    EXPECT_EQ(Boolean(camera, 131), c.index131) << c.kind;
    EXPECT_EQ(Boolean(camera, 132), c.index132) << c.kind;
  }
}

TEST(ParameterQueries, StringsAreCutAsBoundedCopies) {
  CCamera camera;
  Prepare(camera, 4, 11);
  std::memcpy(camera.Info.Text3, "FIFTEEN-CHARS-X", 15);  // no terminator in the record
  const struct {
    uint32_t index;
    uint32_t high;
    std::string stored;  // the characters written, terminator included when there is one
  } cases[] = {
      {0, 31, std::string("CCD 1360 20C\0", 13)},
      {1, 31, std::string("Kestoral Instruments\0", 21)},
      {1, 7, "Kestoral"},
      {1, 19, "Kestoral Instruments"},
      {2, 31, std::string("Model two\0", 10)},
      {3, 31, std::string("FIFTEEN-CHARS-X\0", 16)},
      {3, 4, "FIFTE"},
      {0, 0, "C"},
  };
  for (const auto& c : cases) {
    char buffer[40];
    std::memset(buffer, '#', sizeof buffer);
    ASSERT_TRUE(GetStringParameter(&camera, c.index, c.high, buffer)) << c.index;
    EXPECT_EQ(std::string(buffer, c.stored.size()), c.stored) << c.index << "/" << c.high;
    EXPECT_EQ(buffer[c.stored.size()], '#') << c.index << "/" << c.high;
  }
  for (uint32_t index : {4u, 5u, 255u, 0xFFFFFFFFu}) {
    char buffer[4] = {'#', '#', '#', '#'};
    EXPECT_FALSE(GetStringParameter(&camera, index, 3, buffer));
    EXPECT_EQ(std::string(buffer, 4), "####");
  }
}

// The queries need no connection, leave the last-error text alone and refuse
// a missing result pointer.
TEST(ParameterQueries, NoConnectionNeededLastErrorKeptAndNullPointersFail) {
  CCamera camera;
  Prepare(camera, 1, 3);
  camera.Flags = 0;
  std::strcpy(camera.LastError, "kept");
  EXPECT_EQ(Integer(camera, 1), 3000u);
  EXPECT_EQ(Boolean(camera, 0), false);
  char text[8] = {};
  EXPECT_TRUE(GetStringParameter(&camera, 1, 7, text));
  EXPECT_STREQ(camera.LastError, "kept");
  EXPECT_FALSE(GetIntegerParameter(&camera, 0, nullptr));
  EXPECT_FALSE(GetBooleanParameter(&camera, 0, nullptr));
  EXPECT_FALSE(GetStringParameter(&camera, 0, 10, nullptr));
}

}  // namespace
