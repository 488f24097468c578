#pragma once
// vscan registry scanners: the section/key/typed-value vocabulary of the INI
// scanner over a registry key. The key opened by Init/Create is the root; a
// section is a subkey of it; a key is a named value. The registry here is the
// per-user registry file ($XDG_CONFIG_HOME/tqusb/registry.reg, see README).
//
// CRegScannerA takes 8-bit (UTF-8) names and strings, CRegScannerW UTF-16.
// Every typed getter and setter goes through the virtual GetKeyData and
// SetKeyData, so a derived class can keep the data elsewhere. Results are
// 1/0; a failure leaves the scanner usable and the caller's variable as it was.
// The scanner closes nothing on destruction: the owner calls Done.
#include "tqusb/export.h"

namespace vcom {
class CRect;
}

namespace vscan {

using HKEY = void*;

// The predefined root keys.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(0x80000000ul);
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(0x80000001ul);
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(0x80000002ul);
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(0x80000003ul);
inline HKEY const HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(0x80000005ul);

// Value types.
enum : unsigned int {
  REG_NONE = 0,
  REG_SZ = 1,
  REG_EXPAND_SZ = 2,
  REG_BINARY = 3,
  REG_DWORD = 4,
  REG_MULTI_SZ = 7,
  REG_QWORD = 11,
};

// Backup copies of values are named "BAK_" + name, cut to 64 characters, and
// hold at most this many bytes.
inline constexpr unsigned int RegBackupNameHigh = 63;
inline constexpr unsigned int RegBackupDataSize = 2048;

class TQ_API CRegScannerA {
 public:
  HKEY RootKey = nullptr;     // opened by Init/Create
  HKEY SectionKey = nullptr;  // the current section; RootKey when none is selected
  unsigned char Backup = 0;   // 1: setters keep the old value, DeleteKey restores it

  CRegScannerA() = default;

  // machine must be empty (there is only the local registry); path is cut to
  // 256 characters. Opens read-write, else read-only.
  virtual unsigned char vfInit(unsigned int machineHigh, const char* machine, unsigned int pathHigh,
                               const char* path, HKEY rootKey);
  // As vfInit, but creates the key when it cannot be opened.
  virtual unsigned char vfCreate(unsigned int machineHigh, const char* machine,
                                 unsigned int pathHigh, const char* path, HKEY rootKey);
  virtual void vfDone();
  virtual unsigned char SetRootSection();
  // An empty name selects the root; a missing subkey selects the root and gives 0.
  virtual unsigned char SetSection(unsigned int nameHigh, const char* name);
  virtual unsigned char CreateSection(unsigned int nameHigh, const char* name);
  // Deletes every subkey (recursively) and value of the subkey (the root for
  // an empty name).
  virtual unsigned char ClearSection(unsigned int nameHigh, const char* name);
  virtual unsigned char DeleteSection(unsigned int nameHigh, const char* name);
  // With Backup set, restores the backup copy instead of deleting when one exists.
  virtual unsigned char DeleteKey(unsigned int nameHigh, const char* name);
  // Copies the value to its backup name when it exists (1 also when there is
  // nothing to copy); 0 when it cannot be copied, and a setter then refuses.
  virtual unsigned char TryBackupKey(unsigned int nameHigh, const char* name);
  // Moves the backup copy back to the value; 0 when there is none.
  virtual unsigned char TryRecoverKey(unsigned int nameHigh, const char* name);
  // The value of the current section: data (null to ask the size), size in/out
  // in bytes, type out.
  virtual unsigned char GetKeyData(unsigned int nameHigh, const char* name, void* data,
                                   unsigned int* size, unsigned int* type);
  virtual unsigned char SetKeyData(unsigned int nameHigh, const char* name, const void* data,
                                   unsigned int size, unsigned int type);
  // Item `index` of the section's subkeys (subkeys = 1) or value names; at the
  // end, or when the name does not fit nameHigh characters, 0 and an empty name.
  virtual unsigned char EnumKey(unsigned int nameHigh, char* name, unsigned char subkeys,
                                int index);

