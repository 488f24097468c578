#include "runtime/memory_map.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <string>

namespace runtime {

namespace {

bool ParseLine(std::string_view line, MappedRange* out) {
  const char* p = line.data();
  const char* end = p + line.size();
  std::uintptr_t start = 0, stop = 0;
  auto r = std::from_chars(p, end, start, 16);
  if (r.ec != std::errc() || r.ptr == end || *r.ptr != '-') return false;
  r = std::from_chars(r.ptr + 1, end, stop, 16);
  if (r.ec != std::errc() || end - r.ptr < 3 || *r.ptr != ' ' || stop < start) return false;
  out->start = start;
  out->end = stop;
  out->readable = r.ptr[1] == 'r';
  out->writable = r.ptr[2] == 'w';
  return true;
}

}  // namespace

std::vector<MappedRange> ParseMemoryMap(std::string_view text) {
  std::vector<MappedRange> map;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    const std::string_view line = text.substr(0, eol);
    MappedRange range;
    if (ParseLine(line, &range)) map.push_back(range);
    if (eol == std::string_view::npos) break;
    text.remove_prefix(eol + 1);
  }
  // The kernel lists ranges in address order; keep that guarantee for callers.
  std::sort(map.begin(), map.end(),
            [](const MappedRange& a, const MappedRange& b) { return a.start < b.start; });
  return map;
}

std::vector<MappedRange> ReadMemoryMap() {
  std::ifstream file("/proc/self/maps", std::ios::binary);
  if (!file) return {};
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  return ParseMemoryMap(text);
}

bool RangeAccessible(const std::vector<MappedRange>& map, std::uintptr_t p, std::uint64_t size,
                     bool write) {
  if (size == 0) return true;
  if (size - 1 > UINTPTR_MAX - p) return false;  // wraps around
  const std::uintptr_t last = p + (size - 1);
  std::uintptr_t next = p;  // first byte not yet covered
  for (const MappedRange& range : map) {
    if (range.end <= next) continue;
    if (range.start > next) return false;  // a gap
    if (!(write ? range.writable : range.readable)) return false;
    if (range.end - 1 >= last) return true;
    next = range.end;
  }
  return false;
}

}  // namespace runtime
