#include "busdevice/published_device.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "busdevice/listen_socket.h"
#include "platform/socket_io.h"

namespace busdevice {

using namespace platform::vbus;
namespace sock = platform::sock;

namespace {

bool WriteWholeFile(const std::string& path, const std::vector<unsigned char>& data) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return close(fd) == 0 && done == data.size();
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text + ": " + std::strerror(errno);
}

}  // namespace

std::string UniqueTemporaryName() {
  static std::atomic<unsigned long> counter{0};
  return std::to_string(getpid()) + "." + std::to_string(++counter);
}

void DeleteDeviceDirectory(const std::string& directory) {
  for (std::string_view name : kPipeNames) unlink((directory + "/" + std::string(name)).c_str());
  unlink((directory + "/" + std::string(kDescriptorFile)).c_str());
  rmdir(directory.c_str());
}

std::unique_ptr<PublishedDevice> PublishedDevice::Publish(
    const std::string& root, const TGuid& classGuid, std::string_view device,
    const std::vector<unsigned char>* descriptor, std::string* error) {
  if (!IsValidDeviceName(device)) {
    if (error) *error = "invalid device name";
    return nullptr;
  }
  std::string staging = root + "/" + std::string(kStagingDir);
  std::string classDir = ClassDirectory(root, classGuid);
  if (!EnsureDirectory(staging) || !EnsureDirectory(classDir)) {
    SetError(error, "cannot create the bus directories");
    return nullptr;
  }
  std::unique_ptr<PublishedDevice> result(new PublishedDevice);
  PublishedDevice& d = *result;
  d.root_ = root;
  d.devicePath_ = MakeDevicePath(device, classGuid);
  std::string building = staging + "/" + UniqueTemporaryName();
  if (mkdir(building.c_str(), 0700) != 0) {
    SetError(error, "cannot create " + building);
    return nullptr;
  }
  bool ok = true;
  for (int pipe = 0; pipe < kPipeCount && ok; ++pipe) {
    d.listen_[pipe] = ListenStream(building + "/" + std::string(kPipeNames[pipe]));
    if (d.listen_[pipe] < 0) {
      SetError(error, "cannot listen on pipe " + std::to_string(pipe));
      ok = false;
    }
  }
  if (ok && descriptor &&
      !WriteWholeFile(building + "/" + std::string(kDescriptorFile), *descriptor)) {
    SetError(error, "cannot write the descriptor");
    ok = false;
  }
  std::string target = classDir + "/" + std::string(device);
  if (ok && rename(building.c_str(), target.c_str()) != 0) {
    SetError(error, "cannot publish " + target);
    ok = false;
  }
  if (!ok) {
    for (int& fd : d.listen_) {
      sock::Close(fd);
      fd = -1;
    }
    DeleteDeviceDirectory(building);
    return nullptr;
  }
  d.directory_ = target;
  d.published_ = true;
  return result;
}

PublishedDevice::~PublishedDevice() {
  Remove();
}

std::string PublishedDevice::PipePath(Pipe pipe) const {
  return devicePath_ + "\\" + std::string(kPipeNames[static_cast<int>(pipe)]);
}

void PublishedDevice::Remove() {
  if (!published_) return;
  published_ = false;
  std::string trash = root_ + "/" + std::string(kTrashDir);
  std::string place = trash + "/" + UniqueTemporaryName();
  // The rename is the removal event; when it cannot be made the directory is
  // deleted where it is (a removal all the same).
  if (!EnsureDirectory(trash) || rename(directory_.c_str(), place.c_str()) != 0) place = directory_;
  for (int& fd : listen_) {
    sock::Close(fd);
    fd = -1;
  }
  DeleteDeviceDirectory(place);
}

}  // namespace busdevice
