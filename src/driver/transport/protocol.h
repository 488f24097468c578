#pragma once
// The camera command set: every opcode by what it does, per protocol
// generation where the generations differ (the same byte means different
// things in different generations), and the one builder every request is
// made with. Multi-byte fields go out little-endian.
#include <cstdint>

namespace tQusb {
namespace opcode {

// Every generation: the information record.
inline constexpr uint8_t kCameraInfo = 0x00;

// Word-query indices (after the query opcode of the generation): the four
// firmware version words, and generation 0's question whether it reads windows.
inline constexpr uint8_t kQueryVersionWords[4] = {0x80, 0x81, 0x82, 0x83};
inline constexpr uint8_t kQuerySubFrames = 0xFF;

namespace gen0 {
inline constexpr uint8_t kReadMode = 0x02;
inline constexpr uint8_t kClearSensor = 0x03;
inline constexpr uint8_t kReadFrame = 0x04;
inline constexpr uint8_t kExposeFrame = 0x05;
inline constexpr uint8_t kReadWindow = 0x07;
inline constexpr uint8_t kExposeWindow = 0x08;
inline constexpr uint8_t kQueryWord = 0x0E;
inline constexpr uint8_t kFan = 0x0F;
inline constexpr uint8_t kGuideMove = 0x10;
inline constexpr uint8_t kGuideState = 0x11;
}  // namespace gen0

namespace gen1 {
inline constexpr uint8_t kBinningX = 0x01;
inline constexpr uint8_t kBinningY = 0x02;
inline constexpr uint8_t kReadMode = 0x03;
inline constexpr uint8_t kClearAndBegin = 0x04;  // clears the sensor, integration starts
inline constexpr uint8_t kReadWindow = 0x0B;
inline constexpr uint8_t kOpenShutter = 0x0C;
inline constexpr uint8_t kCloseShutter = 0x0D;
inline constexpr uint8_t kFilterMove = 0x0E;
inline constexpr uint8_t kQueryWord = 0x0F;
inline constexpr uint8_t kSetPoint = 0x10;
inline constexpr uint8_t kPowerReading = 0x11;
inline constexpr uint8_t kExposeWindow = 0x15;
inline constexpr uint8_t kWindowHeating = 0x17;
inline constexpr uint8_t kPreflash = 0x18;
inline constexpr uint8_t kTiming = 0x19;
inline constexpr uint8_t kFilterReinit = 0x1B;
}  // namespace gen1

// Generations 2 to 5 (not every generation has every command).
namespace gen2to5 {
inline constexpr uint8_t kReadMode = 0x03;
inline constexpr uint8_t kClearSensor = 0x04;
inline constexpr uint8_t kOpenShutter = 0x05;   // 5
inline constexpr uint8_t kCloseShutter = 0x06;  // 5
inline constexpr uint8_t kBeginExposure = 0x07;
inline constexpr uint8_t kEndExposure = 0x08;
inline constexpr uint8_t kReadWindow = 0x09;
inline constexpr uint8_t kExposeWindow = 0x0A;
inline constexpr uint8_t kSetPoint = 0x0C;       // 4, 5
inline constexpr uint8_t kFan = 0x0D;            // 2, 3, 4
inline constexpr uint8_t kWindowHeating = 0x0E;  // 5
inline constexpr uint8_t kQueryWord = 0x0F;
inline constexpr uint8_t kFilterMove = 0x10;    // 4, 5
inline constexpr uint8_t kPowerReading = 0x11;  // 4, 5
inline constexpr uint8_t kGain = 0x17;
inline constexpr uint8_t kGuideMove = 0x18;     // 2, 3, 4
inline constexpr uint8_t kGuideState = 0x19;    // 2, 3, 4
inline constexpr uint8_t kFilterReinit = 0x23;  // 4, 5
inline constexpr uint8_t kImageTime = 0x2A;     // GPS receiver
inline constexpr uint8_t kReceiverTime = 0x2B;
inline constexpr uint8_t kReceiverPosition = 0x2C;
inline constexpr uint8_t kCounterFrequency = 0x2D;
}  // namespace gen2to5

}  // namespace opcode

// The first byte of a status reply: success, or why the firmware refused.
inline constexpr uint8_t kStatusOk = 0x80;
inline constexpr uint8_t kStatusInvalidIndex = 0x81;
inline constexpr uint8_t kStatusInvalidParameter = 0x82;
inline constexpr uint8_t kStatusUnknownInstruction = 0x83;
inline constexpr uint8_t kStatusInstructionFailure = 0x84;

// A request built field by field: the opcode, then bytes, 16-bit words and
// 32-bit longs, little-endian.
class TRequest {
 public:
  explicit TRequest(uint8_t opcode) { bytes_[0] = opcode; }
  TRequest& Byte(uint8_t v) {
    bytes_[size_++] = v;
    return *this;
  }
  TRequest& Word(uint32_t v) {  // low 16 bits
    Byte(static_cast<uint8_t>(v));
    return Byte(static_cast<uint8_t>(v >> 8));
  }
  TRequest& Long(uint32_t v) {
    Word(v & 0xFFFF);
    return Word(v >> 16);
  }
  const uint8_t* Data() const { return bytes_; }
  uint32_t Size() const { return size_; }

 private:
  uint8_t bytes_[16] = {};
  uint32_t size_ = 1;
};

}  // namespace tQusb
