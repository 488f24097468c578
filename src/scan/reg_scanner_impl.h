#pragma once
// The registry scanner's operations, written once for both widths. `S` is
// CRegScannerA or CRegScannerW; calls to S's virtual operations go through its
// table, so a derived class's overrides take part.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "scan/scan_text.h"
#include "tqusb/scan/vscan_registry.h"

namespace vscan::detail {

namespace reg = platform::registry;

// Paths given to Init/Create are cut to 256 characters.
inline constexpr unsigned kPathHigh = 255;
// Texts of numbers (GetKeyIntS/SetKeyIntS) have at most 32 characters.
inline constexpr unsigned kNumberHigh = 31;
// String values are read into at most 1 MiB characters.
inline constexpr unsigned kMaxStringHigh = (1u << 20) - 1;

template <class S, class Char>
struct RegOps {
  using T = Text<Char>;

  static std::string Name(unsigned high, const Char* name) { return T::ToUtf8(high, name); }

  // Read access is asked for only when write access is refused; a key that
  // is missing is not tried again for reading, since another process may
  // have created it in between and a scanner that creates keys would then
  // hold a key it cannot write.
  static bool OpenReadWriteOrRead(HKEY parent, const std::string& path, HKEY* key) {
    long rc = reg::OpenKey(parent, path, reg::kKeyRead | reg::kKeyWrite, key);
    return rc == reg::kSuccess || (rc == reg::kAccessDenied &&
                                   reg::OpenKey(parent, path, reg::kKeyRead, key) == reg::kSuccess);
  }

  static void CloseSection(S& s) {
    if (s.SectionKey != nullptr && s.SectionKey != s.RootKey) reg::CloseKey(s.SectionKey);
    s.SectionKey = s.RootKey;
  }

  static void Done(S& s) {
    CloseSection(s);
    if (s.RootKey != nullptr) reg::CloseKey(s.RootKey);
    s.RootKey = s.SectionKey = nullptr;
  }

  static unsigned char Init(S& s, unsigned machineHigh, const Char* machine, unsigned pathHigh,
                            const Char* path, HKEY rootKey, bool create) {
    Done(s);
    HKEY root = rootKey;
    std::string m = Name(machineHigh, machine);
    if (!m.empty() && reg::ConnectRegistry(m, rootKey, &root) != reg::kSuccess) {
      s.vfDone();
      return 0;
    }
    std::string p = Name(std::min(pathHigh, kPathHigh), path);
    HKEY key = nullptr;
    if (!OpenReadWriteOrRead(root, p, &key)) {
      if (!create ||
          reg::CreateKey(root, p, reg::kKeyRead | reg::kKeyWrite, &key) != reg::kSuccess) {
        s.vfDone();
        return 0;
      }
    }
    s.RootKey = s.SectionKey = key;
    return 1;
  }

  static unsigned char SetSection(S& s, unsigned nameHigh, const Char* name, bool create) {
    CloseSection(s);
    std::string n = Name(nameHigh, name);
    if (n.empty()) return s.RootKey != nullptr;
    HKEY key = nullptr;
    bool ok =
        create ? reg::CreateKey(s.RootKey, n, reg::kKeyRead | reg::kKeyWrite, &key) == reg::kSuccess
               : OpenReadWriteOrRead(s.RootKey, n, &key);
    if (!ok) return 0;
    s.SectionKey = key;
    return 1;
  }

  // Deletes every subkey (depth first) and every value of an open key.
  static bool Empty(HKEY key) {
    std::string name;
    while (true) {
      long rc = reg::EnumKey(key, 0, &name);
      if (rc == reg::kNoMoreItems) break;
      HKEY child = nullptr;
      if (rc != reg::kSuccess ||
          reg::OpenKey(key, name, reg::kKeyRead | reg::kKeyWrite, &child) != reg::kSuccess)
        return false;
      bool emptied = Empty(child);
      reg::CloseKey(child);
      if (!emptied || reg::DeleteKey(key, name) != reg::kSuccess) return false;
    }
    while (reg::EnumValue(key, 0, &name) == reg::kSuccess) {
      if (reg::DeleteValue(key, name) != reg::kSuccess)
        return false;  // never loop on a stuck value
    }
    return true;
  }

