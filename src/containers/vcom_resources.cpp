// Resources compiled into the library. A resource is found by type and name,
// each either a number or a text, the way resource names work on the desktop
// system: a pointer value below 0x10000 is a number, "#n" is the number n, and
// texts compare without regard to ASCII case.
#include <strings.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>

#include "platform/module_info.h"
#include "tqusb/containers/vcom.h"
#include "tqusb/runtime/str.h"

namespace vcom {

namespace {

// A resource's type or name: a number, or (number 0) a text.
struct TResourceKey {
  unsigned int number = 0;
  std::string text;
  bool valid = false;
};

TResourceKey KeyOf(const char* key) {
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  if (value == 0) return {};
  if (value < 0x10000) return {static_cast<unsigned int>(value), {}, true};
  if (key[0] == '#') {
    char* end = nullptr;
    const unsigned long n = std::strtoul(key + 1, &end, 10);
    if (end == key + 1 || *end != '\0' || n == 0 || n >= 0x10000) return {};
    return {static_cast<unsigned int>(n), {}, true};
  }
  return {0, key, true};
}

bool Same(const TResourceKey& a, const TResourceKey& b) {
  if (!a.valid || !b.valid) return false;
  if (a.number != 0 || b.number != 0) return a.number == b.number;
  return strcasecmp(a.text.c_str(), b.text.c_str()) == 0;
}

// The fixed file-information record of the version resource: signature,
// structure version, file and product version (major/minor, release/build),
// flag mask, flags, operating system, file type (2: dynamic library),
// subtype, date.
std::array<std::uint32_t, 13> VersionRecord() {
  const platform::TModuleVersion v = platform::ModuleVersion();
  const std::uint32_t ms = (std::uint32_t{v.major} << 16) | v.minor;
  const std::uint32_t ls = (std::uint32_t{v.release} << 16) | v.build;
  return {0xFEEF04BDu, 0x00010000u, ms, ls, ms, ls, 0x3Fu, 0, 0, 2, 0, 0, 0};
}

struct TResource {
  TResourceKey type;
  TResourceKey name;
  const void* data;
  unsigned int size;
};

const std::array<TResource, 1>& Resources() {
  static const std::array<std::uint32_t, 13> version = VersionRecord();
  static const std::array<TResource, 1> resources = {{
      {{kResourceTypeVersion, {}, true},
       {kResourceVersionId, {}, true},
       version.data(),
       static_cast<unsigned int>(sizeof version)},
  }};
  return resources;
}

// Copies a bounded string into a terminated one.
std::string Terminated(unsigned int high, const char* s) {
  return s == nullptr ? std::string() : std::string(s, Str::LengthA(high, s));
}

}  // namespace

void* GetResourceA(void*, const char* name, const char* type, unsigned int* size) {
  if (size != nullptr) *size = 0;
  const TResourceKey wantedName = KeyOf(name);
  const TResourceKey wantedType = KeyOf(type);
  for (const TResource& r : Resources()) {
    if (!Same(r.type, wantedType) || !Same(r.name, wantedName)) continue;
    if (size != nullptr) *size = r.size;
    // Resources are read-only; the interface hands them out as plain pointers.
    return const_cast<void*>(r.data);
  }
  return nullptr;
}

void* GetResourceByNameA(void* module, unsigned int nameHigh, const char* name,
                         unsigned int typeHigh, const char* type, unsigned int* size) {
  if (name == nullptr || type == nullptr) {
    if (size != nullptr) *size = 0;
    return nullptr;
  }
  const std::string n = Terminated(nameHigh, name);
  const std::string t = Terminated(typeHigh, type);
  return GetResourceA(module, n.c_str(), t.c_str(), size);
}

void* GetResourceByRefA(void* module, unsigned int id, unsigned int typeHigh, const char* type,
                        unsigned int* size) {
  if (type == nullptr || id == 0 || id >= 0x10000) {
    if (size != nullptr) *size = 0;
    return nullptr;
  }
  const std::string t = Terminated(typeHigh, type);
  return GetResourceA(module, reinterpret_cast<const char*>(static_cast<std::uintptr_t>(id)),
                      t.c_str(), size);
}

}  // namespace vcom
