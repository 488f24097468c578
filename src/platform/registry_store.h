#pragma once
// The registry as data: root keys, subkeys and typed values, and its text form
// (the registry-export format). Pure data and text; no files here.
//
// Key and value names compare without regard to ASCII case, as registry names
// do; the stored spelling is kept. Subkeys and values keep the order in which
// they were added, so a hand-written file is written back in its own order.
// String values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) are held as UTF-16LE
// bytes, the form the registry keeps them in whatever the caller's width.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::registry {

inline constexpr uint32_t kTypeNone = 0;
inline constexpr uint32_t kTypeString = 1;  // REG_SZ
inline constexpr uint32_t kTypeExpandString = 2;
inline constexpr uint32_t kTypeBinary = 3;
inline constexpr uint32_t kTypeDword = 4;
inline constexpr uint32_t kTypeMultiString = 7;
inline constexpr uint32_t kTypeQword = 11;

// Registry limits: a key name of 255 characters, 512 levels of keys, a value
// name of 16383 characters. They also bound the recursion over a tree.
inline constexpr size_t kMaxKeyName = 255;
inline constexpr size_t kMaxDepth = 512;
inline constexpr size_t kMaxValueName = 16383;

struct Value {
  std::string name;  // UTF-8; empty for the default value
  uint32_t type = kTypeNone;
  std::vector<uint8_t> data;
};

// Names are found through an index by their case-folded spelling, so that
// reading a key of many values takes time in proportion to their number.
// `values` and `subkeys` are changed only through the members below, which
// keep the indexes.
struct Key {
  std::string name;
  std::vector<Value> values;
  std::vector<std::unique_ptr<Key>> subkeys;
  std::unordered_map<std::string, size_t> valueIndex;   // folded name -> position in values
  std::unordered_map<std::string, size_t> subkeyIndex;  // folded name -> position in subkeys

  Key* FindSubkey(std::string_view n) const;
  Value* FindValue(std::string_view n);
  const Value* FindValue(std::string_view n) const;
  Key* AddSubkey(std::string_view n);  // the existing one when present
  void SetValue(std::string_view n, uint32_t type, std::vector<uint8_t> data);
  bool DeleteValue(std::string_view n);
  bool DeleteSubkey(std::string_view n);
};

// The predefined root keys, by their handle values.
inline constexpr uint32_t kClassesRoot = 0x80000000u;
inline constexpr uint32_t kCurrentUser = 0x80000001u;
inline constexpr uint32_t kLocalMachine = 0x80000002u;
inline constexpr uint32_t kUsers = 0x80000003u;
inline constexpr uint32_t kCurrentConfig = 0x80000005u;

// The root's name in the file ("HKEY_CURRENT_USER"); empty for an unknown root.
std::string_view RootName(uint32_t root);

struct Store {
  std::vector<std::unique_ptr<Key>> roots;  // named by RootName

  Key* Root(uint32_t root, bool create);
  // Follows `path` (names joined by '\', empty components ignored) from a
  // key; null when some key on the way is missing.
  static Key* Walk(Key* from, const std::vector<std::string>& path);
};

bool SameName(std::string_view a, std::string_view b);

// Splits a key path at '\', dropping empty components.
std::vector<std::string> SplitPath(std::string_view path);

// Parses the text of a registry file. An empty text is an empty registry.
// False, with the line number in *errorLine, when the text is not a registry
// file; the store is then not to be used.
bool ParseStore(std::string_view text, Store* store, size_t* errorLine);

// The text of the whole store, UTF-8 with LF line ends.
std::string FormatStore(const Store& store);

}  // namespace platform::registry
