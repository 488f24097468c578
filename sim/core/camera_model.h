#pragma once
// A camera model: everything the simulator needs to play one camera, as read
// from the configuration file. The kind and generation are derived from the
// interface class and product id exactly as a connecting host derives them.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "camera_kind.h"
#include "image/gps_reply.h"
#include "image/scene.h"
#include "wire.h"

namespace tqsim {

// Physical parameters of the thermal and electrical model.
struct PhysicsParams {
  double ambientC = 20.0;         // air temperature around the camera
  double coolingDepthC = 40.0;    // largest difference below ambient the cooler can hold
  double timeConstantS = 20.0;    // first-order lag of the sensor temperature
  double heatSinkRiseC = 8.0;     // heat-sink warming at full cooler power
  double selfHeatingC = 6.0;      // sensor warming of an uncooled camera
  double supplyVoltage = 12.0;    // analogue reading (value index 10)
  double auxReading = 1.25;       // reading in thousandths (value index 20)
  double driftAmplitude = 0.05;   // slow drift of the readings
  double driftPeriodS = 600.0;
  double filterStepS = 0.3;       // time for the wheel to move by one position
  std::optional<double> initialSetPointC;  // cooler running from power-on
};

// The image side of a camera: its sky, its link speed and its receiver.
struct ImageModel {
  image::SceneParams scene;                 // scene.seed is replaced by `seed`
  std::optional<std::uint64_t> seed;        // default: the camera id
  std::optional<double> readoutRate;        // bytes per second; default by bcdUSB
  bool cachedFrames = false;                // render once, serve encoded frames
  image::GpsReceiver gps;
  std::array<std::int32_t, 4> outputLevels{};  // kind 4: level of outputs 1 to 4
  std::array<std::int32_t, 3> sampleLevels{};  // level of each reading of a pixel
};

struct CameraModel {
  std::string name;             // device name on the bus, [a-z0-9_.&#-]{1,100}
  int interfaceClass = 1;       // 1..14
  std::optional<std::uint16_t> productId;  // none: the device has no descriptor
  std::uint16_t vendorId = 0x0000;
  std::uint16_t bcdUsb = 0x0300;
  std::uint32_t cameraId = 0;

  // Information record.
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint8_t caps = 0;          // capability bits 0..3
  std::uint8_t filterCount = 0;   // wheel positions, 0 = no wheel
  std::uint8_t extra = 0;         // 4 bits carried in the packed flags 12..15
  std::uint16_t packedFlagBits = 0;  // further packed-flag bits (1, 3, 4, 6, 7)
  std::uint16_t infoWord3 = 0;
  std::uint16_t infoWord4 = 0;
  std::string text0, text2, text3;  // at most 15 characters each

  std::array<std::uint16_t, 4> versions{};  // query words 0x80..0x83
  bool subFrames = false;                   // generation 0: answers 0xFF with 0x80 0x80
  std::vector<std::uint8_t> readModes;      // accepted read-mode codes
  std::uint8_t maxBinX = 4, maxBinY = 4;    // generation 1 camera binning
  std::uint16_t maxGain = 240;
  bool cooled = true;
  PhysicsParams physics;
  ImageModel image;

  KindAndGeneration kg;  // derived

  int Kind() const { return kg.kind; }
  int Generation() const { return kg.generation; }
};

// Fills the derived fields and the defaults that depend on kind and generation
// (read-mode list, binning limits, cooling). Call after setting the configured
// fields; explicitly configured read modes are kept.
void DeriveModel(CameraModel& m);

// Checks a model for values the firmware cannot represent; returns an empty
// text when it is usable, else the reason.
std::string ValidateModel(const CameraModel& m);

// The packed flags word of the 60-byte record.
std::uint16_t PackedFlags(const CameraModel& m);

// The reply data of opcode 0x00: the 60- or 64-byte record.
Bytes InfoRecord(const CameraModel& m);

// The 18-byte USB device descriptor, or nothing when the model has none.
std::optional<Bytes> DeviceDescriptor(const CameraModel& m);

// The read mode a camera starts with.
std::uint8_t DefaultReadMode(const CameraModel& m);

}  // namespace tqsim
