#include "driver/transport/command_channel.h"

#include <charconv>

#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/claims.h"
#include "driver/transport/system_services.h"
#include "driver/transport/text_high.h"
#include "tqusb/runtime/str.h"

namespace tQusb {
namespace {

constexpr unsigned kDebugLineHigh = 127;

struct TStatusReason {
  uint8_t Status;
  const char* Reason;
};

constexpr TStatusReason kReasons[] = {
    {kStatusInvalidIndex, "Invalid index"},
    {kStatusInvalidParameter, "Invalid parameter"},
    {kStatusUnknownInstruction, "Unknown instruction"},
    {kStatusInstructionFailure, "Unspecified instruction failure"},
};

struct TTransactionTexts {
  const char* WriteFail;
  const char* ReadFail;
};

constexpr TTransactionTexts kCommandTexts = {"Command Write FAIL ", "Command Read FAIL "};
constexpr TTransactionTexts kByteCommandTexts = {"ByteCommand Write FAIL ",
                                                 "ByteCommand Read FAIL "};
constexpr TTransactionTexts kWordCommandTexts = {"WordCommand Write FAIL ",
                                                 "WordCommand Read FAIL "};

// One request, a one-byte status reply. Only the success of the two calls is
// tested, not the byte counts.
bool StatusTransaction(CCamera& camera, const TRequest& request, const TTransactionTexts& texts) {
  if (!camera.IsConnected()) return Fail(camera, kTextNotConnected);
  const uint8_t opcode = request.Data()[0];
  if (!transport::Write(camera.hCommand, request.Data(), request.Size())) {
    DebugLineOpcode(texts.WriteFail, opcode);
    Disconnect(camera, true);
    return false;
  }
  uint8_t status = 0;
  if (!transport::Read(camera.hReply, &status, 1)) {
    DebugLineOpcode(texts.ReadFail, opcode);
    Disconnect(camera, true);
    return false;
  }
  return CheckStatus(camera, status);
}

}  // namespace

bool Command(CCamera& camera, uint8_t opcode) {
  return StatusTransaction(camera, TRequest(opcode), kCommandTexts);
}

bool ByteCommand(CCamera& camera, uint8_t opcode, uint8_t value) {
  return StatusTransaction(camera, TRequest(opcode).Byte(value), kByteCommandTexts);
}

bool WordCommand(CCamera& camera, uint8_t opcode, uint16_t value) {
  return StatusTransaction(camera, TRequest(opcode).Word(value), kWordCommandTexts);
}

void InstructionFailureText(uint8_t status, unsigned high, char* text) {
  const char* reason = "Unknown return code";
  for (const TStatusReason& r : kReasons)
    if (r.Status == status) reason = r.Reason;
  Str::CopyA(high, text, TextHigh("Instruction failed: "), "Instruction failed: ");
  Str::AppendA(high, text, TextHigh(reason), reason);
}

void DebugLine(const char* text) {
  char line[kDebugLineHigh + 1];
  Str::CopyA(kDebugLineHigh, line, TextHigh(text), text);
  Str::AppendA(kDebugLineHigh, line, TextHigh("\n"), "\n");
  OutputDebugLine(line, Str::LengthA(kDebugLineHigh, line));
}

void DebugLineOpcode(const char* text, uint8_t opcode) {
  char line[kDebugLineHigh + 1];
  char number[4] = {};
  std::to_chars(number, number + 3, static_cast<unsigned>(opcode));
  Str::CopyA(kDebugLineHigh, line, TextHigh(text), text);
  Str::AppendA(kDebugLineHigh, line, sizeof number - 1, number);
  Str::AppendA(kDebugLineHigh, line, TextHigh("\n"), "\n");
  OutputDebugLine(line, Str::LengthA(kDebugLineHigh, line));
}

void Disconnect(CCamera& camera, bool notify) {
  StopTimer(camera.Window, 1);
  camera.Flags &= ~kFlagConnected;
  if (camera.DevicePath[0] != '\0') ReleaseDevice(ClaimList(), kDevicePathHigh, camera.DevicePath);
  camera.DevicePath[0] = '\0';
  for (transport::Handle* h : {&camera.hDevice, &camera.hCommand, &camera.hReply, &camera.hImage}) {
    if (*h != transport::kInvalidHandle) {
      transport::Close(*h);
      *h = transport::kInvalidHandle;
    }
  }
  if (notify) camera.Notify();
}

bool WriteRequest(CCamera& camera, const void* request, uint32_t size, const char* failText) {
  if (TryWriteRequest(camera, request, size, failText)) return true;
  Disconnect(camera, true);
  return false;
}

bool WriteRequest(CCamera& camera, const TRequest& request, const char* failText) {
  return WriteRequest(camera, request.Data(), request.Size(), failText);
}

bool ReadReply(CCamera& camera, void* reply, uint32_t size, const char* failText) {
  uint32_t received = 0;
  if (TryReadReply(camera, reply, size, &received, failText)) return true;
  Disconnect(camera, true);
  return false;
}

bool TryWriteRequest(CCamera& camera, const void* request, uint32_t size, const char* failText) {
  if (transport::Write(camera.hCommand, request, size)) return true;
  DebugLine(failText);
  return false;
}

bool TryWriteRequest(CCamera& camera, const TRequest& request, const char* failText) {
  return TryWriteRequest(camera, request.Data(), request.Size(), failText);
}

bool TryReadReply(CCamera& camera, void* reply, uint32_t size, uint32_t* received,
                  const char* failText) {
  if (transport::Read(camera.hReply, reply, size, received)) return true;
  DebugLine(failText);
  return false;
}

bool CheckStatus(CCamera& camera, uint8_t status) {
  if (status == kStatusOk) return true;
  InstructionFailureText(status, kLastErrorHigh, camera.LastError);
  return false;
}

}  // namespace tQusb
