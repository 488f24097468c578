#include "device_server.h"

#include <future>
#include <sstream>

#include "platform/vbus_layout.h"

namespace tqsim {
namespace {

namespace vbus = platform::vbus;

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::string Ok(const std::string& body = {}) { return "ok\n" + body; }
std::string Error(const std::string& reason) { return "error " + reason + "\n"; }

}  // namespace

DeviceServer::DeviceServer(ServerOptions options)
    : options_(std::move(options)),
      clock_(options_.timeScale),
      control_(loop_, [this](const std::string& line) { return Execute(line); }) {}

DeviceServer::~DeviceServer() { Stop(); }

bool DeviceServer::Start(std::string* error) {
  std::string scratch;
  if (!error) error = &scratch;
  if (running_) return true;
  if (started_) {
    *error = "a stopped server cannot be started again";
    return false;
  }
  started_ = true;
  if (!loop_.Ok()) {
    *error = "cannot create the event loop";
    return false;
  }
  root_ = options_.root.empty() ? vbus::ResolveRoot() : options_.root;
  if (!vbus::EnsureDirectory(root_)) {
    *error = "cannot create the bus root " + root_;
    return false;
  }
  if (options_.controlSocket && !control_.Open(root_, error)) return false;
  for (CameraModel model : options_.cameras) {
    if (options_.cachedFrames) model.image.cachedFrames = true;
    devices_.push_back(std::make_unique<SimDevice>(loop_, clock_, model, root_));
    std::string why;
    if (!devices_.back()->Plug(&why)) {
      *error = "cannot publish " + model.name + ": " + why;
      devices_.clear();
      control_.Close();
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
  control_.Close();
}

std::string DeviceServer::OnLoop(std::function<std::string()> work) {
  if (!running_) return work();
  std::promise<std::string> answer;
  std::future<std::string> result = answer.get_future();
  loop_.Post([&answer, &work] { answer.set_value(work()); });
  return result.get();
}

std::string DeviceServer::Control(const std::string& line) {
  return OnLoop([this, &line] { return Execute(line); });
}

std::string DeviceServer::DevicePath(const std::string& key) {
  return OnLoop([this, &key] {
    const SimDevice* device = FindDevice(key);
    return device ? device->DevicePath() : std::string();
  });
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

}  // namespace tqsim
