#pragma once
// Reading bounded strings (high index, buffer) that must carry a terminator.
#include <cstring>
#include <optional>
#include <string_view>

namespace runtime {

// The text of a bounded string when a terminator stands within its high + 1
// places (a null buffer counts as empty); nothing otherwise.
inline std::optional<std::string_view> TerminatedText(unsigned int high, const char* s) {
  if (s == nullptr) return std::string_view{};
  const std::size_t room = static_cast<std::size_t>(high) + 1;
  const void* nul = std::memchr(s, '\0', room);
  if (nul == nullptr) return std::nullopt;
  return std::string_view(s, static_cast<const char*>(nul) - s);
}

}  // namespace runtime