  unsigned char Init(unsigned int machineHigh, const char* machine, unsigned int pathHigh,
                     const char* path, HKEY rootKey);
  unsigned char Create(unsigned int machineHigh, const char* machine, unsigned int pathHigh,
                       const char* path, HKEY rootKey);
  void Done();

  // REG_DWORD: 0/1 written, nonzero read as true.
  unsigned char GetKeyBool(unsigned int nameHigh, const char* name, unsigned char* value);
  unsigned char SetKeyBool(unsigned int nameHigh, const char* name, unsigned char value);
  unsigned char GetKeyCard(unsigned int nameHigh, const char* name, unsigned int* value);
  unsigned char SetKeyCard(unsigned int nameHigh, const char* name, unsigned int value);
  unsigned char GetKeyInt(unsigned int nameHigh, const char* name, int* value);
  unsigned char SetKeyInt(unsigned int nameHigh, const char* name, int value);
  // REG_QWORD.
  unsigned char GetKeyCardPtr(unsigned int nameHigh, const char* name, unsigned long long* value);
  unsigned char SetKeyCardPtr(unsigned int nameHigh, const char* name, unsigned long long value);
  // REG_BINARY: the 8 bytes of the double.
  unsigned char GetKeyReal(unsigned int nameHigh, const char* name, double* value);
  unsigned char SetKeyReal(unsigned int nameHigh, const char* name, double value);
  // REG_BINARY: x, y, width, height as four 32-bit integers.
  unsigned char GetKeyRect(unsigned int nameHigh, const char* name, vcom::CRect* value);
  unsigned char SetKeyRect(unsigned int nameHigh, const char* name, vcom::CRect value);
  // REG_SZ: the number as text in `base`.
  unsigned char GetKeyIntS(unsigned int nameHigh, const char* name, int* value, unsigned int base);
  unsigned char SetKeyIntS(unsigned int nameHigh, const char* name, int value, unsigned int base);
  // REG_SZ with its terminator. A value that exactly fills the buffer stays
  // without terminator; one that does not fit is refused.
  unsigned char GetKeyStr(unsigned int nameHigh, const char* name, unsigned int valueHigh,
                          char* value);
  unsigned char SetKeyStr(unsigned int nameHigh, const char* name, unsigned int valueHigh,
                          const char* value);
  // REG_BINARY of the caller's size; *size is in/out.
  unsigned char GetKeyBin(unsigned int nameHigh, const char* name, void* data, unsigned int* size);
  unsigned char SetKeyBin(unsigned int nameHigh, const char* name, const void* data,
                          unsigned int size);
};

class TQ_API CRegScannerW {
 public:
  HKEY RootKey = nullptr;
  HKEY SectionKey = nullptr;
  unsigned char Backup = 0;

  CRegScannerW() = default;

  virtual unsigned char vfInit(unsigned int machineHigh, const char16_t* machine,
                               unsigned int pathHigh, const char16_t* path, HKEY rootKey);
  virtual unsigned char vfCreate(unsigned int machineHigh, const char16_t* machine,
                                 unsigned int pathHigh, const char16_t* path, HKEY rootKey);
  virtual void vfDone();
  virtual unsigned char SetRootSection();
  virtual unsigned char SetSection(unsigned int nameHigh, const char16_t* name);
  virtual unsigned char CreateSection(unsigned int nameHigh, const char16_t* name);
  virtual unsigned char ClearSection(unsigned int nameHigh, const char16_t* name);
  virtual unsigned char DeleteSection(unsigned int nameHigh, const char16_t* name);
  virtual unsigned char DeleteKey(unsigned int nameHigh, const char16_t* name);
  virtual unsigned char TryBackupKey(unsigned int nameHigh, const char16_t* name);
  virtual unsigned char TryRecoverKey(unsigned int nameHigh, const char16_t* name);
  virtual unsigned char GetKeyData(unsigned int nameHigh, const char16_t* name, void* data,
                                   unsigned int* size, unsigned int* type);
  virtual unsigned char SetKeyData(unsigned int nameHigh, const char16_t* name, const void* data,
                                   unsigned int size, unsigned int type);
  virtual unsigned char EnumKey(unsigned int nameHigh, char16_t* name, unsigned char subkeys,
                                int index);

