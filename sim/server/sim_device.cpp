#include "sim_device.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>

namespace tqsim {
namespace {

namespace vbus = platform::vbus;

// Requests waiting beyond this are a host flooding the camera: its connection
// is closed.
constexpr std::size_t kMaxQueuedRequests = 4096;

// How long a listener rests when no descriptor is left for a new connection.
constexpr double kAcceptRetrySeconds = 0.1;

std::string MakeDeviceName(const CameraModel& m) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "vid_%04x&pid_%04x#", m.vendorId,
                m.productId ? *m.productId : 0);
  std::string name = prefix + m.name;
  if (name.size() > vbus::kMaxDeviceNameLength) name = m.name;
  return name;
}

}  // namespace

SimDevice::SimDevice(EventLoop& loop, const SimClock& clock, const CameraModel& model,
                     std::string root)
    : loop_(loop),
      clock_(clock),
      firmware_(model, clock),
      root_(std::move(root)),
      deviceName_(MakeDeviceName(model)) {}

SimDevice::~SimDevice() {
  Unplug();
  retired_.clear();
}

std::string SimDevice::DevicePath() const {
  const platform::TGuid* guid = vbus::InterfaceClass(Model().interfaceClass);
  return guid ? vbus::MakeDevicePath(deviceName_, *guid) : std::string();
}

bool SimDevice::Plug(std::string* error) {
  if (published_) return true;
  const platform::TGuid* guid = vbus::InterfaceClass(Model().interfaceClass);
  if (!guid) {
    if (error) *error = "no interface class " + std::to_string(Model().interfaceClass);
    return false;
  }
  firmware_.PowerCycle();
  const std::optional<Bytes> descriptor = DeviceDescriptor(Model());
  std::vector<unsigned char> bytes;
  if (descriptor) bytes.assign(descriptor->begin(), descriptor->end());
  published_ = busdevice::PublishedDevice::Publish(root_, *guid, deviceName_,
                                                   descriptor ? &bytes : nullptr, error);
  if (!published_) return false;
  for (int pipe = 0; pipe < vbus::kPipeCount; ++pipe) {
    const int fd = published_->ListenFd(static_cast<vbus::Pipe>(pipe));
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    WatchListener(pipe);
  }
  return true;
}

void SimDevice::Unplug() {
  if (!published_) return;
  for (EventLoop::Token& token : listenTokens_) {
    loop_.Unwatch(token);
    token = 0;
  }
  published_->Remove();
  published_.reset();
  for (auto& c : connections_) {
    c->Close();
    retired_.push_back(std::move(c));
  }
  connections_.clear();
  queue_.clear();
  if (pendingTimer_) loop_.Cancel(pendingTimer_);
  pendingTimer_ = 0;
  busy_ = false;
  faults_.unplugAfter.reset();
  if (!reapPosted_) {
    reapPosted_ = true;
    loop_.Post([this] {
      reapPosted_ = false;
      retired_.clear();
    });
  }
}

void SimDevice::AcceptPending(int pipe) {
  if (!published_) return;
  const int listenFd = published_->ListenFd(static_cast<vbus::Pipe>(pipe));
  for (;;) {
    const int fd = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
        PauseListening(pipe);
      return;
    }
    connections_.push_back(std::make_unique<Connection>(
        loop_, fd, pipe, nextSerial_++, [this](Bytes frame) { return OnFrame(std::move(frame)); },
        [this](Connection* closed) { Retire(closed); }));
  }
}

void SimDevice::PauseListening(int pipe) {
  // Out of descriptors: the pending connection stays in the backlog, and
  // watching the listener meanwhile would only spin.
  if (!published_ || listenTokens_[pipe] == 0) return;
  loop_.Unwatch(listenTokens_[pipe]);
  listenTokens_[pipe] = 0;
  loop_.After(kAcceptRetrySeconds, [this, pipe] { WatchListener(pipe); });
}

void SimDevice::WatchListener(int pipe) {
  if (!published_ || listenTokens_[pipe] != 0) return;
  const int fd = published_->ListenFd(static_cast<vbus::Pipe>(pipe));
  listenTokens_[pipe] = loop_.Watch(fd, EPOLLIN, [this, pipe](std::uint32_t) { AcceptPending(pipe); });
}

void SimDevice::Retire(Connection* connection) {
  for (auto it = connections_.begin(); it != connections_.end(); ++it) {
    if (it->get() == connection) {
      (*it)->Close();
      retired_.push_back(std::move(*it));
      connections_.erase(it);
      break;
    }
  }
  if (!reapPosted_) {
    reapPosted_ = true;
    loop_.Post([this] {
      reapPosted_ = false;
      retired_.clear();
    });
  }
}

