#pragma once
// The driver's view of the kernel USB camera driver: interface classes whose
// members have device paths, the device handle with its descriptor query, and
// three pipes per device ("\0" command, "\1" reply, "\2" image) with whole
// synchronous reads and writes. The default backend is the platform's virtual
// USB bus; unit tests of the layers above may install their own.
#include <cstdint>
#include <string>
#include <vector>

namespace tQusb::transport {

using Handle = std::uintptr_t;
inline constexpr Handle kInvalidHandle = ~Handle{0};  // all bits set: not open

inline constexpr unsigned kPathHigh = 260;  // device paths hold at most 261 characters
inline constexpr unsigned kDescriptorSize = 18;

class Backend {
 public:
  // The device paths of the members of interface class `classNumber` (1 to
  // 14) present now, in member order; empty for a class that cannot be listed.
  virtual std::vector<std::string> InterfacePaths(int classNumber) = 0;
  // Opens a device path or a pipe path; kInvalidHandle on failure.
  virtual Handle Open(const char* path) = 0;
  virtual bool Write(Handle handle, const void* data, uint32_t size) = 0;
  virtual bool Read(Handle handle, void* data, uint32_t size, uint32_t* transferred) = 0;
  virtual void Close(Handle handle) = 0;
  // The 18-byte USB device descriptor; false when the query fails.
  virtual bool QueryDescriptor(Handle device, uint8_t* descriptor, uint32_t* returned) = 0;
  // Image pipe, right after an image request: the reads for that image fail
  // once the exposure plus a readout allowance for `frameBytes` have passed.
  // Backends without a bound ignore it.
  virtual void ExpectImage(Handle image, double exposureSeconds, uint64_t frameBytes) {
    (void)image, (void)exposureSeconds, (void)frameBytes;
  }

 protected:
  ~Backend() = default;
};

Backend& Current();
// The backend a test installed in place of the transports (null: none). The
// library only reads it; SetBackend exists only in the tqusb_internal archive
// (src/test_seams).
extern Backend* g_installedBackend;
// Installs a backend (null: back to the virtual USB bus).
void SetBackend(Backend* backend);

// Forwarders that keep the call sites short.
inline std::vector<std::string> InterfacePaths(int classNumber) {
  return Current().InterfacePaths(classNumber);
}
inline Handle Open(const char* path) {
  return Current().Open(path);
}
inline bool Write(Handle h, const void* data, uint32_t size) {
  return Current().Write(h, data, size);
}
inline bool Read(Handle h, void* data, uint32_t size, uint32_t* transferred = nullptr) {
  uint32_t ignored = 0;
  return Current().Read(h, data, size, transferred != nullptr ? transferred : &ignored);
}
inline void Close(Handle h) {
  Current().Close(h);
}
inline bool QueryDescriptor(Handle device, uint8_t* descriptor, uint32_t* returned) {
  return Current().QueryDescriptor(device, descriptor, returned);
}
// A negative exposure (the image of an exposure already taken) counts as 0.
inline void ExpectImage(Handle image, double exposureSeconds, uint64_t frameBytes) {
  Current().ExpectImage(image, exposureSeconds > 0 ? exposureSeconds : 0.0, frameBytes);
}

// Opens the device path followed by a backslash and the pipe digit (0 to 2).
Handle OpenPipe(const char* devicePath, unsigned pipe);

}  // namespace tQusb::transport
