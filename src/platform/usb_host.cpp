#include "platform/usb_host.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/bus_layout.h"
#include "platform/debug_output.h"
#include "platform/usb_bus.h"
#include "platform/usb_camera_path.h"
#include "platform/usb_context.h"
#include "platform/usb_transfers.h"

namespace platform::usbhost {
namespace {

// Image reads are split so that the bus always has the next pieces queued,
// within the memory usbfs grants a process by default.
constexpr uint32_t kImagePiece = 1u << 20;
constexpr uint32_t kImageWindow = 16u << 20;
constexpr uint32_t kOneTransfer = 0xFFFFFFFFu;

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// A referenced libusb device; the reference keeps its descriptor readable
// after the device left.
struct DeviceRef {
  libusb_device* device = nullptr;
  explicit DeviceRef(libusb_device* d) : device(libusb_ref_device(d)) {}
  ~DeviceRef() { libusb_unref_device(device); }
  DeviceRef(const DeviceRef&) = delete;
  DeviceRef& operator=(const DeviceRef&) = delete;
};

// The present camera with this device path (letter case ignored).
std::shared_ptr<DeviceRef> FindCamera(const std::string& devicePath, const TUsbModel** model) {
  libusb_context* context = Context();
  if (context == nullptr) return nullptr;
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  std::shared_ptr<DeviceRef> found;
  for (ssize_t i = 0; i < count && !found; ++i) {
    std::string path;
    if (CameraPath(list[i], &path, model) && path == devicePath)
      found = std::make_shared<DeviceRef>(list[i]);
  }
  if (list != nullptr) libusb_free_device_list(list, 1);
  return found;
}

class UsbDeviceFile : public HandleObject {
 public:
  explicit UsbDeviceFile(std::shared_ptr<DeviceRef> device) : device_(std::move(device)) {}
  libusb_device* Device() const { return device_->device; }

 private:
  std::shared_ptr<DeviceRef> device_;
};

// An opened device with its interface claimed, shared by its pipe handles.
class OpenDevice {
 public:
  OpenDevice(std::shared_ptr<DeviceRef> device, libusb_device_handle* handle, int interface,
             const unsigned char endpoints[3])
      : device_(std::move(device)), handle_(handle), interface_(interface) {
    std::memcpy(endpoints_, endpoints, sizeof endpoints_);
  }
  ~OpenDevice() {
    libusb_release_interface(handle_, interface_);
    libusb_close(handle_);
  }
  OpenDevice(const OpenDevice&) = delete;
  OpenDevice& operator=(const OpenDevice&) = delete;

  libusb_device* Device() const { return device_->device; }
  libusb_device_handle* Handle() const { return handle_; }
  unsigned char Endpoint(int pipe) const { return endpoints_[pipe]; }

