// The driver's kind traits and product table against the simulator's own
// tables, model by model: the two are written independently on purpose (a
// shared table would hide a shared mistake), and this keeps them from
// drifting apart silently.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/camera_kind.h"
#include "core/camera_model.h"
#include "core/conversions.h"
#include "driver/camera/kind_traits.h"
#include "driver/transport/camera_classes.h"
#include "image/readout_plan.h"

namespace {

using tqsim::image::SampleFormat;

struct Device {
  int interfaceClass;
  std::optional<uint16_t> productId;
};

// Every class the driver opens, and class 1 with every id of 0x0BF0..0x0CFF
// (known products and the ones that keep the defaults) and without an id.
std::vector<Device> Devices() {
  std::vector<Device> devices;
  for (const tQusb::TClassKind& row : tQusb::CameraInitClassOrder())
    if (row.ClassNumber != tQusb::kProductIdClass) devices.push_back({row.ClassNumber, {}});
  devices.push_back({tQusb::kProductIdClass, std::nullopt});
  for (unsigned id = 0x0BF0; id <= 0x0CFF; ++id)
    devices.push_back({tQusb::kProductIdClass, static_cast<uint16_t>(id)});
  return devices;
}

// Kind and generation the driver decides for a device.
tqsim::KindAndGeneration DriverDecision(const Device& d) {
  for (const tQusb::TClassKind& row : tQusb::CameraInitClassOrder()) {
    if (row.ClassNumber != d.interfaceClass) continue;
    uint32_t kind = row.CameraKind;
    int32_t generation = row.Generation;
    if (d.productId) tQusb::KindByProductId(*d.productId, kind, generation);
    return {static_cast<int>(kind), generation};
  }
  return {};
}

// The simulator's sample format of a generation-1 whole-frame readout.
SampleFormat Generation1Format(int kind, uint32_t readMode) {
  tqsim::image::ReadoutCamera camera;
  camera.generation = 1;
  camera.kind = kind;
  camera.width = 64;
  camera.height = 32;
  camera.readMode = readMode;
  tqsim::image::ReadoutRequest request;
  request.opcode = 0x0B;
  request.windowed = true;
  request.colCount = 64;
  request.rowCount = 32;
  return tqsim::image::PlanReadout(camera, request).format;
}

TEST(KindTraitsAgreement, DriverAndSimulatorDecideAndDescribeEveryModelAlike) {
  for (const Device& d : Devices()) {
    const std::string at = "class " + std::to_string(d.interfaceClass) + " product " +
                           (d.productId ? std::to_string(*d.productId) : "none");
    const tqsim::KindAndGeneration sim = tqsim::KindForClass(d.interfaceClass, d.productId);
    const tqsim::KindAndGeneration driver = DriverDecision(d);
    ASSERT_EQ(driver.kind, sim.kind) << at;
    ASSERT_EQ(driver.generation, sim.generation) << at;

    const tQusb::TKindTraits& t = tQusb::KindTraitsOf(static_cast<uint32_t>(sim.kind));
    EXPECT_EQ(t.Kind, static_cast<uint32_t>(sim.kind)) << at;
    EXPECT_TRUE(t.Generations & (1u << sim.generation)) << at;
    EXPECT_EQ(t.InterfaceClass, d.interfaceClass) << at;
    EXPECT_EQ(sim.generation == 0 || t.PackedRecord, tqsim::UsesPackedRecord(sim)) << at;
    EXPECT_EQ(t.MultiMode, tqsim::IsMultiModeKind(sim.kind)) << at;
    EXPECT_EQ(t.CoarseScales,
              tqsim::SetPointConversion(sim.kind) == tqsim::Conversion::kTemperatureCoarse)
        << at;

    tqsim::CameraModel model;
    model.interfaceClass = d.interfaceClass;
    model.productId = d.productId;
    model.versions = {0x0207, 2, 1, 2};
    tqsim::DeriveModel(model);
    EXPECT_EQ(t.DefaultReadMode, tqsim::DefaultReadMode(model)) << at;
    if (sim.generation == 1) {
      EXPECT_EQ(t.Generation1ReadModes, model.readModes.size()) << at;
    }
  }
  // The generation-1 readouts, also of kind 7, which no interface class names.
  for (int kind = 1; kind <= 8; ++kind) {
    const tQusb::TKindTraits& t = tQusb::KindTraitsOf(static_cast<uint32_t>(kind));
    for (uint32_t mode = 0; mode < 3; ++mode) {
      const SampleFormat f = Generation1Format(kind, mode);
      EXPECT_EQ(t.FourOutputs, f == SampleFormat::Quad) << "kind " << kind;
      if (t.FourOutputs) continue;
      const bool big = f == SampleFormat::U16BE || f == SampleFormat::TwoBE;
      EXPECT_EQ(t.BigEndianSamples, big) << "kind " << kind << " mode " << mode;
      const int samples = f == SampleFormat::ThreeLE                               ? 3
                          : (f == SampleFormat::TwoLE || f == SampleFormat::TwoBE) ? 2
                                                                                   : 1;
      EXPECT_EQ(t.SamplesPerMode[mode], samples) << "kind " << kind << " mode " << mode;
    }
  }
}

}  // namespace
