#pragma once
// The device-server side of publishing: a device directory is built under a
// temporary name in <root>/.staging (three listening sockets, the descriptor)
// and renamed into <root>/<class>/<device>, so that its arrival is one atomic
// event. Removal renames it into <root>/.trash, closes the listening sockets
// and deletes it. Used by the simulator, test fixtures, benchmarks and fuzz
// targets; the library itself only finds, opens and watches devices.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/guid.h"
#include "platform/vbus_layout.h"

namespace busdevice {

using platform::TGuid;
using platform::vbus::Pipe;

class PublishedDevice {
 public:
  // Publishes `device` (a valid device name) in class `classGuid` below
  // `root`, which is created when missing. Without `descriptor` the device
  // has no descriptor file; any byte count is written as given. Null on
  // failure, with the reason in *error when it is given.
  static std::unique_ptr<PublishedDevice> Publish(const std::string& root, const TGuid& classGuid,
                                                  std::string_view device,
                                                  const std::vector<unsigned char>* descriptor,
                                                  std::string* error = nullptr);
  ~PublishedDevice();
  PublishedDevice(const PublishedDevice&) = delete;
  PublishedDevice& operator=(const PublishedDevice&) = delete;

  // Takes the device off the bus (once; later calls do nothing). Open
  // connections are the server's to close.
  void Remove();
  bool IsPublished() const { return published_; }

  // The listening socket of a pipe (-1 after removal).
  int ListenFd(Pipe pipe) const { return listen_[static_cast<int>(pipe)]; }
  // "\\?\usb#<device>#<class>" and the same with "\0", "\1" or "\2".
  const std::string& DevicePath() const { return devicePath_; }
  std::string PipePath(Pipe pipe) const;
  // The published directory <root>/<class>/<device>.
  const std::string& Directory() const { return directory_; }

 private:
  PublishedDevice() = default;

  std::string root_;
  std::string directory_;
  std::string devicePath_;
  int listen_[platform::vbus::kPipeCount] = {-1, -1, -1};
  bool published_ = false;
};

// A name for a directory in .staging or .trash that no other server (process
// id) and no other device of this process (counter) uses at the same time.
std::string UniqueTemporaryName();

// Deletes the files of a device directory and the directory itself.
void DeleteDeviceDirectory(const std::string& directory);

}  // namespace busdevice
