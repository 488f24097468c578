#pragma once
// Claims keep one device with one camera object in the whole system: the
// process-wide claim list holds the paths this process uses, and a named claim
// ("Global\TQ-" and the path) per device keeps other processes away from it.
#include <cstdint>
#include <mutex>

#include "tqusb/containers/vlist.h"

namespace tQusb {

inline constexpr unsigned kClaimPathHigh = 260;
inline constexpr unsigned kClaimNameHigh = 259;  // names have at most 260 characters

class CDeviceListElem final : public vlist::CListElem {
 public:
  char Path[kClaimPathHigh + 1] = {};
  uintptr_t Event = 0;  // handle of the system-wide claim
};

// The claim list with its critical section.
struct TClaimList {
  std::mutex Lock;
  vlist::CList List;
};

// The list of this process (created when first used, freed at unload).
TClaimList& ClaimList();

// "Global\TQ-" and the path with ':', '?' and '\' replaced by '_', cut to 260.
void ClaimEventName(unsigned pathHigh, const char* path, unsigned high, char* name);

// True when the device is now claimed by the caller; false when this or
// another process holds it, or the claim cannot be made.
bool ClaimDevice(TClaimList& list, unsigned high, const char* path);
// Drops this process's claim of the path; a path not in the list changes nothing.
void ReleaseDevice(TClaimList& list, unsigned high, const char* path);
// Drops every claim of the list (library unload with cameras still open).
void ReleaseAllDevices(TClaimList& list);

}  // namespace tQusb
