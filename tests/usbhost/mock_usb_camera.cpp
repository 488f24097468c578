#include "usbhost/mock_usb_camera.h"

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/socket_io.h"
#include "platform/vbus_layout.h"

namespace usbmock {
namespace {

constexpr char kSysPath[] = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-3";
constexpr char kDevNode[] = "/dev/bus/usb/001/005";
constexpr unsigned char kCommandEndpoint = 0x01;
constexpr unsigned char kInEndpoints[2] = {0x81, 0x82};  // reply, image

// One configuration, interface 0 with the three bulk endpoints.
const unsigned char kConfiguration[] = {
    9, 2, 39, 0, 1, 1, 0, 0x80, 50,          // configuration
    9, 4, 0, 0, 3, 0xFF, 0, 0, 0,            // interface 0, vendor class
    7, 5, kCommandEndpoint, 2, 0x00, 0x02, 0,  // bulk OUT, 512 bytes
    7, 5, kInEndpoints[0], 2, 0x00, 0x02, 0,   // bulk IN (reply)
    7, 5, kInEndpoints[1], 2, 0x00, 0x02, 0,   // bulk IN (image)
};

std::string Hex(const std::vector<unsigned char>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (unsigned char b : bytes) text += {digits[b >> 4], digits[b & 15]};
  return text;
}

// Ends the client's ioctl: success, or failure with `error` as errno.
void Finish(UMockdevIoctlClient* client, int error = 0) {
  umockdev_ioctl_client_complete(client, error != 0 ? -1 : 0, error);
}

// The ioctl argument is the client's pointer; this is the memory it points at.
UMockdevIoctlData* Pointee(UMockdevIoctlData* arg, gsize size) {
  GError* error = nullptr;
  UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, size, &error);
  g_clear_error(&error);
  return data;
}

}  // namespace

// A submitted URB, kept until it is reaped.
struct Urb {
  UMockdevIoctlData* arg = nullptr;     // the client's struct usbdevfs_urb
  UMockdevIoctlData* buffer = nullptr;  // its data buffer
  unsigned char endpoint = 0;
  int length = 0;
  int status = 0;
  int actual = 0;
  std::vector<unsigned char> in;  // bytes for an IN transfer
  ~Urb() {
    if (buffer != nullptr) g_object_unref(buffer);
    if (arg != nullptr) g_object_unref(arg);
  }
};

struct MockUsbCamera::State {
  UMockdevTestbed* testbed = nullptr;
  UMockdevIoctlBase* handler = nullptr;
  bool plugged = false;
  int sockets[3] = {-1, -1, -1};
  std::mutex lock;
  std::condition_variable changed;
  std::deque<Urb*> pending[2];
  std::deque<Urb*> completed;
  std::atomic<bool> gone{false};
  bool stopping = false;
  bool broken[2] = {false, false};  // the bus connection behind the endpoint closed
  std::thread readers[2];
  std::atomic<uint64_t> imageBytes{0};
  std::atomic<uint32_t> frames[2] = {0, 0};
  std::optional<uint32_t> split[2];  // under `lock`, for the next frame
  bool terminate[2] = {false, false};
  bool drop[2] = {false, false};
  std::atomic<bool> numbered{false};

  void Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
  void Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
  void Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
  void ReadFrames(int index);
  void FailPendingLocked(int index, int status);
  void Stop();
};

namespace {

gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
  auto* s = static_cast<MockUsbCamera::State*>(data);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      uint32_t caps = USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
      UMockdevIoctlData* target = Pointee(arg, sizeof caps);
      if (target != nullptr) {
        umockdev_ioctl_data_update(target, 0, reinterpret_cast<guint8*>(&caps), sizeof caps);
        g_object_unref(target);
      }
      Finish(client, target != nullptr ? 0 : EFAULT);
      break;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_CLEAR_HALT:
      Finish(client, s->gone ? ENODEV : 0);
      break;
    case USBDEVFS_SUBMITURB:
      s->Submit(client, arg);
      break;
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY:
      s->Reap(client, arg);
      break;
    case USBDEVFS_DISCARDURB:
      s->Discard(client, arg);
      break;
    default:
      Finish(client, ENOTTY);
  }
  return TRUE;
}

}  // namespace

