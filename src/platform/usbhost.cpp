#include "platform/usbhost.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/debug_output.h"
#include "platform/usbhost_camera_path.h"
#include "platform/usbhost_context.h"
#include "platform/usbhost_transfers.h"
#include "platform/vbus_host.h"
#include "platform/vbus_layout.h"

namespace platform::usbhost {
namespace {

// Image reads are split so that the bus always has the next pieces queued,
// within the memory usbfs grants a process by default.
constexpr uint32_t kImagePiece = 1u << 20;
constexpr uint32_t kImageWindow = 16u << 20;
constexpr uint32_t kOneTransfer = 0xFFFFFFFFu;

// Draining an endpoint reads until it stays quiet this long, but gives up
// on a device that keeps sending for longer than the limit.
constexpr uint32_t kDrainPiece = 16u << 10;
constexpr unsigned kDrainQuietMs = 100;
constexpr auto kDrainLimit = std::chrono::seconds(30);

int64_t NowNs() {
  return std::chrono::steady_clock::now().time_since_epoch() / std::chrono::nanoseconds(1);
}

// The assumed readout speed of a device for the image wait: a fraction of
// what its bus carries, as a camera may digitise its sensor far slower.
uint64_t ReadoutBytesPerSecond(libusb_device* device) {
  switch (libusb_get_device_speed(device)) {
    case LIBUSB_SPEED_HIGH:
      return 1u << 20;
    case LIBUSB_SPEED_SUPER:
    case LIBUSB_SPEED_SUPER_PLUS:
      return 4u << 20;
    default:
      return 256u << 10;
  }
}

// The frame state of an IN endpoint, shared by every handle on it.
struct InEndpoint {
  std::mutex lock;  // one transfer or drain at a time
  // What an earlier transfer left unread may still come: drained before the
  // next request. A device just opened may hold what its last user left.
  bool outOfStep = true;
  // The last transfer ended on a packet boundary: the device may close it
  // with a zero-length packet, which then arrives first on the next one.
  bool terminatorMayFollow = false;
  uint16_t maxPacket = 512;
  std::atomic<int64_t> deadlineNs{0};  // image wait bound; 0: none
};

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
    for (int pipe = 1; pipe < 3; ++pipe)
      if (int size = libusb_get_max_packet_size(device_->device, endpoints_[pipe]); size > 0)
        in_[pipe - 1].maxPacket = static_cast<uint16_t>(size);
    bytesPerSecond_ = ReadoutBytesPerSecond(device_->device);
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
  // The reply or image endpoint's state.
  InEndpoint& In(vbus::Pipe pipe) { return in_[pipe == vbus::Pipe::Image ? 1 : 0]; }
  uint64_t BytesPerSecond() const { return bytesPerSecond_; }

 private:
  std::shared_ptr<DeviceRef> device_;
  libusb_device_handle* handle_;
  int interface_;
  unsigned char endpoints_[3];
  InEndpoint in_[2];
  uint64_t bytesPerSecond_ = 0;
};

// Reads and drops what waits on an IN endpoint that is out of step, until it
// stays quiet; returns the bytes dropped. An endpoint busy with a read in
// another thread is left alone. False in *ok when the device kept sending.
uint64_t Drain(OpenDevice& device, vbus::Pipe pipe, bool* ok) {
  InEndpoint& in = device.In(pipe);
  std::unique_lock guard(in.lock, std::try_to_lock);
  if (!guard.owns_lock() || !in.outOfStep) return 0;
  TTransferPlan plan;
  plan.endpoint = device.Endpoint(static_cast<int>(pipe));
  plan.pieceSize = plan.windowSize = kDrainPiece;
  plan.timeoutMs = kDrainQuietMs;
  std::vector<unsigned char> scratch(kDrainPiece);
  const auto limit = std::chrono::steady_clock::now() + kDrainLimit;
  uint64_t dropped = 0;
  for (;;) {
    if (std::chrono::steady_clock::now() > limit) {
      *ok = false;
      return dropped;
    }
    TransferRun run(device.Handle(), plan);
    uint32_t done = 0;
    // A timeout (quiet) or a failure ends it; a zero-length packet does not.
    if (run.Run(scratch.data(), kDrainPiece, &done) == TransferResult::Failed) break;
    dropped += done;
  }
  in.outOfStep = false;
  in.terminatorMayFollow = false;
  return dropped;
}

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
  UsbPipeFile(std::shared_ptr<OpenDevice> device, vbus::Pipe pipe)
      : device_(std::move(device)), pipe_(pipe) {}