  static unsigned char ClearSection(S& s, unsigned nameHigh, const Char* name) {
    HKEY key = nullptr;
    if (reg::OpenKey(s.RootKey, Name(nameHigh, name), reg::kKeyRead | reg::kKeyWrite, &key) !=
        reg::kSuccess)
      return 0;
    bool ok = Empty(key);
    reg::CloseKey(key);
    return ok;
  }

  static unsigned char DeleteSection(S& s, unsigned nameHigh, const Char* name) {
    bool cleared = s.ClearSection(nameHigh, name);
    bool deleted = reg::DeleteKey(s.RootKey, Name(nameHigh, name)) == reg::kSuccess;
    return cleared && deleted;
  }

  static unsigned char DeleteKey(S& s, unsigned nameHigh, const Char* name) {
    if (s.Backup && s.TryRecoverKey(nameHigh, name)) return 1;
    return reg::DeleteValue(s.SectionKey, Name(nameHigh, name)) == reg::kSuccess;
  }

  // "BAK_" + name, cut to 64 characters.
  static std::basic_string<Char> BackupName(unsigned nameHigh, const Char* name) {
    Char buffer[RegBackupNameHigh + 1] = {};
    const Char none[1] = {};
    std::basic_string<Char> prefix = T::Literal("BAK_");
    T::Concat(RegBackupNameHigh, buffer, static_cast<unsigned>(prefix.size()), prefix.c_str(),
              name == nullptr ? 0 : nameHigh, name == nullptr ? none : name);
    return std::basic_string<Char>(buffer, T::Length(RegBackupNameHigh, buffer));
  }

  static bool Copy(S& s, unsigned fromHigh, const Char* from, unsigned toHigh, const Char* to) {
    std::vector<unsigned char> data(RegBackupDataSize);
    unsigned size = RegBackupDataSize, type = 0;
    return s.GetKeyData(fromHigh, from, data.data(), &size, &type) &&
           s.SetKeyData(toHigh, to, data.data(), size, type);
  }

  // Keeps the old value when there is one; a value that cannot be kept
  // (unreadable, longer than the backup limit, backup not writable) gives 0.
  static unsigned char TryBackupKey(S& s, unsigned nameHigh, const Char* name) {
    unsigned size = 0;
    long rc =
        reg::QueryValue(s.SectionKey, Name(nameHigh, name), T::kWide, nullptr, &size, nullptr);
    if (rc == reg::kFileNotFound) return 1;
    if (rc != reg::kSuccess) return 0;
    std::basic_string<Char> backup = BackupName(nameHigh, name);
    return Copy(s, nameHigh, name, static_cast<unsigned>(backup.size()), backup.c_str());
  }

  static unsigned char TryRecoverKey(S& s, unsigned nameHigh, const Char* name) {
    std::basic_string<Char> backup = BackupName(nameHigh, name);
    unsigned high = static_cast<unsigned>(backup.size());
    return Copy(s, high, backup.c_str(), nameHigh, name) &&
           reg::DeleteValue(s.SectionKey, Name(high, backup.c_str())) == reg::kSuccess;
  }

  static unsigned char GetKeyData(S& s, unsigned nameHigh, const Char* name, void* data,
                                  unsigned* size, unsigned* type) {
    return reg::QueryValue(s.SectionKey, Name(nameHigh, name), T::kWide, data, size, type) ==
           reg::kSuccess;
  }

  static unsigned char SetKeyData(S& s, unsigned nameHigh, const Char* name, const void* data,
                                  unsigned size, unsigned type) {
    return reg::SetValue(s.SectionKey, Name(nameHigh, name), T::kWide, type, data, size) ==
           reg::kSuccess;
  }

