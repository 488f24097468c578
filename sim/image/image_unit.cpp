#include "image/image_unit.h"

namespace tqsim::image {
namespace {

Scene SceneFor(const SceneParams& params, const ImageCameraIdentity& camera) {
  ReadoutCamera shape;
  shape.generation = camera.generation;
  shape.kind = camera.kind;
  shape.width = camera.width;
  shape.height = camera.height;
  SensorSize size = SceneSize(shape);
  return Scene(params, size.width, size.height);
}

}  // namespace

ImageUnit::ImageUnit(const ImageUnitConfig& config, const ImageCameraIdentity& camera,
                     double powerOn)
    : config_(config),
      camera_(camera),
      scene_(SceneFor(config.scene, camera)),
      // Generation 0 has no shutter: its sensor always sees the sky.
      integration_(powerOn, camera.generation == 0) {}

bool ImageUnit::IsReadoutRequest(std::span<const uint8_t> request) const {
  return !request.empty() && ReadoutRequestLength(camera_.generation, request[0]) != 0;
}

void ImageUnit::Observe(std::span<const uint8_t> request, double now) {
  if (request.empty()) return;
  const uint8_t op = request[0];
  const bool flag = request.size() > 1 && request[1] != 0;
  switch (camera_.generation) {
    case 0:
      if (op == 0x03) integration_.Clear(now);
      break;
    case 1:
      if (op == 0x04) integration_.Clear(now);
      if (op == 0x0C) integration_.SetShutter(now, true);
      if (op == 0x0D) integration_.SetShutter(now, false);
      break;
    case 2:
    case 3:
    case 4:
    case 5:
      if (op == 0x04) integration_.Clear(now);
      if (op == 0x07 && request.size() == 2) integration_.Begin(now, flag);
      if (op == 0x08 && request.size() == 3) {
        integration_.End(now);
        if (flag) integration_.SetShutter(now, false);
      }
      if (camera_.generation == 5 && op == 0x05) integration_.SetShutter(now, true);
      if (camera_.generation == 5 && op == 0x06) integration_.SetShutter(now, false);
      break;
    default:
      break;
  }
}

ReadoutCamera ImageUnit::CameraFor(const ReadoutSettings& s) const {
  ReadoutCamera cam;
  cam.generation = camera_.generation;
  cam.kind = camera_.kind;
  cam.width = camera_.width;
  cam.height = camera_.height;
  cam.ver128Lo = camera_.ver128Lo;
  cam.readMode = s.readMode;
  cam.readModeG0 = s.readModeG0;
  cam.binX = s.binX;
  cam.binY = s.binY;
  cam.outputLevels = config_.outputLevels;
  cam.sampleLevels = config_.sampleLevels;
  return cam;
}

ImageAnswer ImageUnit::Readout(std::span<const uint8_t> request, const ReadoutSettings& settings,
                               double now, double temperatureC) {
  ImageAnswer answer;
  ReadoutCamera cam = CameraFor(settings);
  std::optional<ReadoutRequest> decoded = DecodeReadoutRequest(camera_.generation, request);
  ReadoutPlan plan;
  if (decoded) {
    Exposure exposure;
    if (decoded->expose) {
      bool light = camera_.generation == 0 || decoded->shutterOpen;
      exposure = integration_.Timed(now, decoded->exposureSeconds, light, temperatureC);
      answer.exposureSeconds = decoded->exposureSeconds;
    } else {
      exposure = integration_.Readout(now, temperatureC);
    }
    bool windowRefused = camera_.generation == 0 && decoded->windowed && !config_.subFrames;
    if (!windowRefused) plan = PlanReadout(cam, *decoded);

    std::shared_ptr<const std::vector<uint8_t>> image;
    if (plan.valid && config_.cachedFrames) {
      if (!cache_) cache_ = std::make_unique<FrameCache>(scene_, exposure);
      image = cache_->Image(cam, plan);
    } else {
      if (!buffer_ || buffer_.use_count() > 1) buffer_ = std::make_shared<std::vector<uint8_t>>();
      SceneSource source(scene_, exposure);
      EncodeImage(cam, plan, source, *buffer_);
      image = buffer_;
    }
    answer.reply = MakeReadoutReply(plan, std::move(image), config_.fault);
  } else {
    plan.hasStatus = camera_.generation >= 2;
    answer.reply =
        MakeReadoutReply(plan, std::make_shared<const std::vector<uint8_t>>(), ImageFault{});
  }
  answer.readoutSeconds = ReadoutSeconds(answer.reply.sendBytes, config_.readoutRate);
  return answer;
}

std::vector<uint8_t> ImageUnit::TimeReply(uint8_t opcode, double now) const {
  return GpsReply(opcode, config_.gps, config_.utcAtClockZero + now,
                  config_.utcAtClockZero + integration_.LastStart());
}

}  // namespace tqsim::image
