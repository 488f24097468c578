#include "firmware.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <span>
#include <sstream>

namespace tqsim {
namespace {

constexpr std::uint8_t G0 = 1 << 0, G1 = 1 << 1, G2 = 1 << 2, G3 = 1 << 3, G4 = 1 << 4,
                       G5 = 1 << 5;
constexpr std::uint8_t kAll = G0 | G1 | G2 | G3 | G4 | G5;
constexpr std::uint8_t G2to5 = G2 | G3 | G4 | G5;
constexpr std::uint8_t G2to4 = G2 | G3 | G4;

double WallClockUtc() {
  return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// What the image unit of a camera model is made of.
image::ImageUnitConfig ImageConfigFor(const CameraModel& m, double utcAtClockZero) {
  image::ImageUnitConfig c;
  c.scene = m.image.scene;
  c.scene.seed = m.image.seed.value_or(m.cameraId);
  c.gps = m.image.gps;
  c.readoutRate = m.image.readoutRate.value_or(m.bcdUsb >= 0x0300 ? image::kUsb3ReadoutRate
                                                                    : image::kUsb2ReadoutRate);
  c.cachedFrames = m.image.cachedFrames;
  c.utcAtClockZero = utcAtClockZero;
  c.subFrames = m.subFrames;
  c.outputLevels = m.image.outputLevels;
  c.sampleLevels = m.image.sampleLevels;
  return c;
}

}  // namespace

std::span<const Firmware::Command> Firmware::Commands() {
  using F = Firmware;
  // The same opcode means different things in different generations; the first
  // row whose generation mask holds the camera's generation answers.
  static const Command kCommands[] = {
      {0x00, kAll, 1, 1, 0, &F::Info},
      {0x01, G1, 2, 2, 1, &F::BinningX},
      {0x02, G0, 2, 2, 1, &F::ReadMode},
      {0x02, G1, 2, 2, 1, &F::BinningY},
      {0x03, G0, 1, 1, 1, &F::ClearSensor},
      {0x03, G1 | G2to5, 2, 2, 1, &F::ReadMode},
      {0x04, G0, 1, 1, 0, &F::ImageRequest},
      {0x04, G1, 1, 1, 1, &F::ClearAndBegin},
      {0x04, G2to5, 1, 1, 1, &F::ClearSensor},
      {0x05, G0, 3, 3, 0, &F::ImageRequest},
      {0x05, G5, 1, 1, 1, &F::OpenShutter},
      {0x06, G5, 1, 1, 1, &F::CloseShutter},
      {0x07, G0, 9, 9, 0, &F::ImageRequest},
      {0x07, G2to5, 2, 2, 1, &F::BeginExposure},
      {0x08, G0, 11, 11, 0, &F::ImageRequest},
      {0x08, G2to5, 3, 3, 1, &F::EndExposure},
      {0x09, G2to5, 10, 10, 0, &F::ImageRequest},
      {0x0A, G2to5, 14, 14, 0, &F::ImageRequest},
      {0x0B, G1, 9, 9, 0, &F::ImageRequest},
      {0x0C, G1, 1, 1, 1, &F::OpenShutter},
      {0x0C, G4 | G5, 3, 3, 1, &F::SetPoint},
      {0x0D, G1, 1, 1, 1, &F::CloseShutter},
      {0x0D, G2to4, 2, 2, 1, &F::Fan},
      {0x0E, G0, 2, 2, 3, &F::QueryWord},
      {0x0E, G1, 2, 2, 1, &F::Filter},
      {0x0E, G5, 2, 2, 1, &F::Heater},
      {0x0F, G0, 2, 2, 1, &F::Fan},
      {0x0F, G1 | G2to5, 2, 2, 3, &F::QueryWord},
      {0x10, G0, 5, 5, 1, &F::GuideG0},
      {0x10, G1, 3, 3, 1, &F::SetPoint},
      {0x10, G4 | G5, 2, 2, 1, &F::Filter},
      {0x11, G0, 1, 1, 2, &F::GuideStateG0},
      {0x11, G1 | G4 | G5, 1, 2, 5, &F::Power},
      {0x15, G1, 12, 12, 0, &F::ImageRequest},
      {0x17, G1, 2, 2, 1, &F::Heater},
      {0x17, G2to5, 4, 4, 1, &F::Gain},
      {0x18, G1, 4, 4, 1, &F::Preflash},
      {0x18, G2to4, 6, 6, 1, &F::Guide},
      {0x19, G1, 2, 3, 1, &F::Timing},
      {0x19, G2to4, 1, 1, 6, &F::GuideState},
      {0x1B, G1, 1, 1, 2, &F::FilterReinit},
      {0x23, G4 | G5, 1, 1, 2, &F::FilterReinit},
      {0x2A, kAll, 1, 1, 0, &F::TimeReceiver},
      {0x2B, kAll, 1, 1, 0, &F::TimeReceiver},
      {0x2C, kAll, 1, 1, 0, &F::TimeReceiver},
      {0x2D, kAll, 1, 1, 0, &F::TimeReceiver},
  };
  return kCommands;
}

Firmware::Firmware(const CameraModel& model, const SimClock& clock)
    : model_(model),
      clock_(clock),
      thermal_(model.physics, model.cooled, clock.Now()),
      utcAtClockZero_(WallClockUtc() - clock.Now()) {
  PowerCycle();
}

void Firmware::PowerCycle() {
  thermal_ = ThermalModel(model_.physics, model_.cooled, Now());
  state_ = FirmwareState{};
  state_.readMode = DefaultReadMode(model_);
  state_.filterCount = model_.filterCount;
  image::ImageCameraIdentity identity;
  identity.generation = model_.Generation();
  identity.kind = model_.Kind();
  identity.width = model_.width;
  identity.height = model_.height;
  identity.ver128Lo = static_cast<std::uint8_t>(model_.versions[0] & 0xFF);
  image_ = std::make_shared<image::ImageUnit>(ImageConfigFor(model_, utcAtClockZero_), identity,
                                              Now());
}

bool Firmware::IsImageRequest(ByteView request) const {
  const Command* command = request.empty() ? nullptr : Find(request[0]);
  return command && command->handler == &Firmware::ImageRequest;
}

const Firmware::Command* Firmware::Find(std::uint8_t opcode) const {
  const int generation = model_.Generation();
  if (generation < 0 || generation > 5) return nullptr;
  for (const Command& c : Commands()) {
    if (c.opcode == opcode && (c.generations & (1u << generation))) return &c;
  }
  return nullptr;
}

std::uint8_t Firmware::ReplyLengthOf(const Command& c) const {
  if (c.replyLength != 0) return c.replyLength;
  if (c.opcode == 0x00) return UsesPackedRecord(model_.kg) ? 61 : 65;
  // Receiver replies are as long as their text (0: status and data as made).
  if (c.handler == &Firmware::TimeReceiver) return 0;
  // Image requests answer with a status byte.
  return 1;
}

void Firmware::Tick() { thermal_.Advance(Now(), Instant()); }

Response Firmware::Handle(ByteView request) {
  ++state_.requests;
  Tick();
  Response response;
  if (request.empty()) {
    response.reply = {kUnknownInstruction};
    return response;
  }
  const Command* command = Find(request[0]);
  if (command == nullptr) {
    response.reply = {kUnknownInstruction};
    return response;
  }
  if (request.size() < command->minLength || request.size() > command->maxLength) {
    return FailWith(request, kInvalidParameter);
  }
  std::size_t replyLength = ReplyLengthOf(*command);
  Bytes data;
  const std::uint8_t status = (this->*(command->handler))(request, data, response);
  // The sensor follows the exposure requests the camera accepted.
  if (status == kOk && command->handler != &Firmware::ImageRequest) image_->Observe(request, Now());
  if (!response.hasReply) return response;
  if (replyLength == 0) replyLength = 1 + (status == kOk ? data.size() : 0);
  response.reply.assign(replyLength, 0);
  response.reply[0] = status;
  if (status == kOk) {
    std::copy_n(data.begin(), std::min(data.size(), replyLength - 1), response.reply.begin() + 1);
  }
  return response;
}

Response Firmware::FailWith(ByteView request, std::uint8_t status) const {
  Response response;
  const Command* command = request.empty() ? nullptr : Find(request[0]);
  if (command && command->handler == &Firmware::ImageRequest) {
    // An image request is answered on the image pipe; only generations 2 to 5
    // follow the pixels with a status byte.
    response.image = std::make_shared<const Bytes>();
    response.hasReply = model_.Generation() >= 2;
  }
  response.reply.assign(command ? std::max<std::size_t>(1, ReplyLengthOf(*command)) : 1, 0);
  response.reply[0] = status;
  return response;
}

Readings Firmware::ReadingsNow() {
  Tick();
  return thermal_.Read(Now());
}

bool Firmware::FilterMoving() const { return !Instant() && Now() < state_.filterArrival; }

bool Firmware::GuideActive(int axis) const { return GuideRemainingMs(axis) != 0; }

std::uint16_t Firmware::GuideRemainingMs(int axis) const {
  const double left = state_.guide[axis].endTime - Now();
  if (Instant() || left <= 0) return 0;
  return static_cast<std::uint16_t>(std::min(65535.0, std::ceil(left * 1000.0)));
}

std::string Firmware::Describe() {
  const Readings r = ReadingsNow();
  std::ostringstream out;
  out << "name=" << model_.name << "\n"
      << "camera_id=" << model_.cameraId << "\n"
      << "class=" << model_.interfaceClass << "\n"
      << "kind=" << model_.Kind() << "\n"
      << "generation=" << model_.Generation() << "\n"
      << "requests=" << state_.requests << "\n"
      << "read_mode=" << int(state_.readMode) << "\n"
      << "binning=" << int(state_.binX) << "x" << int(state_.binY) << "\n"
      << "shutter=" << (state_.shutterOpen ? "open" : "closed") << "\n"
      << "exposing=" << (state_.exposing ? 1 : 0) << "\n"
      << "fan=" << int(state_.fan) << "\n"
      << "heater=" << int(state_.heater) << "\n"
      << "gain=" << state_.gain << "\n";
  if (auto sp = thermal_.SetPointC()) {
    out << "set_point=" << *sp << "\n";
  } else {
    out << "set_point=off\n";
  }
  out << "sensor_temperature=" << r.sensorC << "\n"
      << "second_temperature=" << r.secondC << "\n"
      << "cooler_power=" << r.coolerPower << "\n"
      << "supply_voltage=" << r.supplyVolts << "\n"
      << "filter_count=" << int(state_.filterCount) << "\n"
      << "filter_position=" << int(state_.filterPosition) << "\n"
      << "filter_moving=" << (FilterMoving() ? 1 : 0) << "\n"
      << "guide_ms=" << GuideRemainingMs(0) << "," << GuideRemainingMs(1) << "\n"
      << "preflash=" << state_.preflashMs << "ms*" << int(state_.preflashCount) << "\n"
      << "timing=" << int(state_.clockOverlap) << "," << int(state_.clockDelay) << "\n";
  return out.str();
}

}  // namespace tqsim
