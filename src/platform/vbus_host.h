#pragma once
// The kernel USB driver as the camera driver sees it, served by the virtual
// USB bus: device-interface enumeration per class, opening a device or one of
// its pipes by path, synchronous framed reads and writes, and the device
// descriptor query. Close handles with platform::CloseHandle.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/guid.h"
#include "platform/handles.h"
#include "platform/vbus_layout.h"

namespace platform::vbus {

// The devices of one interface class present when the set was made, sorted
// by name so that member indices are stable. Empty when the root is refused.
class DeviceInterfaceSet {
 public:
  explicit DeviceInterfaceSet(const TGuid& classGuid,
                              const std::string& root = vbus::TrustedRoot());

  enum class Result { Found, NoMoreItems };
  // The device path of member `index`, or NoMoreItems past the last one.
  Result Enum(unsigned index, std::string* devicePath) const;

  unsigned Count() const { return static_cast<unsigned>(paths_.size()); }

 private:
  std::vector<std::string> paths_;
};

// Opens a device path (succeeds while its directory exists) or a pipe path
// (connects to the pipe's socket). kInvalidHandle on failure.
THandle CreateFile(const char* path);

// Command pipe only: sends the bytes as one frame. True when all were sent.
bool WriteFile(THandle handle, const void* data, uint32_t size, uint32_t* written);

// Reply and image pipes: returns min(size, bytes left in the current frame),
// first waiting for the next frame header when none is in progress. Bytes
// left over stay for the next read. Fails on a closed connection, and on the
// reply pipe after ReplyTimeoutMs without data.
bool ReadFile(THandle handle, void* buffer, uint32_t size, uint32_t* read);

// Device handle, code 0x220000: the 18-byte device descriptor. Succeeds only
// when the device has a descriptor, a regular file of exactly 18 bytes, and
// `outSize` >= 18.
bool DeviceIoControl(THandle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                     uint32_t outSize, uint32_t* returned);

// How long a reply-pipe read waits without data before it fails: 30 s. The
// library only reads the setting; SetReplyTimeoutMs, for tests that need a
// shorter wait, exists only in the tqusb_internal archive (src/test_seams).
inline constexpr unsigned kDefaultReplyTimeoutMs = 30000;
extern std::atomic<unsigned> g_replyTimeoutMs;
unsigned ReplyTimeoutMs();
void SetReplyTimeoutMs(unsigned timeoutMs);

// Image pipe: bounds the reads that follow the request just written. They
// fail once `exposureSeconds` plus a readout allowance for `frameBytes` have
// passed; the next request on the device lifts the bound again.
void ExpectImage(THandle imagePipe, double exposureSeconds, uint64_t frameBytes);

// The image wait: the exposure plus the time `frameBytes` take at
// `bytesPerSecond`, but never less than the floor (60 s) beyond the exposure.
// The library only reads the floor; SetImageFloorMs, for tests, exists only
// in the tqusb_internal archive (src/test_seams).
inline constexpr unsigned kDefaultImageFloorMs = 60000;
extern std::atomic<unsigned> g_imageFloorMs;
void SetImageFloorMs(unsigned floorMs);
std::chrono::milliseconds ImageWait(double exposureSeconds, uint64_t frameBytes,
                                    uint64_t bytesPerSecond);
// Assumed speeds: deliberately slow, as a camera may digitise its sensor
// far slower than its bus could carry the pixels.
inline constexpr uint64_t kVirtualBusBytesPerSecond = 1u << 20;

}  // namespace platform::vbus
