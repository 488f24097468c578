#pragma once
// Device arrival and removal notices. A peer window registers for an
// interface class; when a device directory appears in that class directory
// of the bus (renamed in, or created) or disappears (renamed out, or deleted),
// the window's thread gets kMsgDeviceChange with kDeviceArrival or
// kDeviceRemoveComplete and lParam pointing at a TDeviceInterfaceNotice. The
// bus root and class directory may appear after the registration.
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/guid.h"

namespace platform {

class PeerWindow;
struct TQueuedMessage;

inline constexpr uintptr_t kDeviceArrival = 0x8000;
inline constexpr uintptr_t kDeviceRemoveComplete = 0x8004;
inline constexpr uint32_t kDeviceTypeInterface = 5;

// The device-interface broadcast record: the device type at offset 4, the
// class at offset 12 and the device path at offset 28.
struct TDeviceInterfaceNotice {
  uint32_t Size;
  uint32_t DeviceType;
  uint32_t Reserved;
  TGuid ClassGuid;
  char Name[1024];
};
static_assert(offsetof(TDeviceInterfaceNotice, DeviceType) == 4);
static_assert(offsetof(TDeviceInterfaceNotice, ClassGuid) == 12);
static_assert(offsetof(TDeviceInterfaceNotice, Name) == 28);

// The kMsgDeviceChange message that tells `window` of the arrival or removal
// of the device at `path` in `classGuid`; the record travels as its payload.
TQueuedMessage DeviceChangeMessage(PeerWindow* window, const TGuid& classGuid,
                                   const std::string& path, bool arrival);

// A registration handle; 0 is "none".
using TDeviceNotify = uintptr_t;

// Registers `window` for the notices of `classGuid` on the current bus root
// (created when missing). 0 when the window is unknown or the root cannot be
// watched.
TDeviceNotify RegisterDeviceNotification(PeerWindow* window, const TGuid& classGuid);
// Ends a registration; false for an unknown handle.
bool UnregisterDeviceNotification(TDeviceNotify handle);

// The inotify side of one thread queue: watches on bus roots (for class
// directories that appear) and on class directories (for devices), and the
// registrations that want each class. Thread-safe.
class NoticeWatcher {
 public:
  explicit NoticeWatcher(int epollFd) : epoll_(epollFd) {}
  ~NoticeWatcher();
  NoticeWatcher(const NoticeWatcher&) = delete;
  NoticeWatcher& operator=(const NoticeWatcher&) = delete;

  bool Add(TDeviceNotify id, PeerWindow* window, const std::string& root, const TGuid& classGuid);
  bool Remove(TDeviceNotify id);
  void RemoveWindow(PeerWindow* window);

  // Turns pending directory events into one message per registration.
  void Collect(std::vector<TQueuedMessage>* messages);

 private:
  struct Registration {
    PeerWindow* window;
    std::string root;
    TGuid classGuid;
  };
  // A watched class directory and the devices known to be in it, so that
  // every arrival and removal is reported exactly once.
  struct ClassWatch {
    std::string root;
    TGuid classGuid;
    int wd = -1;
    std::set<std::string> devices;
  };

  bool EnsureInotify();
  bool WatchRoot(const std::string& root);
  ClassWatch* FindClass(const std::string& root, const TGuid& classGuid);
  // Watches the class directory when it exists and brings the known devices
  // in line with its contents, reporting the differences when `out` is set.
  void Resync(ClassWatch& watch, std::vector<TQueuedMessage>* out);
  void Notify(const ClassWatch& watch, const std::string& device, bool arrival,
              std::vector<TQueuedMessage>* out);
  void DropUnused();
  void HandleEvent(int wd, uint32_t mask, const std::string& name,
                   std::vector<TQueuedMessage>* out);

  int epoll_;
  int inotify_ = -1;
  std::mutex lock_;
  std::map<TDeviceNotify, Registration> registrations_;
  std::list<ClassWatch> classes_;
  std::map<std::string, int> roots_;  // root path -> watch descriptor
};

}  // namespace platform
