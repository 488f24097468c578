// Separators and `.`/`..` resolution for path text.
#include "files/path_text.h"

namespace files {

bool IsAbsoluteName(std::string_view path) {
  return (!path.empty() && IsSeparator(path[0])) || HasDrive(path);
}

char SeparatorOf(std::string_view path) {
  for (char c : path)
    if (IsSeparator(c)) return c;
  return HasDrive(path) ? '\\' : '/';
}

void ResolvedPath::Add(std::string_view rest) {
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    const std::string_view part = rest.substr(start, end - start);
    if (part == "..") {
      if (!components.empty()) components.pop_back();
    } else if (!part.empty() && part != ".") {
      components.emplace_back(part);
    }
    start = end + 1;
  }
  trailingSeparator = !rest.empty() && IsSeparator(rest.back());
}

std::string ResolvedPath::Text() const {
  std::string text = root;
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (i > 0) text.push_back(separator);
    text += components[i];
  }
  if (trailingSeparator && !components.empty()) text.push_back(separator);
  return text;
}

bool SplitRoot(std::string_view path, std::string* root, std::string_view* rest) {
  if (IsUnc(path)) {
    *root = std::string(path.substr(0, 2));
    *rest = path.substr(2);
    return true;
  }
  if (HasDrive(path) && path.size() >= 3 && IsSeparator(path[2])) {
    *root = std::string(path.substr(0, 3));
    (*root)[0] = static_cast<char>((*root)[0] & ~0x20);  // the drive letter in upper case
    *rest = path.substr(3);
    return true;
  }
  if (!path.empty() && IsSeparator(path[0])) {
    *root = std::string(path.substr(0, 1));
    *rest = path.substr(1);
    return true;
  }
  return false;
}

}  // namespace files