void MockUsbCamera::State::Submit(UMockdevIoctlClient* client, UMockdevIoctlData* pointer) {
  auto urb = std::make_unique<Urb>();
  urb->arg = Pointee(pointer, sizeof(usbdevfs_urb));
  if (urb->arg == nullptr) return Finish(client, EFAULT);
  const auto* request = reinterpret_cast<const usbdevfs_urb*>(urb->arg->data);
  const unsigned char endpoint = urb->endpoint = request->endpoint;
  const int length = urb->length = request->buffer_length;
  const int index = endpoint == kInEndpoints[0] ? 0 : endpoint == kInEndpoints[1] ? 1 : -1;
  if (request->type != USBDEVFS_URB_TYPE_BULK || length < 0 ||
      (endpoint != kCommandEndpoint && index < 0))
    return Finish(client, EINVAL);
  if (length > 0) {
    GError* error = nullptr;
    urb->buffer = umockdev_ioctl_data_resolve(urb->arg, offsetof(usbdevfs_urb, buffer),
                                              static_cast<gsize>(length), &error);
    g_clear_error(&error);
    if (urb->buffer == nullptr) return Finish(client, EFAULT);
  }
  std::lock_guard guard(lock);
  if (gone) return Finish(client, ENODEV);
  if (endpoint == kCommandEndpoint) {
    // The command goes out as one frame, as the bus expects.
    const bool sent = platform::sock::SendFrame(
        sockets[0], urb->buffer != nullptr ? urb->buffer->data : nullptr,
        static_cast<uint32_t>(length));
    urb->status = sent ? 0 : -EPIPE;
    urb->actual = sent ? length : 0;
    completed.push_back(urb.release());
  } else if (broken[index]) {
    urb->status = -EPIPE;  // a stalled endpoint
    completed.push_back(urb.release());
  } else {
    pending[index].push_back(urb.release());
    changed.notify_all();
  }
  Finish(client);
}

void MockUsbCamera::State::Reap(UMockdevIoctlClient* client, UMockdevIoctlData* pointer) {
  std::unique_ptr<Urb> urb;
  {
    std::lock_guard guard(lock);
    if (completed.empty()) return Finish(client, gone ? ENODEV : EAGAIN);
    urb.reset(completed.front());
    completed.pop_front();
  }
  usbdevfs_urb result = *reinterpret_cast<const usbdevfs_urb*>(urb->arg->data);
  result.status = urb->status;
  result.actual_length = urb->actual;
  umockdev_ioctl_data_update(urb->arg, 0, reinterpret_cast<guint8*>(&result), sizeof result);
  if (!urb->in.empty())
    umockdev_ioctl_data_update(urb->buffer, 0, urb->in.data(), static_cast<gint>(urb->in.size()));
  // The client's pointer variable gets the address of its URB.
  UMockdevIoctlData* target = Pointee(pointer, sizeof(void*));
  if (target == nullptr) return Finish(client, EFAULT);
  umockdev_ioctl_data_set_ptr(target, 0, urb->arg);
  g_object_unref(target);
  Finish(client);
}

void MockUsbCamera::State::Discard(UMockdevIoctlClient* client, UMockdevIoctlData* pointer) {
  // The argument is the address of the URB itself.
  uint64_t address = 0;
  std::memcpy(&address, pointer->data, std::min<size_t>(sizeof address, size_t(pointer->data_len)));
  std::lock_guard guard(lock);
  for (auto& queue : pending)
    for (auto it = queue.begin(); it != queue.end(); ++it) {
      if ((*it)->arg->client_addr != address) continue;
      (*it)->status = -ENOENT;
      completed.push_back(*it);
      queue.erase(it);
      return Finish(client);
    }
  Finish(client, EINVAL);
}