  unsigned char Init(unsigned int machineHigh, const char16_t* machine, unsigned int pathHigh,
                     const char16_t* path, HKEY rootKey);
  unsigned char Create(unsigned int machineHigh, const char16_t* machine, unsigned int pathHigh,
                       const char16_t* path, HKEY rootKey);
  void Done();

  unsigned char GetKeyBool(unsigned int nameHigh, const char16_t* name, unsigned char* value);
  unsigned char SetKeyBool(unsigned int nameHigh, const char16_t* name, unsigned char value);
  unsigned char GetKeyCard(unsigned int nameHigh, const char16_t* name, unsigned int* value);
  unsigned char SetKeyCard(unsigned int nameHigh, const char16_t* name, unsigned int value);
  unsigned char GetKeyInt(unsigned int nameHigh, const char16_t* name, int* value);
  unsigned char SetKeyInt(unsigned int nameHigh, const char16_t* name, int value);
  unsigned char GetKeyCardPtr(unsigned int nameHigh, const char16_t* name,
                              unsigned long long* value);
  unsigned char SetKeyCardPtr(unsigned int nameHigh, const char16_t* name,
                              unsigned long long value);
  unsigned char GetKeyReal(unsigned int nameHigh, const char16_t* name, double* value);
  unsigned char SetKeyReal(unsigned int nameHigh, const char16_t* name, double value);
  unsigned char GetKeyRect(unsigned int nameHigh, const char16_t* name, vcom::CRect* value);
  unsigned char SetKeyRect(unsigned int nameHigh, const char16_t* name, vcom::CRect value);
  unsigned char GetKeyIntS(unsigned int nameHigh, const char16_t* name, int* value,
                           unsigned int base);
  unsigned char SetKeyIntS(unsigned int nameHigh, const char16_t* name, int value,
                           unsigned int base);
  unsigned char GetKeyStr(unsigned int nameHigh, const char16_t* name, unsigned int valueHigh,
                          char16_t* value);
  unsigned char SetKeyStr(unsigned int nameHigh, const char16_t* name, unsigned int valueHigh,
                          const char16_t* value);
  unsigned char GetKeyBin(unsigned int nameHigh, const char16_t* name, void* data,
                          unsigned int* size);
  unsigned char SetKeyBin(unsigned int nameHigh, const char16_t* name, const void* data,
                          unsigned int size);
};

// The command that opens files of extension `ext` (".txt"): the default value
// of HKEY_CLASSES_ROOT\<type>\shell\Open\command, where <type> is the default
// value of HKEY_CLASSES_ROOT\<ext> (or ext itself when that names no key).
TQ_API unsigned char GetExecStrByExtA(unsigned int extHigh, const char* ext, unsigned int cmdHigh,
                                      char* cmd);
TQ_API unsigned char GetExecStrByExtW(unsigned int extHigh, const char16_t* ext,
                                      unsigned int cmdHigh, char16_t* cmd);

// Fills the %s / %1..%9 placeholders of a command template (256 characters)
// with the string arguments that follow, ending with a null pointer. Returns
// 0xFFFFFFFF for an empty template, else the number of the item at which
// filling stopped (the item count when every placeholder was filled).
TQ_API unsigned int CompleteExecStrA(char* result, const char* templ, ...);
TQ_API unsigned int CompleteExecStrW(char16_t* result, const char16_t* templ, ...);

}  // namespace vscan
