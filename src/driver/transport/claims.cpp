#include "driver/transport/claims.h"

#include "driver/transport/system_services.h"
#include "tqusb/runtime/str.h"

namespace tQusb {
namespace {

constexpr char kClaimPrefix[] = "Global\\TQ-";

// The list lives as long as the library. At unload the elements are freed;
// the claims themselves are handles of the platform layer, which gives them
// up with its own handle table (and the system with the process).
struct TProcessClaims {
  TClaimList Claims;
  ~TProcessClaims() { Claims.List.DisposeList(); }
};

// Finds the element with exactly this path and makes it the active one.
CDeviceListElem* FindPath(TClaimList& list, unsigned high, const char* path) {
  CDeviceListElem* elem = nullptr;
  for (unsigned char ok = list.List.GetFirst(&elem); ok; ok = list.List.GetNext(&elem))
    if (Str::SameA(kClaimPathHigh, elem->Path, high, path)) return elem;
  return nullptr;
}

}  // namespace

TClaimList& ClaimList() {
  static TProcessClaims claims;
  return claims.Claims;
}

void ClaimEventName(unsigned pathHigh, const char* path, unsigned high, char* name) {
  Str::CopyA(high, name, sizeof kClaimPrefix - 1, kClaimPrefix);
  const unsigned prefix = Str::LengthA(high, name);
  const unsigned length = Str::LengthA(pathHigh, path);
  unsigned at = prefix;
  for (unsigned i = 0; i < length && at <= high; ++i, ++at) {
    const char c = path[i];
    name[at] = (c == ':' || c == '?' || c == '\\') ? '_' : c;
  }
  if (at <= high) name[at] = '\0';
}

bool ClaimDevice(TClaimList& list, unsigned high, const char* path) {
  std::lock_guard<std::mutex> hold(list.Lock);
  if (FindPath(list, high, path) != nullptr) return false;
  char name[kClaimNameHigh + 1];
  ClaimEventName(high, path, kClaimNameHigh, name);
  uintptr_t event = 0;
  if (!CreateSystemClaim(name, Str::LengthA(kClaimNameHigh, name), &event)) return false;
  auto* elem = new CDeviceListElem;
  Str::CopyA(kClaimPathHigh, elem->Path, high, path);
  elem->Event = event;
  list.List.Append(elem);
  return true;
}

void ReleaseDevice(TClaimList& list, unsigned high, const char* path) {
  std::lock_guard<std::mutex> hold(list.Lock);
  CDeviceListElem* elem = FindPath(list, high, path);
  if (elem == nullptr) return;
  CloseSystemClaim(elem->Event);
  list.List.Remove();
  delete elem;
}

void ReleaseAllDevices(TClaimList& list) {
  std::lock_guard<std::mutex> hold(list.Lock);
  CDeviceListElem* elem = nullptr;
  for (unsigned char ok = list.List.GetFirst(&elem); ok; ok = list.List.GetNext(&elem))
    CloseSystemClaim(elem->Event);
  list.List.DisposeList();
}

}  // namespace tQusb