  static unsigned char EnumKey(S& s, unsigned nameHigh, Char* name, unsigned char subkeys,
                               int index) {
    if (name == nullptr) return 0;
    std::string item;
    long rc = index < 0 ? reg::kNoMoreItems
              : subkeys ? reg::EnumKey(s.SectionKey, static_cast<unsigned>(index), &item)
                        : reg::EnumValue(s.SectionKey, static_cast<unsigned>(index), &item);
    if (rc == reg::kSuccess && T::FromUtf8(item, nameHigh, name)) return 1;
    name[0] = Char{};
    return 0;
  }

  // --- typed values ------------------------------------------------------------

  // A value of exactly `size` bytes and type `type`, copied out only then.
  static bool GetFixed(S& s, unsigned nameHigh, const Char* name, void* out, unsigned size,
                       unsigned type) {
    unsigned char buffer[16];
    unsigned got = sizeof buffer, gotType = 0;
    if (!s.GetKeyData(nameHigh, name, buffer, &got, &gotType) || gotType != type || got != size)
      return false;
    std::memcpy(out, buffer, size);
    return true;
  }

  static unsigned char Set(S& s, unsigned nameHigh, const Char* name, const void* data,
                           unsigned size, unsigned type) {
    if (s.Backup && !s.TryBackupKey(nameHigh, name)) return 0;
    return s.SetKeyData(nameHigh, name, data, size, type);
  }

  static unsigned char GetStr(S& s, unsigned nameHigh, const Char* name, unsigned valueHigh,
                              Char* value) {
    if (value == nullptr) return 0;
    // One place more than the caller's buffer, so that a string that fills
    // the buffer exactly still fits with its terminator, which is then dropped.
    const size_t places = static_cast<size_t>(std::min(valueHigh, kMaxStringHigh)) + 1;
    std::vector<Char> buffer(places + 1);
    unsigned size = static_cast<unsigned>(buffer.size() * sizeof(Char)), type = 0;
    if (!s.GetKeyData(nameHigh, name, buffer.data(), &size, &type) || type != REG_SZ) return 0;
    size_t units = size / sizeof(Char);
    if (units > places) {
      if (buffer[places] != Char{}) return 0;
      units = places;
    }
    std::copy(buffer.begin(), buffer.begin() + static_cast<long>(units), value);
    if (units < places) value[units] = Char{};
    return 1;
  }

  static unsigned char SetStr(S& s, unsigned nameHigh, const Char* name, unsigned valueHigh,
                              const Char* value) {
    unsigned n = T::Length(valueHigh, value);
    std::vector<Char> text(value, value + n);
    text.push_back(Char{});
    return Set(s, nameHigh, name, text.data(), static_cast<unsigned>(text.size() * sizeof(Char)),
               REG_SZ);
  }

  static unsigned char GetIntS(S& s, unsigned nameHigh, const Char* name, int* value,
                               unsigned base) {
    Char text[kNumberHigh + 1];
    unsigned char ok = 0;
    if (value == nullptr || !GetStr(s, nameHigh, name, kNumberHigh, text)) return 0;
    int v = T::StrToInt(kNumberHigh, text, base, &ok);
    if (ok) *value = v;
    return ok;
  }

  static unsigned char SetIntS(S& s, unsigned nameHigh, const Char* name, int value,
                               unsigned base) {
    Char text[kNumberHigh + 1] = {};
    unsigned char ok = 0;
    T::IntToStr(value, kNumberHigh, text, base, &ok);
    return ok && SetStr(s, nameHigh, name, kNumberHigh, text);
  }

  static unsigned char GetBin(S& s, unsigned nameHigh, const Char* name, void* data,
                              unsigned* size) {
    if (size == nullptr || (data == nullptr && *size > 0)) return 0;
    std::vector<unsigned char> buffer(std::max(*size, 1u));  // never null: null asks the size
    unsigned got = *size, type = 0;
    if (!s.GetKeyData(nameHigh, name, buffer.data(), &got, &type) || type != REG_BINARY) return 0;
    if (got > 0) std::memcpy(data, buffer.data(), got);
    *size = got;
    return 1;
  }
};

}  // namespace vscan::detail
