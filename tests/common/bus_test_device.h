#pragma once
// A device on the virtual USB bus served by a thread of the test: every
// command frame is handed to the test's handler, which answers through the
// endpoints (SendReply, SendImage, SendRaw, CloseConnections).
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/bus_layout.h"
#include "platform/device_endpoints.h"
#include "platform/published_device.h"

// The GUID of the bus's interface class `number` (1 to 14).
inline const platform::TGuid& BusClass(int number) {
  return *platform::bus::InterfaceClass(number);
}

class BusTestDevice {
 public:
  using Handler = std::function<void(const std::vector<unsigned char>& command,
                                     platform::bus::DeviceEndpoints&)>;

  BusTestDevice(const std::string& root, const platform::TGuid& classGuid, const std::string& name,
                Handler handler, const std::vector<unsigned char>* descriptor = nullptr) {
    std::string error;
    device_ = platform::bus::PublishedDevice::Publish(root, classGuid, name, descriptor, &error);
    if (!device_) throw std::runtime_error("cannot publish " + name + ": " + error);
    endpoints_ = std::make_unique<platform::bus::DeviceEndpoints>(*device_);
    thread_ = std::thread([this, handler = std::move(handler)] {
      std::vector<unsigned char> command;
      while (endpoints_->NextCommand(&command, -1)) handler(command, *endpoints_);
    });
  }
  ~BusTestDevice() { Stop(); }

  // Ends serving, closes the connections and takes the device off the bus.
  void Stop() {
    if (!thread_.joinable()) return;
    endpoints_->Interrupt();
    thread_.join();
    endpoints_->CloseConnections();
    device_->Remove();
  }

  const std::string& DevicePath() const { return device_->DevicePath(); }
  std::string PipePath(platform::bus::Pipe pipe) const { return device_->PipePath(pipe); }

 private:
  std::unique_ptr<platform::bus::PublishedDevice> device_;
  std::unique_ptr<platform::bus::DeviceEndpoints> endpoints_;
  std::thread thread_;
};
