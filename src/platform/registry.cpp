#include "platform/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/registry_file.h"
#include "runtime/str_utf.h"

namespace platform::registry {

namespace {

// An open key: where it lives. Its contents are looked up in the file at every
// call, so a key deleted meanwhile answers kKeyDeleted.
struct OpenedKey {
  std::string file;
  uint32_t root = 0;
  std::vector<std::string> path;
  uint32_t access = 0;
};

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<uintptr_t, OpenedKey> keys;
  // Above the 32-bit range, so an open key never looks like a predefined root.
  uintptr_t next = uintptr_t{1} << 32;
};

HandleTable& Table() {
  static HandleTable table;
  return table;
}

bool IsPredefined(HKey key) {
  return !RootName(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key))).empty() &&
         reinterpret_cast<uintptr_t>(key) <= 0xFFFFFFFFu;
}

bool Lookup(HKey key, OpenedKey* out) {
  if (IsPredefined(key)) {
    *out = {RegistryFilePath(),
            static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key)),
            {},
            kKeyRead | kKeyWrite};
    return true;
  }
  HandleTable& t = Table();
  std::lock_guard lock(t.mutex);
  auto it = t.keys.find(reinterpret_cast<uintptr_t>(key));
  if (it == t.keys.end()) return false;
  *out = it->second;
  return true;
}

HKey Register(OpenedKey key) {
  HandleTable& t = Table();
  std::lock_guard lock(t.mutex);
  uintptr_t id = t.next;
  t.next += 8;
  t.keys.emplace(id, std::move(key));
  return reinterpret_cast<HKey>(id);
}

// The key path below the parent, checked against the registry's limits.
long ChildPath(const OpenedKey& parent, std::string_view path, OpenedKey* child) {
  *child = parent;
  for (std::string& n : SplitPath(path)) {
    bool bad = n.size() > kMaxKeyName || std::any_of(n.begin(), n.end(), [](char c) {
                 return static_cast<unsigned char>(c) < 0x20;
               });
    if (bad) return kInvalidParameter;
    child->path.push_back(std::move(n));
  }
  return child->path.size() > kMaxDepth ? kInvalidParameter : kSuccess;
}

// The key in a store; a root that the file does not mention exists all the same.
const Key* FindKey(const Store& store, const OpenedKey& key) {
  static const Key kEmptyRoot;
  std::string_view rootName = RootName(key.root);
  const Key* at = &kEmptyRoot;
  for (const auto& r : store.roots)
    if (r->name == rootName) at = r.get();
  for (const std::string& n : key.path) {
    at = at->FindSubkey(n);
    if (at == nullptr) return nullptr;
  }
  return at;
}

Key* FindKeyForChange(Store& store, const OpenedKey& key) {
  return Store::Walk(store.Root(key.root, true), key.path);
}

long Update(const OpenedKey& key, const std::function<long(Key&, bool*)>& change) {
  return UpdateStore(key.file, [&](Store& store, bool* changed) {
    Key* k = FindKeyForChange(store, key);
    return k == nullptr ? kKeyDeleted : change(*k, changed);
  });
}

std::vector<uint8_t> Utf8ToUtf16Bytes(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  size_t units = Str::detail::Utf8ToUtf16(text, size, nullptr, 0);
  std::vector<char16_t> w(units);
  Str::detail::Utf8ToUtf16(text, size, w.data(), units);
  std::vector<uint8_t> out(units * 2);
  std::memcpy(out.data(), w.data(), out.size());
  return out;
}

std::vector<uint8_t> Utf16BytesToUtf8(const std::vector<uint8_t>& data) {
  std::vector<char16_t> w(data.size() / 2);
  std::memcpy(w.data(), data.data(), w.size() * 2);
  size_t n = Str::detail::Utf16ToUtf8(w.data(), w.size(), nullptr, 0);
  std::vector<uint8_t> out(n);
  Str::detail::Utf16ToUtf8(w.data(), w.size(), reinterpret_cast<char*>(out.data()), n);
  return out;
}

bool IsStringType(uint32_t type) {
  return type == kTypeString || type == kTypeExpandString || type == kTypeMultiString;
}

long EnumItem(HKey key, uint32_t index, bool subkeys, std::string* name) {
  OpenedKey k;
  if (!Lookup(key, &k)) return kInvalidHandle;
  long error = kSuccess;
  auto store = LoadStore(k.file, &error);
  if (store == nullptr) return error;
  const Key* at = FindKey(*store, k);
  if (at == nullptr) return kKeyDeleted;
  if (subkeys) {
    if (index >= at->subkeys.size()) return kNoMoreItems;
    *name = at->subkeys[index]->name;
  } else {
    if (index >= at->values.size()) return kNoMoreItems;
    *name = at->values[index].name;
  }
  return kSuccess;
}

}  // namespace

std::string RegistryFilePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
      struct passwd* pw = getpwuid(getuid());
      home = pw != nullptr ? pw->pw_dir : "/tmp";
    }
    base = std::string(home) + "/.config";
  }
  return base + "/tqusb/registry.reg";
}

long ConnectRegistry(std::string_view machine, HKey root, HKey* result) {
  if (!machine.empty()) return kBadNetPath;
  if (!IsPredefined(root)) return kInvalidHandle;
  *result = root;
  return kSuccess;
}

