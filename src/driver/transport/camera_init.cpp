// Connecting a camera object to its device and reading what the camera says
// about itself.
#include <chrono>
#include <thread>

#include "driver/accessories/power_utilization.h"
#include "driver/camera/camera.h"
#include "driver/camera/camera_texts.h"
#include "driver/transport/camera_classes.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/discovery.h"
#include "driver/transport/protocol.h"
#include "tqusb/runtime/str.h"

namespace tQusb {
namespace {

constexpr uint32_t kUsb2SingleReadLimit = 0x400000;
// Another program may hold a device's claim for a moment to read its id: a
// search that passed over a claimed device looks again for a while. The while
// is generous because that moment stretches on a loaded machine.
constexpr auto kClaimRetryFor = std::chrono::milliseconds(500);
constexpr auto kClaimRetryPause = std::chrono::milliseconds(40);

struct TPipeOpen {
  unsigned Pipe;
  transport::Handle CCamera::*Handle;
  const char* FailText;
};

constexpr TPipeOpen kPipes[] = {
    {0, &CCamera::hCommand, "CameraInit failed, cannot open camera command pipe"},
    {1, &CCamera::hReply, "CameraInit failed, cannot open camera reply pipe"},
    {2, &CCamera::hImage, "CameraInit failed, cannot open camera image pipe"},
};

// Class 1 holds several models: the USB product id decides, and a USB 2 bus
// gets the smaller image read size.
void DecideByDescriptor(CCamera& camera) {
  uint8_t descriptor[transport::kDescriptorSize] = {};
  uint32_t returned = 0;
  if (!transport::QueryDescriptor(camera.hDevice, descriptor, &returned) ||
      returned != transport::kDescriptorSize)
    return;
  const uint16_t bcdUsb = static_cast<uint16_t>(descriptor[2] | (descriptor[3] << 8));
  const uint16_t productId = static_cast<uint16_t>(descriptor[10] | (descriptor[11] << 8));
  uint32_t kind = camera.CameraKind;
  KindByProductId(productId, kind, camera.Generation);
  camera.SetKind(kind);
  if (bcdUsb == 0x0200) camera.SingleReadLimit = kUsb2SingleReadLimit;
}

// A query word: request (opcode, index), reply status and a 16-bit word.
bool QueryWord(CCamera& camera, uint8_t opcode, uint8_t index, uint8_t (&reply)[3],
               const char* writeFail, const char* readFail) {
  return WriteRequest(camera, TRequest(opcode).Byte(index), writeFail) &&
         ReadReply(camera, reply, sizeof reply, readFail);
}

uint8_t QueryWordOpcode(int32_t generation) {
  // Generations 1 to 5 share the query opcode.
  static_assert(opcode::gen1::kQueryWord == opcode::gen2to5::kQueryWord);
  return generation == 0 ? opcode::gen0::kQueryWord : opcode::gen2to5::kQueryWord;
}

}  // namespace

void CCamera::CameraInit() {
  if (hDevice != transport::kInvalidHandle) return;
  Disconnect(*this, false);

  const TClassKind* row = nullptr;
  const auto retryUntil = std::chrono::steady_clock::now() + kClaimRetryFor;
  while (row == nullptr) {
    bool busy = false;
    for (const TClassKind& candidate : CameraInitClassOrder()) {
      hDevice = FindDevice(candidate.ClassNumber, nullptr, RequestedId, kDevicePathHigh,
                           DevicePath, &busy);
      if (hDevice != transport::kInvalidHandle) {
        row = &candidate;
        break;
      }
    }
    if (row != nullptr || !busy || std::chrono::steady_clock::now() >= retryUntil) break;
    std::this_thread::sleep_for(kClaimRetryPause);
  }
  if (row == nullptr) {
    SetKind(0);
    Flags &= ~kFlagConnected;
    return;
  }

  SetKind(row->CameraKind);
  Generation = row->Generation;
  if (row->ClassNumber == kProductIdClass) DecideByDescriptor(*this);

  // FindDevice claimed the lower-case form already (see there), so this
  // changes nothing the claim list knows.
  Str::LowsA(kDevicePathHigh, DevicePath);

  for (const TPipeOpen& pipe : kPipes) {
    this->*pipe.Handle = transport::OpenPipe(DevicePath, pipe.Pipe);
    if (this->*pipe.Handle == transport::kInvalidHandle) {
      SetLastError(pipe.FailText);
      Disconnect(*this, true);
      return;
    }
  }
  Flags |= kFlagConnected;

  GetCameraInfo();
  GetVersions();
  Notify();

  const uint32_t mode = Traits->DefaultReadMode;
  if (Generation == 0)
    ReadModeG0 = mode;
  else
    ReadMode = mode;

  if (PowerTimer && Traits->StoredPowerReading)
    StartTimer(Window, kPowerTimerId, PowerTimerPeriodMs());
  if (Generation == 0) CanReadSubFrames();
}

bool CCamera::GetCameraInfo() {
  if (!IsConnected()) return Fail(*this, kTextNotConnected);
  if (!WriteRequest(*this, TRequest(opcode::kCameraInfo), "GetCameraInfo USB Write FAIL"))
    return false;
  const bool packed = Generation == 0 || Traits->PackedRecord;
  uint8_t reply[1 + sizeof(TCameraInfo)] = {};
  const uint32_t size = packed ? 1 + sizeof(TCameraInfoPacked) : 1 + sizeof(TCameraInfo);
  if (!ReadReply(*this, reply, size, "GetCameraInfo USB Read FAIL")) return false;
  if (!CheckStatus(*this, reply[0])) return false;
  if (packed)
    ReadPackedInfo(reply + 1, PackedInfo, Info);
  else
    ReadExpandedInfo(reply + 1, Info, PackedInfo);
  return true;
}

bool CCamera::GetVersions() {
  if (!IsConnected()) return Fail(*this, kTextNotConnected);
  struct TVersionStep {
    uint8_t Index;
    const char* WriteFail;
    const char* ReadFail;
  };
  static constexpr TVersionStep kSteps[] = {
      {opcode::kQueryVersionWords[0], "GetVersions USB Write1 FAIL", "GetVersions USB Read1 FAIL"},
      {opcode::kQueryVersionWords[1], "GetVersions USB Write2 FAIL", "GetVersions USB Read2 FAIL"},
      {opcode::kQueryVersionWords[2], "GetVersions USB Write3 FAIL", "GetVersions USB Read3 FAIL"},
      {opcode::kQueryVersionWords[3], "GetVersions USB Write4 FAIL", "GetVersions USB Read4 FAIL"},
  };
  const uint8_t opcode = QueryWordOpcode(Generation);
  // A status other than 0x80 does not stop the sequence: that word stays 0.
  uint16_t* const highBytes[] = {&Ver128Hi, &Ver129Hi};
  uint16_t* const lowBytes[] = {&Ver128Lo, &Ver129Lo};
  for (unsigned step = 0; step < 2; ++step) {
    uint8_t reply[3] = {};
    if (!QueryWord(*this, opcode, kSteps[step].Index, reply, kSteps[step].WriteFail,
                   kSteps[step].ReadFail))
      return false;
    const bool ok = reply[0] == kStatusOk;
    *highBytes[step] = ok ? reply[2] : 0;
    *lowBytes[step] = ok ? reply[1] : 0;
  }
  Ver130 = 0;
  Ver131 = 0;
  if (Generation >= 1 && Generation <= 5) {
    uint16_t* const words[] = {&Ver130, &Ver131};
    for (unsigned step = 2; step < 4; ++step) {
      uint8_t reply[3] = {};
      if (!QueryWord(*this, opcode, kSteps[step].Index, reply, kSteps[step].WriteFail,
                     kSteps[step].ReadFail))
        return false;
      if (reply[0] == kStatusOk)
        *words[step - 2] = static_cast<uint16_t>(reply[1] | (reply[2] << 8));
    }
  }
  VerReserved = 0;
  return true;
}

void CCamera::CanReadSubFrames() {
  Flags &= ~kFlagCanReadSubFrames;
  if (!IsConnected()) {
    SetLastError(kTextNotConnected);
    return;
  }
  uint8_t reply[3] = {};
  if (!QueryWord(*this, opcode::gen0::kQueryWord, opcode::kQuerySubFrames, reply,
                 "CanReadSubFrames USB Write FAIL", "CanReadSubFrames USB Read FAIL"))
    return;
  if (!CheckStatus(*this, reply[0])) return;
  if (reply[1] == 0x80 && reply[2] == 0x80) Flags |= kFlagCanReadSubFrames;
}

}  // namespace tQusb
