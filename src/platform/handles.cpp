#include "platform/handles.h"

#include <mutex>
#include <unordered_map>

#include "platform/process_table.h"

namespace platform {

namespace {

struct HandleTable {
  std::mutex lock;
  std::unordered_map<THandle, std::shared_ptr<HandleObject>> objects;
  THandle next = 1;  // numbers are never reused
};

ProcessTable<HandleTable> gTable;

HandleTable& Table() {
  return gTable.Get();
}

}  // namespace

THandle RegisterHandle(std::shared_ptr<HandleObject> object) {
  HandleTable& t = Table();
  std::lock_guard guard(t.lock);
  THandle handle = t.next++;
  t.objects.emplace(handle, std::move(object));
  return handle;
}

std::shared_ptr<HandleObject> LookupHandle(THandle handle) {
  HandleTable& t = Table();
  std::lock_guard guard(t.lock);
  auto it = t.objects.find(handle);
  return it == t.objects.end() ? nullptr : it->second;
}

bool CloseHandle(THandle handle) {
  std::shared_ptr<HandleObject> object;
  {
    HandleTable& t = Table();
    std::lock_guard guard(t.lock);
    auto it = t.objects.find(handle);
    if (it == t.objects.end()) return false;
    object = std::move(it->second);
    t.objects.erase(it);
  }
  object->Wake();
  return true;
}

void ReleaseHandleTable() {
  gTable.Release([](HandleTable& t) {
    std::lock_guard guard(t.lock);
    return !t.objects.empty();
  });
}

}  // namespace platform
