#include "runtime/command_line.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "tqusb/runtime/str.h"

namespace runtime {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string_view> SplitCommandLine(std::string_view line) {
  std::vector<std::string_view> args;
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) break;
    const std::size_t start = i;
    bool quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
      if (line[i] == '"') quoted = !quoted;
      ++i;
    }
    args.push_back(line.substr(start, i - start));
  }
  return args;
}

std::string JoinArguments(const std::vector<std::string>& args) {
  std::string line;
  for (const std::string& arg : args) {
    if (!line.empty()) line += ' ';
    const bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
    if (quote) line += '"';
    line += arg;
    if (quote) line += '"';
  }
  return line;
}

std::string WithoutQuotes(std::string_view arg) {
  std::string out;
  out.reserve(arg.size());
  for (char c : arg) {
    if (c != '"') out += c;
  }
  return out;
}

void CopyArgument(std::string_view arg, unsigned int high, char* buffer) {
  if (buffer == nullptr) return;
  if (arg.empty()) {
    buffer[0] = '\0';
    return;
  }
  Str::CopyA(high, buffer, static_cast<unsigned int>(arg.size() - 1), arg.data());
  std::size_t length = Str::LengthA(high, buffer);
  if (buffer[0] != '"') return;
  std::size_t closing = length - 1;
  while (closing > 0 && buffer[closing] != '"') --closing;
  if (closing > 0) {
    std::memmove(buffer + closing, buffer + closing + 1, length - closing - 1);
    --length;
  }
  std::memmove(buffer, buffer + 1, length - 1);
  buffer[length - 1] = '\0';  // the text got shorter, so there is room
}

const std::string& ProcessCommandLine() {
  static const std::string line = [] {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string raw{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start < raw.size()) {
      std::size_t end = raw.find('\0', start);
      if (end == std::string::npos) end = raw.size();
      args.emplace_back(raw, start, end - start);
      start = end + 1;
    }
    return JoinArguments(args);
  }();
  return line;
}

}  // namespace runtime
