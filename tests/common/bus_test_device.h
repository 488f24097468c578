#pragma once
// A device on the virtual USB bus served by a thread of the test: every
// command frame is handed to the test's handler, which answers through the
// endpoints (SendReply, SendImage, SendRaw, CloseConnections). With
// `idleHangUpMs`, a device that heard a command and then none for that long
// hangs up, as a dead device would: a host waiting for an image it will never
// send (which the bus allows while the connections live) is then released.
#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "busdevice/device_endpoints.h"
#include "busdevice/published_device.h"
#include "platform/vbus_layout.h"

// The GUID of the bus's interface class `number` (1 to 14).
inline const platform::TGuid& BusClass(int number) {
  return *platform::vbus::InterfaceClass(number);
}

class BusTestDevice {
 public:
  using Handler = std::function<void(const std::vector<unsigned char>& command,
                                     busdevice::DeviceEndpoints&)>;

  BusTestDevice(const std::string& root, const platform::TGuid& classGuid, const std::string& name,
                Handler handler, const std::vector<unsigned char>* descriptor = nullptr,
                int idleHangUpMs = -1) {
    std::string error;
    device_ = busdevice::PublishedDevice::Publish(root, classGuid, name, descriptor, &error);
    if (!device_) throw std::runtime_error("cannot publish " + name + ": " + error);
    endpoints_ = std::make_unique<busdevice::DeviceEndpoints>(*device_);
    thread_ = std::thread([this, handler = std::move(handler), idleHangUpMs] {
      std::vector<unsigned char> command;
      bool heard = false;
      for (;;) {
        if (endpoints_->NextCommand(&command, heard ? idleHangUpMs : -1)) {
          heard = true;
          handler(command, *endpoints_);
        } else if (stopping_) {
          return;
        } else {
          endpoints_->CloseConnections();
          heard = false;
        }
      }
    });
  }
  ~BusTestDevice() { Stop(); }

  // Ends serving, closes the connections and takes the device off the bus.
  void Stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    endpoints_->Interrupt();
    thread_.join();
    endpoints_->CloseConnections();
    device_->Remove();
  }

  const std::string& DevicePath() const { return device_->DevicePath(); }
  std::string PipePath(platform::vbus::Pipe pipe) const { return device_->PipePath(pipe); }

 private:
  std::unique_ptr<busdevice::PublishedDevice> device_;
  std::unique_ptr<busdevice::DeviceEndpoints> endpoints_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};
