#include "device_server.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <future>
#include <sstream>

#include "platform/bus_layout.h"
#include "platform/socket_io.h"

namespace tqsim {
namespace {

namespace bus = platform::bus;

constexpr std::size_t kMaxControlLine = 4096;

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::string Ok(const std::string& body = {}) { return "ok\n" + body; }
std::string Error(const std::string& reason) { return "error " + reason + "\n"; }

// A control client: one command line in, one answer out, then closed.
struct ControlSession {
  int fd;
  EventLoop::Token token = 0;
  std::string input;
};

}  // namespace

DeviceServer::DeviceServer(ServerOptions options)
    : options_(std::move(options)), clock_(options_.timeScale) {}

DeviceServer::~DeviceServer() { Stop(); }

bool DeviceServer::Start(std::string* error) {
  std::string scratch;
  if (!error) error = &scratch;
  if (running_) return true;
  if (!loop_.Ok()) {
    *error = "cannot create the event loop";
    return false;
  }
  root_ = options_.root.empty() ? bus::ResolveRoot() : options_.root;
  if (!bus::EnsureDirectory(root_)) {
    *error = "cannot create the bus root " + root_;
    return false;
  }
  if (options_.controlSocket && !OpenControlSocket(error)) return false;
  for (CameraModel model : options_.cameras) {
    if (options_.cachedFrames) model.image.cachedFrames = true;
    devices_.push_back(std::make_unique<SimDevice>(loop_, clock_, model, root_));
    std::string why;
    if (!devices_.back()->Plug(&why)) {
      *error = "cannot publish " + model.name + ": " + why;
      devices_.clear();
      CloseControlSocket();
      return false;
    }
  }
  running_ = true;
  thread_ = std::thread([this] { loop_.Run(); });
  return true;
}

void DeviceServer::Stop() {
  if (running_) {
    loop_.Quit();
    thread_.join();
    running_ = false;
  }
  // The loop has stopped: the devices are this thread's to take down.
  for (auto& device : devices_) device->Unplug();
  devices_.clear();
  CloseControlSocket();
}

std::string DeviceServer::Control(const std::string& line) {
  if (!running_) return Execute(line);
  std::promise<std::string> answer;
  std::future<std::string> result = answer.get_future();
  loop_.Post([this, &answer, line] { answer.set_value(Execute(line)); });
  return result.get();
}

SimDevice* DeviceServer::FindDevice(const std::string& key) {
  for (auto& d : devices_) {
    if (d->Model().name == key || d->DeviceName() == key ||
        std::to_string(d->Model().cameraId) == key)
      return d.get();
  }
  return nullptr;
}

std::string DeviceServer::Execute(const std::string& line) {
  const std::vector<std::string> words = Words(line);
  if (words.empty()) return Error("empty command");
  const std::string& command = words[0];
  if (command == "list") {
    std::ostringstream body;
    for (auto& d : devices_) {
      const CameraModel& m = d->Model();
      body << m.name << " id=" << m.cameraId << " class=" << m.interfaceClass
           << " kind=" << m.Kind() << " generation=" << m.Generation() << " "
           << (d->Plugged() ? "plugged" : "unplugged") << " " << d->DevicePath() << "\n";
    }
    return Ok(body.str());
  }
  if (command != "plug" && command != "unplug" && command != "status" && command != "fault")
    return Error("unknown command " + command);
  if (words.size() < 2) return Error(command + " needs a device");
  SimDevice* device = FindDevice(words[1]);
  if (!device) return Error("no device " + words[1]);
  if (command == "plug") {
    if (words.size() != 2) return Error("usage: plug DEVICE");
    std::string why;
    return device->Plug(&why) ? Ok() : Error(why);
  }
  if (command == "unplug") {
    if (words.size() != 2) return Error("usage: unplug DEVICE");
    device->Unplug();
    return Ok();
  }
  if (command == "status") {
    if (words.size() != 2) return Error("usage: status DEVICE");
    return Ok(device->Status());
  }
  const std::string why = device->Fault({words.begin() + 2, words.end()});
  return why.empty() ? Ok() : Error(why);
}

bool DeviceServer::OpenControlSocket(std::string* error) {
  controlPath_ = root_ + "/" + kControlSocketName;
  if (access(controlPath_.c_str(), F_OK) == 0) {
    const int probe = platform::sock::ConnectStream(controlPath_);
    if (probe >= 0) {
      platform::sock::Close(probe);
      *error = "another tqsim serves " + root_;
      controlPath_.clear();
      return false;
    }
    unlink(controlPath_.c_str());  // left behind by a server that died
  }
  controlFd_ = platform::sock::ListenStream(controlPath_);
  if (controlFd_ < 0) {
    *error = "cannot listen on " + controlPath_;
    controlPath_.clear();
    return false;
  }
  controlToken_ = loop_.Watch(controlFd_, EPOLLIN, [this](std::uint32_t) { AcceptControl(); });
  return true;
}

void DeviceServer::CloseControlSocket() {
  if (controlFd_ < 0) return;
  loop_.Unwatch(controlToken_);
  platform::sock::Close(controlFd_);
  controlFd_ = -1;
  unlink(controlPath_.c_str());
  controlPath_.clear();
}

void DeviceServer::AcceptControl() {
  const int fd = accept4(controlFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) return;
  auto session = std::make_shared<ControlSession>();
  session->fd = fd;
  session->token = loop_.Watch(fd, EPOLLIN | EPOLLRDHUP, [this, session](std::uint32_t) {
    char buffer[512];
    bool finished = false;
    for (;;) {
      const ssize_t n = recv(session->fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) {
        session->input.append(buffer, static_cast<std::size_t>(n));
        if (session->input.size() > kMaxControlLine) {
          finished = true;
          break;
        }
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      finished = true;  // end of input or error
      break;
    }
    const std::size_t eol = session->input.find('\n');
    if (eol == std::string::npos && !finished) return;
    std::string answer;
    if (session->input.size() > kMaxControlLine) {
      answer = Error("command too long");
    } else {
      answer = Execute(session->input.substr(0, eol));
    }
    // A short answer to a waiting client; a client that does not read within
    // a second loses it rather than stalling the server.
    timeval timeout{1, 0};
    fcntl(session->fd, F_SETFL, fcntl(session->fd, F_GETFL) & ~O_NONBLOCK);
    setsockopt(session->fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    platform::sock::SendAll(session->fd, answer.data(), answer.size());
    loop_.Unwatch(session->token);
    platform::sock::Close(session->fd);
  });
}

bool SendControl(const std::string& root, const std::string& line, std::string* answer) {
  const int fd = platform::sock::ConnectStream(root + "/" + kControlSocketName);
  if (fd < 0) return false;
  const std::string request = line + "\n";
  bool ok = platform::sock::SendAll(fd, request.data(), request.size());
  answer->clear();
  char buffer[4096];
  while (ok) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer->append(buffer, static_cast<std::size_t>(n));
  }
  platform::sock::Close(fd);
  return ok && !answer->empty();
}

}  // namespace tqsim
