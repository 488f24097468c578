#pragma once
// The process's memory map as the kernel lists it in /proc/self/maps: which
// address ranges are mapped and whether they may be read or written.
#include <cstdint>
#include <string_view>
#include <vector>

namespace runtime {

struct MappedRange {
  std::uintptr_t start;
  std::uintptr_t end;  // one past the last byte
  bool readable;
  bool writable;
};

// Parses the text of a maps file ("start-end perms offset dev inode path"
// lines, addresses in hex). Lines that do not parse are skipped.
std::vector<MappedRange> ParseMemoryMap(std::string_view text);

// The current map of this process (empty if it cannot be read).
std::vector<MappedRange> ReadMemoryMap();

// True when every byte of [p, p + size) lies in ranges of `map` that allow
// the access (reading, or writing when `write` is set). An empty range is
// always accessible; a range that wraps around the address space never is.
bool RangeAccessible(const std::vector<MappedRange>& map, std::uintptr_t p, std::uint64_t size,
                     bool write);

}  // namespace runtime
