// Storage::GetMemoryStatus and Storage::MemorySize: what the system and the
// heap say about memory.
#include <malloc.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>

#include <cstdint>

#include "runtime/memory_map.h"
#include "tqusb/runtime/storage.h"

namespace Storage {

namespace {

// The user address space the kernel hands out by default on 64-bit systems
// (47 bits), smaller when the process has an address-space limit.
unsigned long long UserAddressSpace() {
  unsigned long long total = 1ull << 47;
  struct rlimit limit {};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      limit.rlim_cur < total) {
    total = limit.rlim_cur;
  }
  return total;
}

unsigned long long MappedBytes() {
  unsigned long long mapped = 0;
  for (const runtime::MappedRange& range : runtime::ReadMemoryMap()) {
    if (range.end <= (1ull << 47)) mapped += range.end - range.start;  // not [vsyscall]
  }
  return mapped;
}

}  // namespace

unsigned long long MemorySize(void* block) {
  if (block == nullptr) return 0;
  return malloc_usable_size(block);
}

void GetMemoryStatus(TMemoryStatus* status) {
  if (status == nullptr) return;
  *status = TMemoryStatus{};
  struct sysinfo info {};
  if (sysinfo(&info) == 0) {
    const unsigned long long unit = info.mem_unit == 0 ? 1 : info.mem_unit;
    status->TotalPhys = info.totalram * unit;
    status->AvailPhys = (info.freeram + info.bufferram) * unit;
    if (status->AvailPhys > status->TotalPhys) status->AvailPhys = status->TotalPhys;
    status->TotalPageFile = status->TotalPhys + info.totalswap * unit;
    status->AvailPageFile = status->AvailPhys + info.freeswap * unit;
    if (status->TotalPhys != 0) {
      const unsigned long long used = status->TotalPhys - status->AvailPhys;
      status->MemoryLoad = static_cast<unsigned int>(used * 100 / status->TotalPhys);
    }
  }
  status->TotalVirtual = UserAddressSpace();
  const unsigned long long mapped = MappedBytes();
  status->AvailVirtual = mapped < status->TotalVirtual ? status->TotalVirtual - mapped : 0;
}

void InitModule() {}

}  // namespace Storage