bool SimDevice::OnFrame(Bytes frame) {
  if (queue_.size() >= kMaxQueuedRequests) return false;
  queue_.push_back(std::move(frame));
  ProcessQueue();
  return true;
}

Connection* SimDevice::Newest(int pipe) {
  AcceptPending(pipe);
  for (;;) {
    Connection* best = nullptr;
    for (auto& c : connections_) {
      if (c->Pipe() == pipe && c->IsOpen() && (!best || c->Serial() > best->Serial())) best = c.get();
    }
    if (!best || !best->PeerClosed()) return best;
    Retire(best);
  }
}

void SimDevice::CloseNewest(int pipe) {
  if (Connection* c = Newest(pipe)) Retire(c);
}

void SimDevice::ProcessQueue() {
  while (!busy_ && !queue_.empty() && published_) {
    Bytes request = std::move(queue_.front());
    queue_.pop_front();
    if (!request.empty()) ++requestCounts_[request[0]];
    if (faults_.closeReply) {
      // The host sees its reply connection fail instead of an answer.
      faults_.closeReply = false;
      CloseNewest(static_cast<int>(vbus::Pipe::Reply));
      if (!AfterAnswer()) return;
      continue;
    }
    if (faults_.closeImage) {
      faults_.closeImage = false;
      CloseNewest(static_cast<int>(vbus::Pipe::Image));
    }
    Response response;
    if (faults_.statusCount > 0) {
      --faults_.statusCount;
      response = firmware_.FailWith(request, faults_.status);
    } else if (faults_.imageFault && firmware_.IsImageRequest(request)) {
      // An image fault lasts for one image transfer.
      firmware_.SetImageFault(*faults_.imageFault);
      faults_.imageFault.reset();
      response = firmware_.Handle(request);
      firmware_.SetImageFault({});
    } else {
      response = firmware_.Handle(request);
    }
    double delay = clock_.RealSeconds(response.delaySim);
    if (faults_.delayMs > 0) {
      delay += faults_.delayMs / 1000.0;
      if (faults_.delayCount > 0 && --faults_.delayCount == 0) faults_.delayMs = 0;
    }
    if (delay > 0) {
      busy_ = true;
      pendingTimer_ = loop_.After(delay, [this, response] {
        pendingTimer_ = 0;
        busy_ = false;
        Deliver(response);
        if (AfterAnswer()) ProcessQueue();
      });
      return;
    }
    Deliver(response);
    if (!AfterAnswer()) return;
  }
}

void SimDevice::Deliver(const Response& response) {
  // The image goes first: generations that send a status byte send it after
  // the pixels.
  if (response.image) {
    if (Connection* c = Newest(static_cast<int>(vbus::Pipe::Image))) {
      if (response.imageCloseAfter)
        c->SendCutFrame(response.image, *response.imageCloseAfter);
      else
        c->SendFrame(response.image);
    }
  }
  if (response.hasReply) {
    if (Connection* c = Newest(static_cast<int>(vbus::Pipe::Reply)))
      c->SendFrame(std::make_shared<const Bytes>(response.reply));
  }
}

bool SimDevice::AfterAnswer() {
  ++answered_;
  if (faults_.unplugAfter && --*faults_.unplugAfter == 0) {
    Unplug();
    return false;
  }
  return true;
}

std::string SimDevice::Status() {
  std::string text = firmware_.Describe();
  text += "device=" + deviceName_ + "\n";
  text += std::string("plugged=") + (published_ ? "1" : "0") + "\n";
  text += "answered=" + std::to_string(answered_) + "\n";
  // How often each opcode was asked, for hosts that must ask only once.
  text += "opcodes=";
  const char* separator = "";
  for (std::size_t opcode = 0; opcode < requestCounts_.size(); ++opcode) {
    if (requestCounts_[opcode] == 0) continue;
    char entry[32];
    std::snprintf(entry, sizeof entry, "%s%02zx:%llu", separator, opcode,
                  static_cast<unsigned long long>(requestCounts_[opcode]));
    text += entry;
    separator = ",";
  }
  text += "\n";
  text += "faults=" + DescribeFaults(faults_) + "\n";
  return text;
}

std::string SimDevice::Fault(const std::vector<std::string>& words) {
  return ApplyFaultCommand(faults_, words);
}

}  // namespace tqsim
