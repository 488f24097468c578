#pragma once
// Path text for the FIOR operations: bounded strings in and out, separators
// and the resolution of `.` and `..`.
//
// `\` and `/` both separate components. A path is written with the separator
// it already uses; one without any uses `\` when it has a drive and `/` else.
#include <string>
#include <string_view>
#include <vector>

namespace files {

// Every path inside FIOR is cut to 260 characters.
inline constexpr std::size_t kPathChars = 260;

// The bounded string (up to its NUL or high + 1 characters, empty for null),
// cut to `limit` characters.
template <typename Ch>
std::basic_string<Ch> BoundedText(unsigned int high, const Ch* s, std::size_t limit = kPathChars) {
  std::basic_string<Ch> text;
  if (s == nullptr) return text;
  const unsigned long long places = static_cast<unsigned long long>(high) + 1;
  for (unsigned long long i = 0; i < places && i < limit && s[i] != Ch(0); ++i)
    text.push_back(s[i]);
  return text;
}

// Stores text with the bounded-string rule (cut to high + 1 characters, a NUL
// behind them when there is room). Nothing happens for a null buffer.
template <typename Ch>
void StoreText(unsigned int high, Ch* dst, std::basic_string_view<Ch> text) {
  if (dst == nullptr) return;
  const unsigned long long places = static_cast<unsigned long long>(high) + 1;
  const unsigned long long n = text.size() < places ? text.size() : places;
  for (unsigned long long i = 0; i < n; ++i) dst[i] = text[i];
  if (n < places) dst[n] = Ch(0);
}

template <typename Ch>
constexpr bool IsSeparator(Ch c) {
  return c == Ch('\\') || c == Ch('/');
}

template <typename Ch>
bool HasDrive(std::basic_string_view<Ch> path) {
  return path.size() >= 2 && path[1] == Ch(':') &&
         ((path[0] >= Ch('A') && path[0] <= Ch('Z')) || (path[0] >= Ch('a') && path[0] <= Ch('z')));
}

// \\server\share (or //server/share).
template <typename Ch>
bool IsUnc(std::basic_string_view<Ch> path) {
  return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
}

// Begins with a separator or carries a drive.
bool IsAbsoluteName(std::string_view path);

// The separator the path uses: its first one, else `\` with a drive, else `/`.
char SeparatorOf(std::string_view path);

// The last separator's index, or npos.
template <typename Ch>
std::size_t LastSeparator(std::basic_string_view<Ch> path) {
  for (std::size_t i = path.size(); i > 0; --i)
    if (IsSeparator(path[i - 1])) return i - 1;
  return std::basic_string_view<Ch>::npos;
}

// A path being resolved: a root that `..` never removes ("C:\", "/", "\\",
// or empty for a relative result) and the components after it.
struct ResolvedPath {
  std::string root;
  std::vector<std::string> components;
  char separator = '/';
  bool trailingSeparator = false;

  // Appends the components of `rest`: `.` is dropped, `..` removes the last
  // component (never the root), empty components are skipped.
  void Add(std::string_view rest);
  // Root, components joined by the separator, and a final separator when
  // the last text added ended with one.
  std::string Text() const;
};

// Splits an absolute path into its root and the rest; false for a relative one.
bool SplitRoot(std::string_view path, std::string* root, std::string_view* rest);

}  // namespace files
