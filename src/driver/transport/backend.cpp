#include "driver/transport/backend.h"

#include <string>

#include "platform/handles.h"
#include "platform/transport_choice.h"
#include "platform/usbhost.h"
#include "platform/vbus_host.h"
#include "platform/vbus_layout.h"
#include "tqusb/runtime/str.h"

namespace tQusb::transport {
namespace {

static_assert(kInvalidHandle == platform::kInvalidHandle);

constexpr uint32_t kDescriptorControlCode = 0x220000;

// The cameras of the transports in use: the virtual USB bus of the
// platform, real USB devices through libusb, or both. Paths and handles tell
// which transport a call belongs to.
class BusBackend final : public Backend {
 public:
  std::vector<std::string> InterfacePaths(int classNumber) override {
    std::vector<std::string> paths;
    if (Use().usbhost) paths = platform::usbhost::InterfacePaths(classNumber);
    const platform::TGuid* guid = platform::vbus::InterfaceClass(classNumber);
    if (guid == nullptr || !Use().vbus) return paths;
    const platform::vbus::DeviceInterfaceSet set(*guid);
    std::string path;
    for (unsigned index = 0;
         set.Enum(index, &path) == platform::vbus::DeviceInterfaceSet::Result::Found; ++index)
      paths.push_back(path);
    return paths;
  }

  Handle Open(const char* path) override {
    if (Use().usbhost) {
      const Handle handle = platform::usbhost::Open(path);
      if (handle != kInvalidHandle) return handle;
    }
    return Use().vbus ? platform::vbus::CreateFile(path) : kInvalidHandle;
  }

  bool Write(Handle handle, const void* data, uint32_t size) override {
    if (Use().usbhost && platform::usbhost::Owns(handle))
      return platform::usbhost::Write(handle, data, size);
    uint32_t written = 0;
    return platform::vbus::WriteFile(handle, data, size, &written);
  }

  bool Read(Handle handle, void* data, uint32_t size, uint32_t* transferred) override {
    if (Use().usbhost && platform::usbhost::Owns(handle))
      return platform::usbhost::Read(handle, data, size, transferred);
    return platform::vbus::ReadFile(handle, data, size, transferred);
  }

  void Close(Handle handle) override { platform::CloseHandle(handle); }

  void ExpectImage(Handle image, double exposureSeconds, uint64_t frameBytes) override {
    if (Use().usbhost && platform::usbhost::Owns(image))
      platform::usbhost::ExpectImage(image, exposureSeconds, frameBytes);
    else
      platform::vbus::ExpectImage(image, exposureSeconds, frameBytes);
  }

  bool QueryDescriptor(Handle device, uint8_t* descriptor, uint32_t* returned) override {
    if (Use().usbhost && platform::usbhost::Owns(device))
      return platform::usbhost::QueryDescriptor(device, descriptor, returned);
    return platform::vbus::DeviceIoControl(device, kDescriptorControlCode, nullptr, 0, descriptor,
                                           kDescriptorSize, returned);
  }

 private:
  static const platform::TTransportChoice& Use() { return platform::ActiveTransports(); }
};

}  // namespace

Backend* g_installedBackend = nullptr;

Backend& Current() {
  static BusBackend bus;
  return g_installedBackend != nullptr ? *g_installedBackend : bus;
}

Handle OpenPipe(const char* devicePath, unsigned pipe) {
  char path[kPathHigh + 3];
  Str::CopyA(kPathHigh, path, kPathHigh, devicePath);
  const char suffix[3] = {'\\', static_cast<char>('0' + pipe), '\0'};
  Str::AppendA(sizeof path - 1, path, 2, suffix);
  return Open(path);
}

}  // namespace tQusb::transport
