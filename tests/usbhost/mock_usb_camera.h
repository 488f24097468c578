#pragma once
// A USB camera for the libusb transport without hardware: umockdev puts a USB
// device into its sandboxed sysfs and /dev, and answers the device node's
// usbfs ioctls here. Bulk OUT transfers on endpoint 0x01 go to the command
// socket of a camera served on the virtual bus; IN transfers on 0x81 and 0x82
// are filled from its reply and image sockets, a frame ending a transfer
// early as a short packet would; when a socket closes, the endpoint stalls.
// Works only inside umockdev-wrapper.
#include <cstdint>
#include <memory>
#include <string>

namespace usbmock {

// True when the umockdev preload is active in this process.
bool Available();

class MockUsbCamera {
 public:
  MockUsbCamera();
  ~MockUsbCamera();
  MockUsbCamera(const MockUsbCamera&) = delete;
  MockUsbCamera& operator=(const MockUsbCamera&) = delete;

  // Plugs a device with the 18-byte descriptor of the bus device in
  // `deviceDirectory` into bus 1, port 3, bridged to its three sockets.
  bool Plug(const std::string& deviceDirectory, std::string* error);
  // Sends the removal uevent and takes the device away; transfers still
  // queued fail as on a vanished device.
  void Unplug();

  // Bytes delivered on the image endpoint so far.
  uint64_t ImageBytes() const;

  // Frames begun on the image endpoint so far. After NumberImageFrames every
  // byte of image frame k is k (mod 256), so a frame that comes late shows.
  uint32_t ImageFrames() const;
  void NumberImageFrames();

  // Faults of the next frame on an IN endpoint: sent as two transfers, the
  // first `at` bytes long (0: a zero-length packet ahead of the frame),
  // followed by a zero-length packet, or never sent.
  enum class In { Reply = 0, Image = 1 };
  void SplitNextFrame(In endpoint, uint32_t at);
  void TerminateNextFrame(In endpoint);
  void DropNextFrame(In endpoint);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace usbmock