  // Closing the handle cancels a transfer another thread waits for.
  void Wake() override {
    std::lock_guard guard(stateLock_);
    closed_ = true;
    if (run_ != nullptr) run_->Cancel();
  }

  vbus::Pipe Pipe() const { return pipe_; }

  // Image pipe: the reads after this request fail once the image wait ends.
  void Bound(double exposureSeconds, uint64_t frameBytes) {
    device_->In(vbus::Pipe::Image).deadlineNs =
        NowNs() +
        platform::vbus::ImageWait(exposureSeconds, frameBytes, device_->BytesPerSecond()) /
            std::chrono::nanoseconds(1);
  }

  // Command pipe: first brings the reply and image endpoints back to a frame
  // boundary, so no earlier frame or status answers this request, and lifts
  // the image bound of the previous request.
  bool Send(const void* data, uint32_t size) {
    bool ok = true;
    const uint64_t dropped =
        Drain(*device_, vbus::Pipe::Reply, &ok) + Drain(*device_, vbus::Pipe::Image, &ok);
    if (dropped > 0)
      DebugOutput(("Discarded " + std::to_string(dropped) + " unread bytes before a request\n")
                      .c_str());
    if (!ok) {
      DebugOutput("USB transport: the device keeps sending, no request can be written\n");
      return false;
    }
    device_->In(vbus::Pipe::Image).deadlineNs = 0;
    std::lock_guard serial(callLock_);
    TTransferPlan plan;
    plan.endpoint = device_->Endpoint(0);
    plan.pieceSize = plan.windowSize = kOneTransfer;
    plan.timeoutMs = platform::vbus::ReplyTimeoutMs();
    uint32_t done = 0;
    return RunOnce(plan, static_cast<unsigned char*>(const_cast<void*>(data)), size, &done) ==
           TransferResult::Complete;
  }

  // Reply and image pipes. A transfer that ends short leaves the endpoint out
  // of step (the rest of the frame may still come); on the image pipe it is a
  // short read, on the reply pipe only a zero-length packet is, which fails
  // the call because it is no reply.
  bool Receive(void* data, uint32_t size, uint32_t* done) {
    InEndpoint& in = device_->In(pipe_);
    std::lock_guard serial(in.lock);
    TTransferPlan plan;
    plan.endpoint = device_->Endpoint(static_cast<int>(pipe_));
    const bool image = pipe_ == vbus::Pipe::Image;
    plan.pieceSize = image ? kImagePiece : kOneTransfer;
    plan.windowSize = image ? kImageWindow : kOneTransfer;
    plan.timeoutMs = image ? 0 : platform::vbus::ReplyTimeoutMs();
    if (const int64_t deadline = in.deadlineNs; image && deadline != 0)
      plan.deadline = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(deadline));
    auto* bytes = static_cast<unsigned char*>(data);
    TransferResult result;
    if (in.terminatorMayFollow && size > 0) {
      // The first piece alone: a zero-length packet there closes the last
      // transfer and is skipped; data there belongs to this one.
      const uint32_t first = std::min(size, plan.pieceSize);
      result = RunOnce(plan, bytes, first, done);
      if (result == TransferResult::Short && *done == 0) {
        result = RunOnce(plan, bytes, size, done);
      } else if (result == TransferResult::Complete && first < size) {
        uint32_t more = 0;
        result = RunOnce(plan, bytes + first, size - first, &more);
        *done += more;
      }
    } else {
      result = RunOnce(plan, bytes, size, done);
    }
    in.terminatorMayFollow =
        result == TransferResult::Complete && size > 0 && size % in.maxPacket == 0;
    const bool noReply = !image && result == TransferResult::Short && *done == 0;
    if (result == TransferResult::Failed || noReply || (image && result == TransferResult::Short))
      in.outOfStep = true;
    return result != TransferResult::Failed && !noReply;
  }

 private:
  // One run of transfers that Wake can cancel.
  TransferResult RunOnce(const TTransferPlan& plan, unsigned char* data, uint32_t size,
                         uint32_t* done) {
    *done = 0;
    TransferRun run(device_->Handle(), plan);
    {
      std::lock_guard guard(stateLock_);
      if (closed_) return TransferResult::Failed;
      run_ = &run;
    }
    const TransferResult result = run.Run(data, size, done);
    {
      std::lock_guard guard(stateLock_);
      run_ = nullptr;
    }
    if (run.TimedOut()) DebugOutput("USB transport: the image did not come within its bound\n");
    return result;
  }

  std::shared_ptr<OpenDevice> device_;
  vbus::Pipe pipe_;
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
  if (devicePath.rfind(std::string(vbus::kDevicePathPrefix) + "vid_", 0) != 0)
    return kInvalidHandle;
  if (pipe < 0) {
    std::shared_ptr<DeviceRef> device = FindCamera(devicePath, nullptr);
    if (!device) return kInvalidHandle;
    return RegisterHandle(std::make_shared<UsbDeviceFile>(std::move(device)));
  }
  std::shared_ptr<OpenDevice> device = OpenShared(devicePath);
  if (!device) return kInvalidHandle;
  return RegisterHandle(
      std::make_shared<UsbPipeFile>(std::move(device), static_cast<vbus::Pipe>(pipe)));
}

