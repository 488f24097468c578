#include "driver/transport/discovery.h"

#include <string>

#include "driver/transport/camera_classes.h"
#include "driver/transport/claims.h"
#include "driver/transport/command_channel.h"
#include "driver/transport/protocol.h"
#include "tqusb/runtime/str.h"

namespace tQusb {
namespace {

constexpr uint32_t kExpandedReply = 65;
constexpr uint32_t kPackedReply = 61;

}  // namespace

int32_t GetDeviceId(unsigned high, const char* path, int classNumber) {
  char pipePath[transport::kPathHigh + 1];
  Str::CopyA(transport::kPathHigh, pipePath, high, path);
  const transport::Handle command = transport::OpenPipe(pipePath, 0);
  if (command == transport::kInvalidHandle) return -1;
  const transport::Handle reply = transport::OpenPipe(pipePath, 1);
  int32_t id = -1;
  if (reply != transport::kInvalidHandle) {
    const uint8_t request = opcode::kCameraInfo;
    uint8_t answer[kExpandedReply] = {};
    if (!transport::Write(command, &request, 1)) {
      DebugLine("GetDeviceId USB Write FAIL");
    } else if (!transport::Read(reply, answer, classNumber <= 8 ? kExpandedReply : kPackedReply)) {
      DebugLine("GetDeviceId USB Read FAIL");
    } else if (answer[0] == kStatusOk) {
      id = static_cast<int32_t>(
          static_cast<uint32_t>(answer[1]) | (static_cast<uint32_t>(answer[2]) << 8) |
          (static_cast<uint32_t>(answer[3]) << 16) | (static_cast<uint32_t>(answer[4]) << 24));
    }
    transport::Close(reply);
  }
  transport::Close(command);
  return id;
}

transport::Handle FindDevice(int classNumber, TEnumCallback callback, int32_t wantedId,
                             unsigned high, char* path, bool* busy) {
  TClaimList& claims = ClaimList();
  // The members present when the walk starts, in member order.
  for (const std::string& found : transport::InterfacePaths(classNumber)) {
    // A path that does not fit is a member whose detail cannot be read.
    if (found.size() > transport::kPathHigh) continue;
    // Claims are made and released under the lower-case path that the camera
    // keeps, whatever case the bus delivered.
    Str::CopyA(high, path, static_cast<unsigned>(found.size()), found.c_str());
    Str::LowsA(high, path);
    const transport::Handle device = transport::Open(path);
    if (device == transport::kInvalidHandle) continue;
    if (callback == nullptr) {
      if (ClaimDevice(claims, high, path)) {
        if (wantedId == -1 || GetDeviceId(high, path, classNumber) == wantedId) return device;
        ReleaseDevice(claims, high, path);
      } else if (busy != nullptr) {
        *busy = true;
      }
    } else if (ClaimDevice(claims, high, path)) {
      const int32_t id = GetDeviceId(high, path, classNumber);
      if (id != -1) callback(static_cast<uint32_t>(id));
      ReleaseDevice(claims, high, path);
    }
    transport::Close(device);
  }
  path[0] = '\0';
  return transport::kInvalidHandle;
}

void EnumerateCameras(TEnumCallback callback) {
  // Without a callback FindDevice would claim a device instead of listing.
  if (callback == nullptr) return;
  char path[transport::kPathHigh + 1];
  for (int classNumber = 1; classNumber <= kInterfaceClassCount; ++classNumber)
    FindDevice(classNumber, callback, -1, transport::kPathHigh, path);
}

}  // namespace tQusb
