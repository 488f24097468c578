// The command handlers of the firmware: one per meaning of an opcode. Each
// checks its parameters against the model, changes the camera state and writes
// the reply data behind the status byte.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "conversions.h"
#include "firmware.h"

namespace tqsim {
namespace {

bool Contains(const std::vector<std::uint8_t>& list, std::uint8_t v) {
  return std::find(list.begin(), list.end(), v) != list.end();
}

}  // namespace

std::uint8_t Firmware::Info(ByteView, Bytes& data, Response&) {
  data = InfoRecord(model_);
  return kOk;
}

std::uint8_t Firmware::BinningX(ByteView req, Bytes&, Response&) {
  const std::uint8_t factor = req[1];
  if (factor == 0 || factor > model_.maxBinX) return kInvalidParameter;
  state_.binX = factor;
  return kOk;
}

std::uint8_t Firmware::BinningY(ByteView req, Bytes&, Response&) {
  const std::uint8_t factor = req[1];
  if (factor == 0 || factor > model_.maxBinY) return kInvalidParameter;
  state_.binY = factor;
  return kOk;
}

std::uint8_t Firmware::ReadMode(ByteView req, Bytes&, Response&) {
  if (!Contains(model_.readModes, req[1])) return kInvalidParameter;
  state_.readMode = req[1];
  return kOk;
}

std::uint8_t Firmware::ClearSensor(ByteView, Bytes&, Response&) {
  state_.exposing = false;
  return kOk;
}

std::uint8_t Firmware::ClearAndBegin(ByteView, Bytes&, Response&) {
  // Generation 1 starts integrating as soon as the sensor is cleared.
  state_.exposing = true;
  state_.exposureShutter = state_.shutterOpen;
  state_.exposureStart = Now();
  return kOk;
}

std::uint8_t Firmware::BeginExposure(ByteView req, Bytes&, Response&) {
  state_.exposing = true;
  state_.exposureShutter = req[1] != 0;
  state_.shutterOpen = state_.exposureShutter;
  state_.exposureStart = Now();
  return kOk;
}

std::uint8_t Firmware::EndExposure(ByteView req, Bytes&, Response&) {
  // The exposure (if any) ends; the image stays on the sensor for readout.
  if (state_.exposing) state_.exposureEnd = Now();
  state_.exposing = false;
  if (req[1] != 0) state_.shutterOpen = false;
  return kOk;
}

std::uint8_t Firmware::OpenShutter(ByteView, Bytes&, Response&) {
  state_.shutterOpen = true;
  if (state_.exposing) state_.exposureShutter = true;
  return kOk;
}

std::uint8_t Firmware::CloseShutter(ByteView, Bytes&, Response&) {
  state_.shutterOpen = false;
  if (state_.exposing) {
    state_.exposing = false;
    state_.exposureEnd = Now();
  }
  return kOk;
}

std::uint16_t Firmware::QueryRaw(std::uint8_t index, bool& known) {
  known = true;
  const int generation = model_.Generation();
  const int kind = model_.Kind();
  if (index >= 0x80 && index <= 0x83) {
    known = generation != 0 || index <= 0x81;
    return model_.versions[index - 0x80];
  }
  const Readings r = thermal_.Read(Now());
  if (generation == 0) {
    switch (index) {
      case 0x00:
        return (PackedFlags(model_) & 0x02) ? EncodeRaw(Conversion::kSensorG0Sixteenth, r.sensorC)
                                            : EncodeRaw(Conversion::kSensorG0, r.sensorC);
      case 0x02:
        return EncodeRaw(Conversion::kAnalogG0, r.supplyVolts);
      case 0xFF:
        // Low byte and high byte both 0x80 tell that windows can be read.
        return model_.subFrames ? 0x8080 : 0x0080;
      default:
        break;
    }
  } else if (generation == 2 || generation == 3) {
    switch (index) {
      case 0x00:
        return EncodeRaw(Conversion::kSensorG23, r.sensorC);
      case 0x03:
        return EncodeRaw(Conversion::kThousandths, r.auxReading);
      default:
        break;
    }
  } else {
    const bool coarse = kind == 1 || kind == 2;
    switch (index) {
      case 0x00:
        return EncodeRaw(SetPointConversion(kind), r.sensorC);
      case 0x01:
        return EncodeRaw(SetPointConversion(kind), r.secondC);
      case 0x02:
        return EncodeRaw(coarse ? Conversion::kAnalogCoarse : Conversion::kAnalogFine,
                         r.supplyVolts);
      case 0x03:
        return EncodeRaw(Conversion::kThousandths, r.auxReading);
      default:
        break;
    }
  }
  known = false;
  return 0;
}

std::uint8_t Firmware::QueryWord(ByteView req, Bytes& data, Response&) {
  bool known = false;
  const std::uint16_t raw = QueryRaw(req[1], known);
  if (!known) return kInvalidIndex;
  PutU16(data, raw);
  return kOk;
}

std::uint8_t Firmware::SetPoint(ByteView req, Bytes&, Response&) {
  if (!model_.cooled) return kUnknownInstruction;
  const std::uint16_t raw = GetU16(req, 1);
  state_.setPointRaw = raw;
  thermal_.SetPoint(ConvertRaw(SetPointConversion(model_.Kind()), raw), Now());
  thermal_.Advance(Now(), Instant());
  return kOk;
}

std::uint8_t Firmware::Fan(ByteView req, Bytes&, Response&) {
  state_.fan = req[1];
  return kOk;
}

std::uint8_t Firmware::Heater(ByteView req, Bytes&, Response&) {
  state_.heater = req[1];
  return kOk;
}

std::uint8_t Firmware::Gain(ByteView req, Bytes&, Response&) {
  const std::uint16_t gain = GetU16(req, 2);
  if (gain > model_.maxGain) return kInvalidParameter;
  state_.gain = gain;
  return kOk;
}

std::uint8_t Firmware::Power(ByteView, Bytes& data, Response&) {
  const PowerWords words = EncodePower(model_.Kind(), thermal_.Read(Now()).coolerPower);
  PutU16(data, words.a);
  PutU16(data, words.b);
  return kOk;
}

std::uint8_t Firmware::Filter(ByteView req, Bytes&, Response& response) {
  const std::uint8_t target = req[1];
  if (target >= state_.filterCount) return kInvalidIndex;
  // The wheel turns the short way round; the reply comes when it has arrived.
  const int count = state_.filterCount;
  const int distance = std::abs(int(target) - int(state_.filterPosition));
  const int steps = std::min(distance, count - distance);
  const double start = std::max(Now(), state_.filterArrival);
  response.delaySim = Instant() ? 0.0 : (start - Now()) + steps * model_.physics.filterStepS;
  state_.filterArrival = Now() + response.delaySim;
  state_.filterPosition = target;
  return kOk;
}

std::uint8_t Firmware::FilterReinit(ByteView, Bytes& data, Response& response) {
  // Homing turns the wheel once round and parks it at the first position.
  response.delaySim =
      Instant() ? 0.0 : std::max<int>(state_.filterCount, 1) * model_.physics.filterStepS;
  state_.filterArrival = Now() + response.delaySim;
  state_.filterPosition = 0;
  data.push_back(state_.filterCount);
  return kOk;
}

void Firmware::StartGuide(std::int16_t first, std::int16_t second) {
  const std::int16_t values[2] = {first, second};
  for (int axis = 0; axis < 2; ++axis) {
    state_.guide[axis].value = values[axis];
    state_.guide[axis].endTime = Now() + std::abs(int(values[axis])) / 1000.0;
  }
}

std::uint8_t Firmware::GuideG0(ByteView req, Bytes&, Response&) {
  StartGuide(static_cast<std::int16_t>(GetU16(req, 1)), static_cast<std::int16_t>(GetU16(req, 3)));
  return kOk;
}

std::uint8_t Firmware::GuideStateG0(ByteView, Bytes& data, Response&) {
  // Bit 0: first axis moving, bit 1: second axis moving.
  data.push_back(static_cast<std::uint8_t>((GuideActive(0) ? 1 : 0) | (GuideActive(1) ? 2 : 0)));
  return kOk;
}

std::uint8_t Firmware::Guide(ByteView req, Bytes&, Response&) {
  StartGuide(static_cast<std::int16_t>(GetU16(req, 2)), static_cast<std::int16_t>(GetU16(req, 4)));
  return kOk;
}

std::uint8_t Firmware::GuideState(ByteView, Bytes& data, Response&) {
  // Milliseconds left on each axis.
  data.push_back(0);
  PutU16(data, GuideRemainingMs(0));
  PutU16(data, GuideRemainingMs(1));
  return kOk;
}

std::uint8_t Firmware::Preflash(ByteView req, Bytes&, Response&) {
  if (req[3] > 16) return kInvalidParameter;
  state_.preflashMs = GetU16(req, 1);
  state_.preflashCount = req[3];
  return kOk;
}

std::uint8_t Firmware::Timing(ByteView req, Bytes&, Response&) {
  const int kind = model_.Kind();
  if (kind < 3 || kind > 8) return kUnknownInstruction;
  // Kinds 7 and 8 take the overlap and the delay, kinds 3 to 6 the delay only.
  const bool withOverlap = kind == 7 || kind == 8;
  if (req.size() != (withOverlap ? 3u : 2u)) return kInvalidParameter;
  if (withOverlap) {
    if (req[2] < 3) return kInvalidParameter;
    state_.clockOverlap = req[1];
    state_.clockDelay = req[2];
  } else {
    state_.clockDelay = req[1];
  }
  return kOk;
}

std::uint8_t Firmware::ImageRequest(ByteView req, Bytes&, Response& response) {
  // Generation 0 keeps its read-mode byte where the others keep their code.
  image::ReadoutSettings settings;
  settings.readMode = state_.readMode;
  settings.readModeG0 = state_.readMode;
  settings.binX = state_.binX;
  settings.binY = state_.binY;
  const image::ImageAnswer answer =
      image_->Readout(req, settings, Now(), thermal_.Read(Now()).sensorC);
  const image::ReadoutReply& reply = answer.reply;
  if (reply.closeAfter) {
    response.image = reply.image;
    response.imageCloseAfter = reply.sendBytes;
  } else if (reply.image && reply.sendBytes < reply.image->size()) {
    response.image = std::make_shared<const Bytes>(reply.image->begin(),
                                                   reply.image->begin() + reply.sendBytes);
  } else {
    response.image = reply.image ? reply.image : std::make_shared<const Bytes>();
  }
  // The pixels leave after the exposure and the time their transfer takes;
  // generations 2 to 5 follow them with a status byte.
  response.delaySim = answer.exposureSeconds + answer.readoutSeconds;
  response.hasReply = reply.hasStatus;
  return reply.status;
}

std::uint8_t Firmware::TimeReceiver(ByteView req, Bytes& data, Response&) {
  const Bytes reply = image_->TimeReply(req[0], Now());
  if (reply.empty()) return kUnknownInstruction;
  data.assign(reply.begin() + 1, reply.end());
  return reply[0];
}

}  // namespace tqsim
