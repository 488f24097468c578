#pragma once
// The layout of the virtual USB bus, shared by the library's transport and by
// every device server (the simulator, test fixtures):
//
//   <root>/<class>/<device>/descriptor   18-byte USB device descriptor (optional)
//   <root>/<class>/<device>/0|1|2        stream sockets: command, reply, image pipe
//   <root>/.staging/  .trash/  .claims/
//
// A device path is "\\?\usb#<device>#<class>"; a pipe path appends "\0", "\1"
// or "\2". Every transfer on a pipe is a frame: 32-bit little-endian length,
// then that many bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/guid.h"

namespace platform::vbus {

inline constexpr int kClassCount = 14;

// The interface class of number 1..14 (in enumeration order); null otherwise.
const TGuid* InterfaceClass(int number);

enum class Pipe : int { Command = 0, Reply = 1, Image = 2 };
inline constexpr int kPipeCount = 3;
inline constexpr std::string_view kPipeNames[kPipeCount] = {"0", "1", "2"};

inline constexpr std::string_view kStagingDir = ".staging";
inline constexpr std::string_view kTrashDir = ".trash";
inline constexpr std::string_view kClaimsDir = ".claims";
inline constexpr std::string_view kDescriptorFile = "descriptor";
inline constexpr std::string_view kDevicePathPrefix = "\\\\?\\usb#";

inline constexpr size_t kMaxDeviceNameLength = 100;
inline constexpr uint32_t kDescriptorControlCode = 0x220000;
inline constexpr size_t kDescriptorSize = 18;
inline constexpr size_t kFrameHeaderSize = 4;

// The bus root: $TQUSB_BUS_DIR when set and not empty, else
// $XDG_RUNTIME_DIR/tqusb-bus, else /tmp/tqusb-bus-<uid>. Read on every call.
std::string ResolveRoot();

// Creates `path` and any missing parents with mode 0700; true when it exists
// as a directory afterwards.
bool EnsureDirectory(const std::string& path);

// Whether a directory may serve as a bus root or the claims directory: a
// directory owned by the calling user that neither group nor others can write.
// Otherwise false with the reason in *why. The path form follows links; the
// descriptor form checks what was opened.
bool IsPrivateDirectory(const std::string& path, std::string* why);
bool IsPrivateDirectory(int fd, std::string* why);

// The bus root to use now: ResolveRoot(), created with mode 0700 when missing.
// Empty when it cannot be created or is not private (another user could serve
// fake cameras through it); one debug line says why.
std::string TrustedRoot();

// 1 to 100 characters of [a-z0-9_.&#-].
bool IsValidDeviceName(std::string_view name);

// "\\?\usb#<device>#<class>".
std::string MakeDevicePath(std::string_view device, const TGuid& classGuid);

// Where a device or pipe path leads on the bus.
struct TBusAddress {
  std::string classDir;  // "{...}" in lower case
  std::string device;    // directory name of the device
  int pipe = -1;         // 0..2 for a pipe path, -1 for the device itself
};

// Resolves a device or pipe path (letter case is ignored): strips the prefix,
// takes an optional "\<digit>" pipe suffix and splits at the last '#'. False
// when the path does not name a well-formed device.
bool ParseDevicePath(std::string_view path, TBusAddress* address);

std::string ClassDirectory(const std::string& root, const TGuid& classGuid);
std::string DeviceDirectory(const std::string& root, const TBusAddress& address);
std::string PipeSocketPath(const std::string& root, const TBusAddress& address);

void EncodeFrameHeader(uint32_t length, unsigned char header[kFrameHeaderSize]);
uint32_t DecodeFrameHeader(const unsigned char header[kFrameHeaderSize]);

}  // namespace platform::vbus
