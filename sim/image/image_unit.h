// The image unit of one simulated camera: everything image-related that a
// camera's firmware does, behind three calls the device server makes.
//
//   Observe(request, now)  with every request frame the firmware handles:
//       follows the exposure-control requests (clear, begin, end, shutter)
//       on the Integration model. It never answers; the firmware does.
//   Readout(request, settings, now, temperature)  for a readout request
//       (IsReadoutRequest): returns the image frame to send, its status
//       byte for generations 2 to 5, the simulated seconds of exposure the
//       server must let pass before sending, and the simulated seconds the
//       transfer takes at the camera's readout rate (the server paces the
//       image over them, or sends at once when its clock is instant).
//   TimeReply(opcode, now)  for 0x2A to 0x2D: the receiver's reply frame.
//
// `now` is the simulated clock in seconds; the UTC time of a clock reading
// is config.utcAtClockZero + now.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "image/exposure.h"
#include "image/frame_cache.h"
#include "image/gps_reply.h"
#include "image/readout.h"

namespace tqsim::image {

struct ImageUnitConfig {
  SceneParams scene;
  GpsReceiver gps;
  double readoutRate = kUsb2ReadoutRate;  // bytes per simulated second
  bool cachedFrames = false;              // render once, serve encoded frames
  double utcAtClockZero = 0.0;            // UTC seconds (since 1970) at clock 0
  bool subFrames = true;                  // generation 0: reads windows (0x07, 0x08)
  ImageFault fault;
  std::array<int32_t, 4> outputLevels{0, 0, 0, 0};
  std::array<int32_t, 3> sampleLevels{0, 0, 0};
};

// The camera identity the unit plays.
struct ImageCameraIdentity {
  int generation = 2;
  int kind = 9;
  uint32_t width = 0, height = 0;  // of the information record
  uint8_t ver128Lo = 7;
};

// Camera settings that the firmware keeps and readouts depend on.
struct ReadoutSettings {
  uint32_t readMode = 0;     // generations 1 to 5
  uint32_t readModeG0 = 16;  // generation 0
  uint32_t binX = 1, binY = 1;
};

struct ImageAnswer {
  ReadoutReply reply;
  double exposureSeconds = 0.0;  // simulated time before the image goes out
  double readoutSeconds = 0.0;   // simulated time the transfer takes
};

class ImageUnit {
 public:
  ImageUnit(const ImageUnitConfig& config, const ImageCameraIdentity& camera, double powerOn);

  bool IsReadoutRequest(std::span<const uint8_t> request) const;
  void Observe(std::span<const uint8_t> request, double now);
  ImageAnswer Readout(std::span<const uint8_t> request, const ReadoutSettings& settings, double now,
                      double temperatureC);
  std::vector<uint8_t> TimeReply(uint8_t opcode, double now) const;

  void SetFault(const ImageFault& fault) { config_.fault = fault; }
  void SetReceiver(const GpsReceiver& gps) { config_.gps = gps; }
  const Scene& SceneOf() const { return scene_; }
  const Integration& Sensor() const { return integration_; }

 private:
  ReadoutCamera CameraFor(const ReadoutSettings& settings) const;

  ImageUnitConfig config_;
  ImageCameraIdentity camera_;
  Scene scene_;
  Integration integration_;
  std::unique_ptr<FrameCache> cache_;
  // Image buffer of the last live readout, reused once the server lets go.
  std::shared_ptr<std::vector<uint8_t>> buffer_;
};

}  // namespace tqsim::image