bool Owns(THandle handle) {
  auto object = LookupHandle(handle);
  return std::dynamic_pointer_cast<UsbPipeFile>(object) ||
         std::dynamic_pointer_cast<UsbDeviceFile>(object);
}

bool Write(THandle handle, const void* data, uint32_t size) {
  auto pipe = LookupHandleAs<UsbPipeFile>(handle);
  if (!pipe || (data == nullptr && size > 0)) return false;
  return pipe->Pipe() == vbus::Pipe::Command && pipe->Send(data, size);
}

bool Read(THandle handle, void* data, uint32_t size, uint32_t* read) {
  *read = 0;
  auto pipe = LookupHandleAs<UsbPipeFile>(handle);
  if (!pipe || (data == nullptr && size > 0)) return false;
  return pipe->Pipe() != vbus::Pipe::Command && pipe->Receive(data, size, read);
}

void ExpectImage(THandle handle, double exposureSeconds, uint64_t frameBytes) {
  if (auto pipe = LookupHandleAs<UsbPipeFile>(handle); pipe && pipe->Pipe() == vbus::Pipe::Image)
    pipe->Bound(exposureSeconds, frameBytes);
}

bool QueryDescriptor(THandle handle, uint8_t* out, uint32_t* returned) {
  *returned = 0;
  auto device = LookupHandleAs<UsbDeviceFile>(handle);
  libusb_device_descriptor d;
  if (!device || out == nullptr || libusb_get_device_descriptor(device->Device(), &d) != 0)
    return false;
  // The wire form: little-endian 16-bit fields, in descriptor order.
  const uint8_t bytes[vbus::kDescriptorSize] = {
      d.bLength,         d.bDescriptorType,
      static_cast<uint8_t>(d.bcdUSB),    static_cast<uint8_t>(d.bcdUSB >> 8),
      d.bDeviceClass,    d.bDeviceSubClass, d.bDeviceProtocol, d.bMaxPacketSize0,
      static_cast<uint8_t>(d.idVendor),  static_cast<uint8_t>(d.idVendor >> 8),
      static_cast<uint8_t>(d.idProduct), static_cast<uint8_t>(d.idProduct >> 8),
      static_cast<uint8_t>(d.bcdDevice), static_cast<uint8_t>(d.bcdDevice >> 8),
      d.iManufacturer,   d.iProduct,        d.iSerialNumber,   d.bNumConfigurations};
  std::memcpy(out, bytes, sizeof bytes);
  *returned = vbus::kDescriptorSize;
  return true;
}

}  // namespace platform::usbhost
