// File-name extensions (given without their dot) and wildcard tails.
#include "files/path_text.h"
#include "tqusb/files/fior.h"
#include "tqusb/runtime/str.h"

namespace files {
namespace {

// Where the file name starts: behind the last separator (and, for the
// wildcard tail, behind a drive's colon).
std::size_t NameStart(std::string_view path, bool afterColon = false) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.size(); ++i)
    if (IsSeparator(path[i]) || (afterColon && path[i] == ':')) start = i + 1;
  return start;
}

// The index of the last dot of the file name, or npos.
std::size_t NameDot(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  return dot != std::string_view::npos && dot >= NameStart(path) ? dot : std::string_view::npos;
}

bool IsPathMark(char c) {
  return c == '.' || c == ':' || IsSeparator(c);
}

// Paths whose extension cannot be changed: empty, "." or a separator alone,
// ending in ':' or in two of '.', ':' and separators ("..", ".\", "C:\").
bool Unchangeable(std::string_view path) {
  const std::size_t n = path.size();
  if (n == 0 || path.back() == ':') return true;
  if (n == 1) return path[0] == '.' || IsSeparator(path[0]);
  return IsPathMark(path[n - 1]) && IsPathMark(path[n - 2]);
}

}  // namespace
}  // namespace files

namespace FIOR {

using files::BoundedText;
using files::NameDot;
using files::StoreText;

void CRed1A::ChangeExtension(unsigned int pathHigh, char* path, unsigned int extHigh,
                             const char* ext) {
  std::string text = BoundedText(pathHigh, path);
  if (path == nullptr || files::Unchangeable(text)) return;
  const std::size_t dot = NameDot(text);
  if (dot != std::string::npos) {
    text.resize(dot + 1);
  } else {
    if (files::IsSeparator(text.back())) text.pop_back();
    text.push_back('.');
  }
  text += BoundedText(extHigh, ext);
  StoreText<char>(pathHigh, path, text);
}

void CRed1A::AddExtension(unsigned int pathHigh, char* path, unsigned int extHigh,
                          const char* ext) {
  const std::string text = BoundedText(pathHigh, path);
  if (path == nullptr || NameDot(text) != std::string::npos) return;
  StoreText<char>(pathHigh, path, text + "." + BoundedText(extHigh, ext));
}

void CRed1A::GetExtension(unsigned int pathHigh, const char* path, unsigned int extHigh,
                          char* ext) {
  const std::string text = BoundedText(pathHigh, path);
  const std::size_t dot = NameDot(text);
  StoreText<char>(
      extHigh, ext,
      dot == std::string::npos ? std::string_view() : std::string_view(text).substr(dot + 1));
}

void CRed1A::RemoveExtension(unsigned int pathHigh, char* path) {
  const std::string text = BoundedText(pathHigh, path);
  const std::size_t dot = NameDot(text);
  if (path != nullptr && dot != std::string::npos)
    StoreText<char>(pathHigh, path, text.substr(0, dot));
}

unsigned char CRed1A::IsExtension(unsigned int pathHigh, const char* path, unsigned int extHigh,
                                  const char* ext) {
  std::string text = BoundedText(pathHigh, path);
  std::string pattern = "*." + BoundedText(extHigh, ext);
  for (char& c : text) c = Str::CapA(c);
  for (char& c : pattern) c = Str::CapA(c);
  return Str::MatchA(static_cast<unsigned int>(text.size()), text.c_str(),
                     static_cast<unsigned int>(pattern.size()), pattern.c_str());
}

void CRed1A::WildcardTail(unsigned int pathHigh, char* path) {
  if (path == nullptr) return;
  const std::string text = BoundedText(pathHigh, path);
  const std::size_t start = files::NameStart(text, true);
  const std::size_t dot = text.rfind('.');
  const std::string tail = dot != std::string::npos && dot >= start ? text.substr(dot) : "";
  StoreText<char>(pathHigh, path, text.substr(0, start) + "*" + tail);
}

}  // namespace FIOR
