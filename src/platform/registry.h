#pragma once
// The per-user registry: keys and typed values kept in one text file
// (registry_store.h has the format), reached through key handles in the manner
// of the system registry functions. Results are the registry's error codes.
//
// Every call reads the file as it is now (parsed copies are cached by the
// file's identity), so a reader sees another process's change on its next
// call. Every change takes an exclusive lock on "<file>.lock", reads the file
// afresh, and replaces it by writing a temporary file beside it and renaming
// that over it: a crash leaves the old or the new file, never half of one,
// and two writers never lose each other's values. A file that does not parse
// is never written; every call on it fails with kBadDb. A file without write
// permission makes the registry read-only (kAccessDenied for changes). A path
// that is no regular file (a FIFO, a device, a directory) or a file larger
// than platform::kRegistryFileLimit reads as an empty registry and refuses
// changes (kCantWrite), so that nothing that could not be read is replaced.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform::registry {

using HKey = void*;

// Error codes, numbered as the system registry numbers them.
inline constexpr long kSuccess = 0;
inline constexpr long kFileNotFound = 2;
inline constexpr long kAccessDenied = 5;
inline constexpr long kInvalidHandle = 6;
inline constexpr long kBadNetPath = 53;
inline constexpr long kInvalidParameter = 87;
inline constexpr long kMoreData = 234;
inline constexpr long kNoMoreItems = 259;
inline constexpr long kBadDb = 1009;
inline constexpr long kCantWrite = 1013;
inline constexpr long kKeyDeleted = 1018;

// Access rights of an open key.
inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeySetValue = 0x0002;
inline constexpr uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyWrite = 0x20006;

// The file: $XDG_CONFIG_HOME/tqusb/registry.reg, else ~/.config/tqusb/registry.reg.
std::string RegistryFilePath();

// Only the local registry exists: any machine name fails with kBadNetPath; an
// empty one gives `root` back.
long ConnectRegistry(std::string_view machine, HKey root, HKey* result);

// Paths are names joined by '\' below `parent` (a predefined root or an open
// key); an empty path opens `parent` itself again. Names are UTF-8.
long OpenKey(HKey parent, std::string_view path, uint32_t access, HKey* result);
// Opens the key, creating it and the keys above it when missing.
long CreateKey(HKey parent, std::string_view path, uint32_t access, HKey* result);
long CloseKey(HKey key);
// Deletes the key at `path` below `parent`; a key with subkeys is refused
// (kAccessDenied), as is an empty path.
long DeleteKey(HKey parent, std::string_view path);

// String values are UTF-16 in the file; `wide` callers get and give UTF-16
// bytes, the others UTF-8. QueryValue with null data reports the size; a
// buffer that is too small gets nothing and kMoreData with the size needed.
long QueryValue(HKey key, std::string_view name, bool wide, void* data, uint32_t* size,
                uint32_t* type);
long SetValue(HKey key, std::string_view name, bool wide, uint32_t type, const void* data,
              uint32_t size);
long DeleteValue(HKey key, std::string_view name);

// Item `index` of the key's subkeys (values); kNoMoreItems past the end.
long EnumKey(HKey key, uint32_t index, std::string* name);
long EnumValue(HKey key, uint32_t index, std::string* name);

}  // namespace platform::registry
