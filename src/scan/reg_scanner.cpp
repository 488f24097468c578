// CRegScannerA and CRegScannerW: each member hands over to the shared
// implementation for its width.
#include "scan/reg_scanner_impl.h"
#include "tqusb/containers/vcom.h"

namespace vscan {

namespace {

template <class S, class Char>
using Ops = detail::RegOps<S, Char>;

}  // namespace

#define TQ_REG_SCANNER_MEMBERS(S, Char)                                                            \
  unsigned char S::vfInit(unsigned int machineHigh, const Char* machine, unsigned int pathHigh,    \
                          const Char* path, HKEY rootKey) {                                        \
    return Ops<S, Char>::Init(*this, machineHigh, machine, pathHigh, path, rootKey, false);        \
  }                                                                                                \
  unsigned char S::vfCreate(unsigned int machineHigh, const Char* machine, unsigned int pathHigh,  \
                            const Char* path, HKEY rootKey) {                                      \
    return Ops<S, Char>::Init(*this, machineHigh, machine, pathHigh, path, rootKey, true);         \
  }                                                                                                \
  void S::vfDone() {                                                                               \
    Ops<S, Char>::Done(*this);                                                                     \
  }                                                                                                \
  unsigned char S::SetRootSection() {                                                              \
    Ops<S, Char>::CloseSection(*this);                                                             \
    return 1;                                                                                      \
  }                                                                                                \
  unsigned char S::SetSection(unsigned int nameHigh, const Char* name) {                           \
    return Ops<S, Char>::SetSection(*this, nameHigh, name, false);                                 \
  }                                                                                                \
  unsigned char S::CreateSection(unsigned int nameHigh, const Char* name) {                        \
    return Ops<S, Char>::SetSection(*this, nameHigh, name, true);                                  \
  }                                                                                                \
  unsigned char S::ClearSection(unsigned int nameHigh, const Char* name) {                         \
    return Ops<S, Char>::ClearSection(*this, nameHigh, name);                                      \
  }                                                                                                \
  unsigned char S::DeleteSection(unsigned int nameHigh, const Char* name) {                        \
    return Ops<S, Char>::DeleteSection(*this, nameHigh, name);                                     \
  }                                                                                                \
  unsigned char S::DeleteKey(unsigned int nameHigh, const Char* name) {                            \
    return Ops<S, Char>::DeleteKey(*this, nameHigh, name);                                         \
  }                                                                                                \
  unsigned char S::TryBackupKey(unsigned int nameHigh, const Char* name) {                         \
    return Ops<S, Char>::TryBackupKey(*this, nameHigh, name);                                      \
  }                                                                                                \
  unsigned char S::TryRecoverKey(unsigned int nameHigh, const Char* name) {                        \
    return Ops<S, Char>::TryRecoverKey(*this, nameHigh, name);                                     \
  }                                                                                                \
  unsigned char S::GetKeyData(unsigned int nameHigh, const Char* name, void* data,                 \
                              unsigned int* size, unsigned int* type) {                            \
    return Ops<S, Char>::GetKeyData(*this, nameHigh, name, data, size, type);                      \
  }                                                                                                \
  unsigned char S::SetKeyData(unsigned int nameHigh, const Char* name, const void* data,           \
                              unsigned int size, unsigned int type) {                              \
    return Ops<S, Char>::SetKeyData(*this, nameHigh, name, data, size, type);                      \
  }                                                                                                \
  unsigned char S::EnumKey(unsigned int nameHigh, Char* name, unsigned char subkeys, int index) {  \
    return Ops<S, Char>::EnumKey(*this, nameHigh, name, subkeys, index);                           \
  }                                                                                                \
  unsigned char S::Init(unsigned int machineHigh, const Char* machine, unsigned int pathHigh,      \
                        const Char* path, HKEY rootKey) {                                          \
    return vfInit(machineHigh, machine, pathHigh, path, rootKey);                                  \
  }                                                                                                \
  unsigned char S::Create(unsigned int machineHigh, const Char* machine, unsigned int pathHigh,    \
                          const Char* path, HKEY rootKey) {                                        \
    return vfCreate(machineHigh, machine, pathHigh, path, rootKey);                                \
  }                                                                                                \
  void S::Done() {                                                                                 \
    vfDone();                                                                                      \
  }                                                                                                \
  unsigned char S::GetKeyBool(unsigned int nameHigh, const Char* name, unsigned char* value) {     \
    unsigned int v = 0;                                                                            \
    if (value == nullptr || !Ops<S, Char>::GetFixed(*this, nameHigh, name, &v, 4, REG_DWORD))      \
      return 0;                                                                                    \
    *value = v != 0;                                                                               \
    return 1;                                                                                      \
  }                                                                                                \
  unsigned char S::SetKeyBool(unsigned int nameHigh, const Char* name, unsigned char value) {      \
    unsigned int v = value != 0;                                                                   \
    return Ops<S, Char>::Set(*this, nameHigh, name, &v, 4, REG_DWORD);                             \
  }                                                                                                \
  unsigned char S::GetKeyCard(unsigned int nameHigh, const Char* name, unsigned int* value) {      \
    return value != nullptr && Ops<S, Char>::GetFixed(*this, nameHigh, name, value, 4, REG_DWORD); \
  }                                                                                                \
  unsigned char S::SetKeyCard(unsigned int nameHigh, const Char* name, unsigned int value) {       \
    return Ops<S, Char>::Set(*this, nameHigh, name, &value, 4, REG_DWORD);                         \
  }                                                                                                \
  unsigned char S::GetKeyInt(unsigned int nameHigh, const Char* name, int* value) {                \
    return value != nullptr && Ops<S, Char>::GetFixed(*this, nameHigh, name, value, 4, REG_DWORD); \
  }                                                                                                \
  unsigned char S::SetKeyInt(unsigned int nameHigh, const Char* name, int value) {                 \
    return Ops<S, Char>::Set(*this, nameHigh, name, &value, 4, REG_DWORD);                         \
  }                                                                                                \
  unsigned char S::GetKeyCardPtr(unsigned int nameHigh, const Char* name,                          \
                                 unsigned long long* value) {                                      \
    return value != nullptr && Ops<S, Char>::GetFixed(*this, nameHigh, name, value, 8, REG_QWORD); \
  }                                                                                                \
  unsigned char S::SetKeyCardPtr(unsigned int nameHigh, const Char* name,                          \
                                 unsigned long long value) {                                       \
    return Ops<S, Char>::Set(*this, nameHigh, name, &value, 8, REG_QWORD);                         \
  }                                                                                                \
  unsigned char S::GetKeyReal(unsigned int nameHigh, const Char* name, double* value) {            \
    return value != nullptr &&                                                                     \
           Ops<S, Char>::GetFixed(*this, nameHigh, name, value, 8, REG_BINARY);                    \
  }                                                                                                \
  unsigned char S::SetKeyReal(unsigned int nameHigh, const Char* name, double value) {             \
    return Ops<S, Char>::Set(*this, nameHigh, name, &value, 8, REG_BINARY);                        \
  }                                                                                                \
  unsigned char S::GetKeyRect(unsigned int nameHigh, const Char* name, vcom::CRect* value) {       \
    int v[4];                                                                                      \
    if (value == nullptr || !Ops<S, Char>::GetFixed(*this, nameHigh, name, v, 16, REG_BINARY))     \
      return 0;                                                                                    \
    value->Init(v[0], v[1], v[2], v[3]);                                                           \
    return 1;                                                                                      \
  }                                                                                                \
  unsigned char S::SetKeyRect(unsigned int nameHigh, const Char* name, vcom::CRect value) {        \
    const int v[4] = {value.x, value.y, value.width, value.height};                                \
    return Ops<S, Char>::Set(*this, nameHigh, name, v, 16, REG_BINARY);                            \
  }                                                                                                \
  unsigned char S::GetKeyIntS(unsigned int nameHigh, const Char* name, int* value,                 \
                              unsigned int base) {                                                 \
    return Ops<S, Char>::GetIntS(*this, nameHigh, name, value, base);                              \
  }                                                                                                \
  unsigned char S::SetKeyIntS(unsigned int nameHigh, const Char* name, int value,                  \
                              unsigned int base) {                                                 \
    return Ops<S, Char>::SetIntS(*this, nameHigh, name, value, base);                              \
  }                                                                                                \
  unsigned char S::GetKeyStr(unsigned int nameHigh, const Char* name, unsigned int valueHigh,      \
                             Char* value) {                                                        \
    return Ops<S, Char>::GetStr(*this, nameHigh, name, valueHigh, value);                          \
  }                                                                                                \
  unsigned char S::SetKeyStr(unsigned int nameHigh, const Char* name, unsigned int valueHigh,      \
                             const Char* value) {                                                  \
    return Ops<S, Char>::SetStr(*this, nameHigh, name, valueHigh, value);                          \
  }                                                                                                \
  unsigned char S::GetKeyBin(unsigned int nameHigh, const Char* name, void* data,                  \
                             unsigned int* size) {                                                 \
    return Ops<S, Char>::GetBin(*this, nameHigh, name, data, size);                                \
  }                                                                                                \
  unsigned char S::SetKeyBin(unsigned int nameHigh, const Char* name, const void* data,            \
                             unsigned int size) {                                                  \
    if (data == nullptr && size > 0) return 0;                                                     \
    return Ops<S, Char>::Set(*this, nameHigh, name, data, size, REG_BINARY);                       \
  }

TQ_REG_SCANNER_MEMBERS(CRegScannerA, char)
TQ_REG_SCANNER_MEMBERS(CRegScannerW, char16_t)

#undef TQ_REG_SCANNER_MEMBERS

}  // namespace vscan