long OpenKey(HKey parent, std::string_view path, uint32_t access, HKey* result) {
  OpenedKey p, k;
  if (!Lookup(parent, &p)) return kInvalidHandle;
  if (long rc = ChildPath(p, path, &k); rc != kSuccess) return rc;
  k.access = access;
  if ((access & (kKeySetValue | kKeyCreateSubKey)) != 0 && IsReadOnly(k.file)) return kAccessDenied;
  long error = kSuccess;
  auto store = LoadStore(k.file, &error);
  if (store == nullptr) return error;
  if (FindKey(*store, k) == nullptr) return kFileNotFound;
  *result = Register(std::move(k));
  return kSuccess;
}

long CreateKey(HKey parent, std::string_view path, uint32_t access, HKey* result) {
  OpenedKey p, k;
  if (!Lookup(parent, &p)) return kInvalidHandle;
  if (long rc = ChildPath(p, path, &k); rc != kSuccess) return rc;
  k.access = access;
  long rc = UpdateStore(k.file, [&](Store& store, bool* changed) {
    Key* at = FindKeyForChange(store, p);
    if (at == nullptr) return kKeyDeleted;
    for (size_t i = p.path.size(); i < k.path.size(); ++i) {
      Key* sub = at->FindSubkey(k.path[i]);
      if (sub == nullptr) {
        sub = at->AddSubkey(k.path[i]);
        *changed = true;
      }
      at = sub;
    }
    return kSuccess;
  });
  if (rc != kSuccess) return rc;
  *result = Register(std::move(k));
  return kSuccess;
}

long CloseKey(HKey key) {
  if (IsPredefined(key)) return kSuccess;
  HandleTable& t = Table();
  std::lock_guard lock(t.mutex);
  return t.keys.erase(reinterpret_cast<uintptr_t>(key)) == 1 ? kSuccess : kInvalidHandle;
}

long DeleteKey(HKey parent, std::string_view path) {
  OpenedKey p, k;
  if (!Lookup(parent, &p)) return kInvalidHandle;
  if (long rc = ChildPath(p, path, &k); rc != kSuccess) return rc;
  if (k.path.size() == p.path.size()) return kInvalidParameter;
  std::string leaf = k.path.back();
  k.path.pop_back();
  return Update(k, [&](Key& at, bool* changed) {
    Key* victim = at.FindSubkey(leaf);
    if (victim == nullptr) return kFileNotFound;
    if (!victim->subkeys.empty()) return kAccessDenied;
    *changed = at.DeleteSubkey(leaf);
    return kSuccess;
  });
}

long QueryValue(HKey key, std::string_view name, bool wide, void* data, uint32_t* size,
                uint32_t* type) {
  OpenedKey k;
  if (!Lookup(key, &k)) return kInvalidHandle;
  long error = kSuccess;
  auto store = LoadStore(k.file, &error);
  if (store == nullptr) return error;
  const Key* at = FindKey(*store, k);
  if (at == nullptr) return kKeyDeleted;
  const Value* v = at->FindValue(name);
  if (v == nullptr) return kFileNotFound;
  std::vector<uint8_t> bytes = IsStringType(v->type) && !wide ? Utf16BytesToUtf8(v->data) : v->data;
  if (type != nullptr) *type = v->type;
  if (size == nullptr) return data == nullptr ? kSuccess : kInvalidParameter;
  uint32_t needed = static_cast<uint32_t>(bytes.size());
  if (data != nullptr && *size < needed) {
    *size = needed;
    return kMoreData;
  }
  if (data != nullptr && needed > 0) std::memcpy(data, bytes.data(), needed);
  *size = needed;
  return kSuccess;
}

long SetValue(HKey key, std::string_view name, bool wide, uint32_t type, const void* data,
              uint32_t size) {
  OpenedKey k;
  if (!Lookup(key, &k)) return kInvalidHandle;
  if ((k.access & kKeySetValue) == 0) return kAccessDenied;
  if ((data == nullptr && size > 0) || name.size() > kMaxValueName) return kInvalidParameter;
  const auto* bytes = static_cast<const uint8_t*>(data);
  std::vector<uint8_t> stored = IsStringType(type) && !wide
                                    ? Utf8ToUtf16Bytes(bytes, size)
                                    : std::vector<uint8_t>(bytes, bytes + size);
  return Update(k, [&](Key& at, bool* changed) {
    at.SetValue(name, type, std::move(stored));
    *changed = true;
    return kSuccess;
  });
}

long DeleteValue(HKey key, std::string_view name) {
  OpenedKey k;
  if (!Lookup(key, &k)) return kInvalidHandle;
  if ((k.access & kKeySetValue) == 0) return kAccessDenied;
  return Update(k, [&](Key& at, bool* changed) {
    *changed = at.DeleteValue(name);
    return *changed ? kSuccess : kFileNotFound;
  });
}

long EnumKey(HKey key, uint32_t index, std::string* name) {
  return EnumItem(key, index, true, name);
}

long EnumValue(HKey key, uint32_t index, std::string* name) {
  return EnumItem(key, index, false, name);
}

}  // namespace platform::registry
