#include "platform/vbus_notices.h"

#include <dirent.h>
#include <sys/epoll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <unordered_map>

#include "platform/peer_window_object.h"
#include "platform/process_table.h"
#include "platform/thread_queue.h"
#include "platform/vbus_layout.h"

namespace platform {

namespace {

constexpr uint32_t kRootEvents = IN_CREATE | IN_MOVED_TO | IN_ONLYDIR;
constexpr uint32_t kClassEvents = IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_ONLYDIR;

// Which thread queue holds a registration, for UnregisterDeviceNotification.
struct RegistrationIndex {
  std::mutex lock;
  std::unordered_map<TDeviceNotify, std::weak_ptr<ThreadQueue>> queues;
  TDeviceNotify next = 1;
};

ProcessTable<RegistrationIndex> gIndex;

RegistrationIndex& Index() {
  return gIndex.Get();
}

// The device directories now in a class directory.
std::set<std::string> ListDevices(const std::string& classDir) {
  std::set<std::string> devices;
  DIR* dir = opendir(classDir.c_str());
  if (!dir) return devices;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (!vbus::IsValidDeviceName(name)) continue;
    struct stat st;
    bool isDir = entry->d_type == DT_DIR ||
                 (entry->d_type == DT_UNKNOWN && stat((classDir + "/" + name).c_str(), &st) == 0 &&
                  S_ISDIR(st.st_mode));
    if (isDir) devices.insert(name);
  }
  closedir(dir);
  return devices;
}

}  // namespace

TDeviceNotify RegisterDeviceNotification(PeerWindow* window, const TGuid& classGuid) {
  auto live = FindPeerWindow(window);
  if (!live) return 0;
  std::string root = vbus::TrustedRoot();
  if (root.empty()) return 0;
  RegistrationIndex& index = Index();
  TDeviceNotify id;
  {
    std::lock_guard guard(index.lock);
    id = index.next++;
  }
  if (!live->Queue()->Notices().Add(id, window, root, classGuid)) return 0;
  std::lock_guard guard(index.lock);
  index.queues[id] = live->Queue();
  return id;
}

bool UnregisterDeviceNotification(TDeviceNotify handle) {
  std::shared_ptr<ThreadQueue> queue;
  {
    RegistrationIndex& index = Index();
    std::lock_guard guard(index.lock);
    auto it = index.queues.find(handle);
    if (it == index.queues.end()) return false;
    queue = it->second.lock();
    index.queues.erase(it);
  }
  return queue && queue->Notices().Remove(handle);
}

NoticeWatcher::~NoticeWatcher() {
  if (inotify_ >= 0) close(inotify_);
}

bool NoticeWatcher::EnsureInotify() {
  if (inotify_ >= 0) return true;
  inotify_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotify_ < 0) return false;
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.fd = inotify_;
  if (epoll_ctl(epoll_, EPOLL_CTL_ADD, inotify_, &event) != 0) {
    close(inotify_);
    inotify_ = -1;
    return false;
  }
  return true;
}

bool NoticeWatcher::WatchRoot(const std::string& root) {
  if (roots_.count(root)) return true;
  int wd = inotify_add_watch(inotify_, root.c_str(), kRootEvents);
  if (wd < 0) return false;
  roots_[root] = wd;
  return true;
}

NoticeWatcher::ClassWatch* NoticeWatcher::FindClass(const std::string& root,
                                                    const TGuid& classGuid) {
  for (ClassWatch& w : classes_)
    if (w.root == root && w.classGuid == classGuid) return &w;
  return nullptr;
}

bool NoticeWatcher::Add(TDeviceNotify id, PeerWindow* window, const std::string& root,
                        const TGuid& classGuid) {
  std::lock_guard guard(lock_);
  if (!EnsureInotify() || !WatchRoot(root)) return false;
  if (!FindClass(root, classGuid)) {
    classes_.push_back({root, classGuid, -1, {}});
    Resync(classes_.back(), nullptr);  // what is there already is no arrival
  }
  registrations_[id] = {window, root, classGuid};
  return true;
}

bool NoticeWatcher::Remove(TDeviceNotify id) {
  std::lock_guard guard(lock_);
  if (!registrations_.erase(id)) return false;
  DropUnused();
  return true;
}

void NoticeWatcher::RemoveWindow(PeerWindow* window) {
  std::lock_guard guard(lock_);
  for (auto it = registrations_.begin(); it != registrations_.end();)
    it = it->second.window == window ? registrations_.erase(it) : std::next(it);
  DropUnused();
}