// Fills the IN transfers of one endpoint from the frames of its socket. A
// frame goes out as one device transfer, or as the transfers a fault asks
// for; a URB takes what is left of the transfer up to its length, so a
// transfer that ends first completes it short. Bytes read for a URB that
// was discarded meanwhile stay for the next one, as in a device's buffer.
void MockUsbCamera::State::ReadFrames(int index) {
  const int fd = sockets[1 + index];
  std::deque<uint32_t> transfers;  // bytes left in each transfer of the frame
  std::vector<unsigned char> held;  // read for the first transfer, not yet taken
  unsigned char stamp = 0;
  const auto receive = [&](void* data, size_t size) {
    return platform::sock::RecvExact(fd, data, size, -1) == platform::sock::RecvResult::Ok;
  };
  for (;;) {
    uint32_t want = 0;
    {
      std::unique_lock guard(lock);
      changed.wait(guard, [&] { return stopping || !pending[index].empty(); });
      if (stopping) return;
      want = static_cast<uint32_t>(pending[index].front()->length);
    }
    bool ok = true;
    if (transfers.empty()) {
      unsigned char header[platform::vbus::kFrameHeaderSize];
      ok = receive(header, sizeof header);
      if (ok) {
        const uint32_t size = platform::vbus::DecodeFrameHeader(header);
        stamp = static_cast<unsigned char>(++frames[index]);
        std::unique_lock guard(lock);
        if (std::exchange(drop[index], false)) {  // the device never sends it
          guard.unlock();
          std::vector<unsigned char> lost(size);
          ok = size == 0 || receive(lost.data(), size);
          if (ok) continue;
        } else {
          const uint32_t at = std::min(split[index].value_or(size), size);
          transfers = {at};
          if (at < size) transfers.push_back(size - at);
          if (terminate[index]) transfers.push_back(0);
          split[index].reset();
          terminate[index] = false;
        }
      }
    }
    const uint32_t need = ok ? std::min(want, transfers.front()) : 0;
    if (ok && held.size() < need) {
      const size_t have = held.size();
      held.resize(need);
      ok = receive(held.data() + have, need - have);
      if (ok && index == 1 && numbered) std::fill(held.begin() + long(have), held.end(), stamp);
    }
    std::lock_guard guard(lock);
    if (!ok) {  // the device stalls the endpoint: what is queued and what comes fails
      broken[index] = true;
      return FailPendingLocked(index, -EPIPE);
    }
    if (pending[index].empty()) continue;  // discarded meanwhile: the bytes wait
    Urb* urb = pending[index].front();
    const uint32_t take = std::min(static_cast<uint32_t>(urb->length), transfers.front());
    if (take > held.size()) continue;  // another URB came, asking for more
    pending[index].pop_front();
    urb->in.assign(held.begin(), held.begin() + take);
    urb->actual = static_cast<int>(take);
    held.erase(held.begin(), held.begin() + take);
    if ((transfers.front() -= take) == 0) transfers.pop_front();
    if (index == 1) imageBytes += take;
    completed.push_back(urb);
  }
}

// The queued IN transfers of one endpoint end with `status`.
void MockUsbCamera::State::FailPendingLocked(int index, int status) {
  for (Urb* urb : pending[index]) {
    urb->status = status;
    completed.push_back(urb);
  }
  pending[index].clear();
}

void MockUsbCamera::State::Stop() {
  {
    std::lock_guard guard(lock);
    stopping = true;
    changed.notify_all();
  }
  for (int fd : sockets)
    if (fd >= 0) platform::sock::Shutdown(fd);
  for (std::thread& t : readers)
    if (t.joinable()) t.join();
  for (int& fd : sockets) {
    if (fd >= 0) platform::sock::Close(fd);
    fd = -1;
  }
}