 private:
  std::shared_ptr<DeviceRef> device_;
  libusb_device_handle* handle_;
  int interface_;
  unsigned char endpoints_[3];
};

// The interface and the command, reply and image endpoints of a model on
// this device; false when the interface lacks them.
bool ResolvePipes(libusb_device* device, const TUsbModel& model, int* interface,
                  unsigned char endpoints[3]) {
  libusb_config_descriptor* config = nullptr;
  if (libusb_get_active_config_descriptor(device, &config) != 0 &&
      libusb_get_config_descriptor(device, 0, &config) != 0)
    return false;
  bool ok = false;
  for (int i = 0; i < config->bNumInterfaces && !ok; ++i) {
    if (config->interface[i].num_altsetting < 1) continue;
    const libusb_interface_descriptor& alt = config->interface[i].altsetting[0];
    if (model.interface >= 0 && alt.bInterfaceNumber != model.interface) continue;
    *interface = alt.bInterfaceNumber;
    if (model.command != 0) {
      endpoints[0] = model.command;
      endpoints[1] = model.reply;
      endpoints[2] = model.image;
      ok = true;
      break;
    }
    unsigned char out = 0;
    std::vector<unsigned char> in;
    for (int e = 0; e < alt.bNumEndpoints; ++e) {
      const libusb_endpoint_descriptor& ep = alt.endpoint[e];
      if ((ep.bmAttributes & 0x03) != LIBUSB_TRANSFER_TYPE_BULK) continue;
      if ((ep.bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0)
        in.push_back(ep.bEndpointAddress);
      else if (out == 0)
        out = ep.bEndpointAddress;
    }
    ok = out != 0 && in.size() >= 2;
    if (ok) {
      endpoints[0] = out;
      endpoints[1] = in[0];
      endpoints[2] = in[1];
    }
    break;  // only the first interface (or the named one) is considered
  }
  libusb_free_config_descriptor(config);
  return ok;
}

// Devices opened by this process, by path: the three pipes of a camera share
// one libusb handle and one claimed interface.
std::mutex g_openLock;
std::map<std::string, std::weak_ptr<OpenDevice>> g_open;

std::shared_ptr<OpenDevice> OpenShared(const std::string& devicePath) {
  const TUsbModel* model = nullptr;
  std::shared_ptr<DeviceRef> device = FindCamera(devicePath, &model);
  if (!device) return nullptr;
  std::lock_guard guard(g_openLock);
  if (auto open = g_open[devicePath].lock(); open && open->Device() == device->device) return open;
  int interface = 0;
  unsigned char endpoints[3] = {};
  if (!ResolvePipes(device->device, *model, &interface, endpoints)) {
    DebugOutput(("USB transport: no command, reply and image endpoints on " + devicePath + "\n")
                    .c_str());
    return nullptr;
  }
  libusb_device_handle* handle = nullptr;
  if (int rc = libusb_open(device->device, &handle); rc != 0) {
    DebugOutput(("USB transport: cannot open " + devicePath + ": " + libusb_strerror(rc) + "\n")
                    .c_str());
    return nullptr;
  }
  libusb_set_auto_detach_kernel_driver(handle, 1);
  if (int rc = libusb_claim_interface(handle, interface); rc != 0) {
    DebugOutput(("USB transport: cannot claim " + devicePath + ": " + libusb_strerror(rc) + "\n")
                    .c_str());
    libusb_close(handle);
    return nullptr;
  }
  auto open = std::make_shared<OpenDevice>(std::move(device), handle, interface, endpoints);
  g_open[devicePath] = open;
  return open;
}

class UsbPipeFile : public HandleObject {
 public:
  UsbPipeFile(std::shared_ptr<OpenDevice> device, bus::Pipe pipe)
      : device_(std::move(device)), pipe_(pipe) {}

  // Closing the handle cancels a transfer another thread waits for.
  void Wake() override {
    std::lock_guard guard(stateLock_);
    closed_ = true;
    if (run_ != nullptr) run_->Cancel();
  }

  bus::Pipe Pipe() const { return pipe_; }

  bool Transfer(void* data, uint32_t size, uint32_t* done) {
    std::lock_guard serial(callLock_);
    TTransferPlan plan;
    plan.endpoint = device_->Endpoint(static_cast<int>(pipe_));
    plan.pieceSize = pipe_ == bus::Pipe::Image ? kImagePiece : kOneTransfer;
    plan.windowSize = pipe_ == bus::Pipe::Image ? kImageWindow : kOneTransfer;
    plan.timeoutMs = pipe_ == bus::Pipe::Image ? 0 : platform::usb::ReplyTimeoutMs();
    TransferRun run(device_->Handle(), plan);
    {
      std::lock_guard guard(stateLock_);
      if (closed_) return false;
      run_ = &run;
    }
    const TransferResult result = run.Run(static_cast<unsigned char*>(data), size, done);
    {
      std::lock_guard guard(stateLock_);
      run_ = nullptr;
    }
    if (result == TransferResult::Failed) return false;
    // A reply is as long as the device made it; a command must go out whole.
    return result == TransferResult::Complete || pipe_ != bus::Pipe::Command;
  }

 private:
  std::shared_ptr<OpenDevice> device_;
  bus::Pipe pipe_;
  std::mutex callLock_;
  std::mutex stateLock_;
  TransferRun* run_ = nullptr;
  bool closed_ = false;
};

}  // namespace

std::vector<std::string> InterfacePaths(int classNumber) {
  std::vector<std::string> paths;
  libusb_context* context = Context();
  if (context == nullptr) return paths;
  libusb_device** list = nullptr;
  const ssize_t count = libusb_get_device_list(context, &list);
  for (ssize_t i = 0; i < count; ++i) {
    std::string path;
    const TUsbModel* model = nullptr;
    if (CameraPath(list[i], &path, &model) && model->classNumber == classNumber)
      paths.push_back(path);
  }
  if (list != nullptr) libusb_free_device_list(list, 1);
  std::sort(paths.begin(), paths.end());
  return paths;
}

THandle Open(const char* path) {
  if (path == nullptr) return kInvalidHandle;
  std::string devicePath = Lower(path);
  int pipe = -1;
  const size_t n = devicePath.size();
  if (n >= 2 && devicePath[n - 2] == '\\' && devicePath[n - 1] >= '0' && devicePath[n - 1] <= '2') {
    pipe = devicePath[n - 1] - '0';
    devicePath.resize(n - 2);
  }
  // Only paths of the USB shape are looked for among the USB devices.
  if (devicePath.rfind(std::string(bus::kDevicePathPrefix) + "vid_", 0) != 0) return kInvalidHandle;
  if (pipe < 0) {
    std::shared_ptr<DeviceRef> device = FindCamera(devicePath, nullptr);
    if (!device) return kInvalidHandle;
    return RegisterHandle(std::make_shared<UsbDeviceFile>(std::move(device)));
  }
  std::shared_ptr<OpenDevice> device = OpenShared(devicePath);
  if (!device) return kInvalidHandle;
  return RegisterHandle(std::make_shared<UsbPipeFile>(std::move(device), static_cast<bus::Pipe>(pipe)));
}

bool Owns(THandle handle) {
  auto object = LookupHandle(handle);
  return std::dynamic_pointer_cast<UsbPipeFile>(object) ||
         std::dynamic_pointer_cast<UsbDeviceFile>(object);
}

bool Write(THandle handle, const void* data, uint32_t size) {
  auto pipe = LookupHandleAs<UsbPipeFile>(handle);
  if (!pipe || (data == nullptr && size > 0)) return false;
  uint32_t done = 0;
  return pipe->Pipe() == bus::Pipe::Command &&
         pipe->Transfer(const_cast<void*>(data), size, &done);
}

bool Read(THandle handle, void* data, uint32_t size, uint32_t* read) {
  *read = 0;
  auto pipe = LookupHandleAs<UsbPipeFile>(handle);
  if (!pipe || (data == nullptr && size > 0)) return false;
  return pipe->Pipe() != bus::Pipe::Command && pipe->Transfer(data, size, read);
}

bool QueryDescriptor(THandle handle, uint8_t* out, uint32_t* returned) {
  *returned = 0;
  auto device = LookupHandleAs<UsbDeviceFile>(handle);
  libusb_device_descriptor d;
  if (!device || out == nullptr || libusb_get_device_descriptor(device->Device(), &d) != 0)
    return false;
  // The wire form: little-endian 16-bit fields, in descriptor order.
  const uint8_t bytes[bus::kDescriptorSize] = {
      d.bLength,         d.bDescriptorType,
      static_cast<uint8_t>(d.bcdUSB),    static_cast<uint8_t>(d.bcdUSB >> 8),
      d.bDeviceClass,    d.bDeviceSubClass, d.bDeviceProtocol, d.bMaxPacketSize0,
      static_cast<uint8_t>(d.idVendor),  static_cast<uint8_t>(d.idVendor >> 8),
      static_cast<uint8_t>(d.idProduct), static_cast<uint8_t>(d.idProduct >> 8),
      static_cast<uint8_t>(d.bcdDevice), static_cast<uint8_t>(d.bcdDevice >> 8),
      d.iManufacturer,   d.iProduct,        d.iSerialNumber,   d.bNumConfigurations};
  std::memcpy(out, bytes, sizeof bytes);
  *returned = bus::kDescriptorSize;
  return true;
}

}  // namespace platform::usbhost
