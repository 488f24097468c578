#pragma once
// The firmware of one simulated camera: takes a request frame from the
// command pipe and produces the reply frame (and, for image requests, the
// image frame) that the camera model of its generation and kind sends. Pure
// logic over the model, its state and the simulated clock; no sockets.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "camera_model.h"
#include "image/image_unit.h"
#include "physics.h"
#include "sim_clock.h"
#include "wire.h"

namespace tqsim {

struct GuidePulse {
  std::int16_t value = 0;  // signed milliseconds; the sign gives the direction
  double endTime = 0;      // simulated time the pulse ends
};

// What a real camera keeps between requests.
struct FirmwareState {
  std::uint8_t readMode = 0;  // code as sent by the host
  std::uint8_t binX = 1, binY = 1;
  bool shutterOpen = false;
  bool exposing = false;
  bool exposureShutter = false;
  double exposureStart = 0, exposureEnd = 0;
  std::uint8_t fan = 0;
  std::uint8_t heater = 0;
  std::uint16_t gain = 0;
  std::optional<std::uint16_t> setPointRaw;
  std::uint8_t filterCount = 0;
  std::uint8_t filterPosition = 0;  // position the wheel is at or moving to
  double filterArrival = 0;         // simulated time the wheel gets there
  std::array<GuidePulse, 2> guide{};
  std::uint16_t preflashMs = 0;
  std::uint8_t preflashCount = 0;
  std::uint8_t clockOverlap = 0, clockDelay = 0;
  std::uint64_t requests = 0;
};

struct Response {
  bool hasReply = true;
  Bytes reply;                 // status byte first
  double delaySim = 0;         // simulated seconds before the reply (and image) go out
  std::shared_ptr<const Bytes> image;  // image frame, sent before the reply
  // A transfer cut off: the frame announces the whole image, this many bytes
  // of it are sent, then the image connection is closed.
  std::optional<std::size_t> imageCloseAfter;
};

class Firmware {
 public:
  Firmware(const CameraModel& model, const SimClock& clock);

  // Answers one request frame. Never fails: malformed requests get a failure
  // status.
  Response Handle(ByteView request);

  // The answer a request would get if the camera failed it with `status`:
  // the reply length of the request, data zero, no state change.
  Response FailWith(ByteView request, std::uint8_t status) const;

  // Back to power-on state (a re-plugged camera).
  void PowerCycle();

  // Whether a request frame asks for an image.
  bool IsImageRequest(ByteView request) const;
  // The fault the next image transfers show (none to clear it).
  void SetImageFault(const image::ImageFault& fault) { image_->SetFault(fault); }

  const CameraModel& Model() const { return model_; }
  const FirmwareState& State() const { return state_; }
  Readings ReadingsNow();
  bool FilterMoving() const;
  bool GuideActive(int axis) const;

  // One "key=value" per line, for the control interface.
  std::string Describe();

  // Handlers of the command table; each writes the reply data behind the
  // status and returns the status.
  using Handler = std::uint8_t (Firmware::*)(ByteView request, Bytes& data, Response& response);

  struct Command {
    std::uint8_t opcode;
    std::uint8_t generations;  // bit n: generation n
    std::uint8_t minLength, maxLength;
    std::uint8_t replyLength;  // 0: the handler decides
    Handler handler;
  };

  // The command table row for an opcode in this camera's generation.
  const Command* Find(std::uint8_t opcode) const;

  // Every command of every generation.
  static std::span<const Command> Commands();

 private:
  double Now() const { return clock_.Now(); }
  bool Instant() const { return clock_.Instant(); }
  void Tick();
  std::uint16_t QueryRaw(std::uint8_t index, bool& known);

  std::uint8_t Info(ByteView, Bytes&, Response&);
  std::uint8_t BinningX(ByteView, Bytes&, Response&);
  std::uint8_t BinningY(ByteView, Bytes&, Response&);
  std::uint8_t ReadMode(ByteView, Bytes&, Response&);
  std::uint8_t ClearSensor(ByteView, Bytes&, Response&);
  std::uint8_t ClearAndBegin(ByteView, Bytes&, Response&);
  std::uint8_t BeginExposure(ByteView, Bytes&, Response&);
  std::uint8_t EndExposure(ByteView, Bytes&, Response&);
  std::uint8_t OpenShutter(ByteView, Bytes&, Response&);
  std::uint8_t CloseShutter(ByteView, Bytes&, Response&);
  std::uint8_t QueryWord(ByteView, Bytes&, Response&);
  std::uint8_t SetPoint(ByteView, Bytes&, Response&);
  std::uint8_t Fan(ByteView, Bytes&, Response&);
  std::uint8_t Heater(ByteView, Bytes&, Response&);
  std::uint8_t Gain(ByteView, Bytes&, Response&);
  std::uint8_t Power(ByteView, Bytes&, Response&);
  std::uint8_t Filter(ByteView, Bytes&, Response&);
  std::uint8_t FilterReinit(ByteView, Bytes&, Response&);
  std::uint8_t GuideG0(ByteView, Bytes&, Response&);
  std::uint8_t GuideStateG0(ByteView, Bytes&, Response&);
  std::uint8_t Guide(ByteView, Bytes&, Response&);
  std::uint8_t GuideState(ByteView, Bytes&, Response&);
  std::uint8_t Preflash(ByteView, Bytes&, Response&);
  std::uint8_t Timing(ByteView, Bytes&, Response&);
  std::uint8_t ImageRequest(ByteView, Bytes&, Response&);
  std::uint8_t TimeReceiver(ByteView, Bytes&, Response&);

  void StartGuide(std::int16_t first, std::int16_t second);
  std::uint16_t GuideRemainingMs(int axis) const;
  std::uint8_t ReplyLengthOf(const Command& c) const;

  CameraModel model_;
  const SimClock& clock_;
  ThermalModel thermal_;
  FirmwareState state_;
  double utcAtClockZero_;  // UTC seconds since 1970 at simulated time 0
  std::shared_ptr<image::ImageUnit> image_;
};

}  // namespace tqsim