// umockdev_in_mock_environment() only answers true once a testbed exists
// (and remembers its first answer), so the preload is looked for directly.
bool Available() {
  const char* preload = std::getenv("LD_PRELOAD");
  return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

MockUsbCamera::MockUsbCamera() : state_(std::make_unique<State>()) {
  state_->testbed = umockdev_testbed_new();
  state_->handler = umockdev_ioctl_base_new();
  g_signal_connect(state_->handler, "handle-ioctl", G_CALLBACK(OnIoctl), state_.get());
}

MockUsbCamera::~MockUsbCamera() {
  if (state_->plugged) Unplug();
  state_->Stop();
  std::lock_guard guard(state_->lock);
  for (Urb* urb : state_->completed) delete urb;
  for (auto& queue : state_->pending)
    for (Urb* urb : queue) delete urb;
  g_object_unref(state_->handler);
  g_object_unref(state_->testbed);
}

bool MockUsbCamera::Plug(const std::string& deviceDirectory, std::string* error) {
  std::ifstream file(deviceDirectory + "/descriptor", std::ios::binary);
  std::vector<unsigned char> descriptors((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
  if (descriptors.size() != platform::vbus::kDescriptorSize) {
    *error = "the bus device has no descriptor";
    return false;
  }
  descriptors.insert(descriptors.end(), std::begin(kConfiguration), std::end(kConfiguration));
  // The bridge to the bus device stays across unplugging and plugging again.
  const bool bridged = state_->sockets[0] >= 0;
  for (int pipe = 0; pipe < 3 && !bridged; ++pipe) {
    state_->sockets[pipe] = platform::sock::ConnectStream(deviceDirectory + "/" + std::to_string(pipe));
    if (state_->sockets[pipe] < 0) {
      *error = "cannot connect to pipe " + std::to_string(pipe);
      return false;
    }
  }
  const std::string record = std::string("P: ") + (kSysPath + 4) +
                             "\nN: bus/usb/001/005\n"
                             "E: DEVNAME=/dev/bus/usb/001/005\nE: DEVTYPE=usb_device\n"
                             "E: DRIVER=usb\nE: SUBSYSTEM=usb\nE: BUSNUM=001\nE: DEVNUM=005\n"
                             "A: busnum=1\nA: devnum=5\nA: speed=480\nA: bConfigurationValue=1\n"
                             "A: bNumConfigurations=1\nH: descriptors=" +
                             Hex(descriptors) + "\n";
  GError* failure = nullptr;
  if (!umockdev_testbed_add_from_string(state_->testbed, record.c_str(), &failure) ||
      !umockdev_testbed_attach_ioctl(state_->testbed, kDevNode, state_->handler, &failure)) {
    *error = failure != nullptr ? failure->message : "umockdev refused the device";
    g_clear_error(&failure);
    return false;
  }
  state_->gone = false;
  if (!bridged)
    for (int i = 0; i < 2; ++i)
      state_->readers[i] = std::thread([this, i] { state_->ReadFrames(i); });
  state_->plugged = true;
  umockdev_testbed_uevent(state_->testbed, kSysPath, "add");
  return true;
}

void MockUsbCamera::Unplug() {
  {
    std::lock_guard guard(state_->lock);
    state_->gone = true;
    for (int i = 0; i < 2; ++i) state_->FailPendingLocked(i, -ENODEV);
  }
  umockdev_testbed_uevent(state_->testbed, kSysPath, "remove");
  GError* ignored = nullptr;
  umockdev_testbed_detach_ioctl(state_->testbed, kDevNode, &ignored);
  g_clear_error(&ignored);
  umockdev_testbed_remove_device(state_->testbed, kSysPath);
  state_->plugged = false;
}

uint64_t MockUsbCamera::ImageBytes() const {
  return state_->imageBytes;
}

uint32_t MockUsbCamera::ImageFrames() const {
  return state_->frames[1];
}

void MockUsbCamera::NumberImageFrames() {
  state_->numbered = true;
}

void MockUsbCamera::SplitNextFrame(In endpoint, uint32_t at) {
  std::lock_guard guard(state_->lock);
  state_->split[static_cast<int>(endpoint)] = at;
}

void MockUsbCamera::DropNextFrame(In endpoint) {
  std::lock_guard guard(state_->lock);
  state_->drop[static_cast<int>(endpoint)] = true;
}

void MockUsbCamera::TerminateNextFrame(In endpoint) {
  std::lock_guard guard(state_->lock);
  state_->terminate[static_cast<int>(endpoint)] = true;
}

}  // namespace usbmock