void NoticeWatcher::DropUnused() {
  for (auto it = classes_.begin(); it != classes_.end();) {
    bool used = false;
    for (const auto& [id, r] : registrations_)
      used |= r.root == it->root && r.classGuid == it->classGuid;
    if (used) {
      ++it;
      continue;
    }
    if (it->wd >= 0) inotify_rm_watch(inotify_, it->wd);
    it = classes_.erase(it);
  }
  for (auto it = roots_.begin(); it != roots_.end();) {
    bool used = false;
    for (const ClassWatch& w : classes_) used |= w.root == it->first;
    if (used) {
      ++it;
      continue;
    }
    inotify_rm_watch(inotify_, it->second);
    it = roots_.erase(it);
  }
}

void NoticeWatcher::Resync(ClassWatch& watch, std::vector<TQueuedMessage>* out) {
  std::string classDir = vbus::ClassDirectory(watch.root, watch.classGuid);
  if (watch.wd < 0) watch.wd = inotify_add_watch(inotify_, classDir.c_str(), kClassEvents);
  // Listing after the watch is in place: a device that arrives in between
  // shows up in the list and as an event, and the known set reports it once.
  std::set<std::string> now = watch.wd >= 0 ? ListDevices(classDir) : std::set<std::string>{};
  for (const std::string& gone : watch.devices)
    if (!now.count(gone) && out) Notify(watch, gone, false, out);
  for (const std::string& added : now)
    if (!watch.devices.count(added) && out) Notify(watch, added, true, out);
  watch.devices = std::move(now);
}

TQueuedMessage DeviceChangeMessage(PeerWindow* window, const TGuid& classGuid,
                                   const std::string& path, bool arrival) {
  auto record = std::make_shared<TDeviceInterfaceNotice>();
  std::memset(record.get(), 0, sizeof *record);
  record->Size = static_cast<uint32_t>(offsetof(TDeviceInterfaceNotice, Name) + path.size() + 1);
  record->DeviceType = kDeviceTypeInterface;
  record->ClassGuid = classGuid;
  std::memcpy(record->Name, path.c_str(), std::min(path.size(), sizeof record->Name - 1));
  TQueuedMessage m;
  m.window = window;
  m.message = kMsgDeviceChange;
  m.wParam = arrival ? kDeviceArrival : kDeviceRemoveComplete;
  m.lParam = reinterpret_cast<intptr_t>(record.get());
  m.payload = record;
  return m;
}

void NoticeWatcher::Notify(const ClassWatch& watch, const std::string& device, bool arrival,
                           std::vector<TQueuedMessage>* out) {
  std::string path = vbus::MakeDevicePath(device, watch.classGuid);
  for (const auto& [id, r] : registrations_) {
    if (r.root != watch.root || !(r.classGuid == watch.classGuid)) continue;
    out->push_back(DeviceChangeMessage(r.window, watch.classGuid, path, arrival));
  }
}

void NoticeWatcher::HandleEvent(int wd, uint32_t mask, const std::string& name,
                                std::vector<TQueuedMessage>* out) {
  if (mask & IN_IGNORED) {  // the watched directory is gone
    for (auto it = roots_.begin(); it != roots_.end(); ++it)
      if (it->second == wd) {
        roots_.erase(it);
        break;
      }
    for (ClassWatch& w : classes_)
      if (w.wd == wd) {
        w.wd = -1;
        Resync(w, out);  // devices not reported gone yet are gone now
      }
    return;
  }
  for (const auto& [root, rootWd] : roots_) {
    if (rootWd != wd) continue;
    // A class directory appeared below a watched root.
    for (ClassWatch& w : classes_)
      if (w.root == root && w.wd < 0 && FormatGuid(w.classGuid) == name) Resync(w, out);
  }
  if (!(mask & IN_ISDIR) || !vbus::IsValidDeviceName(name)) return;
  for (ClassWatch& w : classes_) {
    if (w.wd != wd) continue;
    if (mask & (IN_CREATE | IN_MOVED_TO)) {
      if (w.devices.insert(name).second) Notify(w, name, true, out);
    } else if (mask & (IN_DELETE | IN_MOVED_FROM)) {
      if (w.devices.erase(name)) Notify(w, name, false, out);
    }
  }
}

void NoticeWatcher::Collect(std::vector<TQueuedMessage>* out) {
  std::lock_guard guard(lock_);
  if (inotify_ < 0) return;
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    ssize_t n = read(inotify_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    for (char* p = buffer; p < buffer + n;) {
      auto* event = reinterpret_cast<inotify_event*>(p);
      std::string name = event->len ? std::string(event->name) : std::string();
      if (event->mask & IN_Q_OVERFLOW) {
        for (ClassWatch& w : classes_) Resync(w, out);  // events were lost: compare contents
      } else {
        HandleEvent(event->wd, event->mask, name, out);
      }
      p += sizeof(inotify_event) + event->len;
    }
  }
}

void ReleaseNoticeIndex() {
  gIndex.Release([](RegistrationIndex& index) {
    std::lock_guard guard(index.lock);
    for (const auto& [notify, queue] : index.queues)
      if (!queue.expired()) return true;
    return false;
  });
}

}  // namespace platform
