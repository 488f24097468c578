// Splitting paths into directory and name, or drive, directory, name and
// extension, and putting the four parts together again.
#include "files/path_text.h"
#include "tqusb/files/fior.h"

namespace files {
namespace {

// Where the directory part of a path can end at the earliest: the separator
// that closes \\server\share for a UNC path (npos when there is none), 2 for
// a path in backslash form or with a drive, so that a last separator before
// it leaves no name (\file and a\b are all directory), and 0 for a native
// path written with '/', whose only root is a leading '/'.
template <typename Ch>
std::size_t RootPosition(std::basic_string_view<Ch> path) {
  using View = std::basic_string_view<Ch>;
  if (IsUnc(path)) {
    std::size_t separators = 0;
    for (std::size_t i = 2; i < path.size(); ++i)
      if (IsSeparator(path[i]) && ++separators == 2) return i;
    return View::npos;
  }
  if (HasDrive(path)) return 2;
  for (Ch c : path)
    if (IsSeparator(c)) return c == Ch('/') ? 0 : 2;
  return 2;
}

template <typename Ch>
void SplitPathParts(std::basic_string_view<Ch> path, std::basic_string<Ch>* dir,
                    std::basic_string<Ch>* name) {
  using View = std::basic_string_view<Ch>;
  const std::size_t root = RootPosition(path);
  const std::size_t last = LastSeparator(path);
  if (root == View::npos || (last != View::npos && last < root)) {
    *dir = path;  // a root (\\server\share) or a separator too early for a name
    name->clear();
  } else if (last != View::npos) {
    *dir = path.substr(0, last == root ? last + 1 : last);
    *name = path.substr(last + 1);
  } else if (HasDrive(path)) {
    *dir = path.substr(0, 2);
    *name = path.substr(2);
  } else {
    dir->clear();
    *name = path;
  }
}

// The extension's dot in the name (npos when none). A dot followed by
// another dot does not count, nor does a name of dots before its last dot
// (".", "..", ".profile").
std::size_t ExtensionDot(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::string_view::npos;
  if (dot + 1 < name.size() && name[dot + 1] == '.') return std::string_view::npos;
  if (name.find_first_not_of('.') >= dot) return std::string_view::npos;
  return dot;
}

}  // namespace

template <typename Ch>
void SplitPathText(unsigned int pathHigh, const Ch* path, unsigned int dirHigh, Ch* dir,
                   unsigned int nameHigh, Ch* name) {
  const std::basic_string<Ch> text = BoundedText(pathHigh, path);
  std::basic_string<Ch> d, n;
  SplitPathParts(std::basic_string_view<Ch>(text), &d, &n);
  StoreText<Ch>(dirHigh, dir, d);
  StoreText<Ch>(nameHigh, name, n);
}

}  // namespace files

namespace FIOR {

void CRed1A::SplitPath(unsigned int pathHigh, const char* path, unsigned int dirHigh, char* dir,
                       unsigned int nameHigh, char* name) {
  files::SplitPathText(pathHigh, path, dirHigh, dir, nameHigh, name);
}

void SplitPathW(unsigned int pathHigh, const char16_t* path, unsigned int dirHigh, char16_t* dir,
                unsigned int nameHigh, char16_t* name) {
  files::SplitPathText(pathHigh, path, dirHigh, dir, nameHigh, name);
}

void CRed1A::SplitAllPath(unsigned int pathHigh, const char* path, unsigned int driveHigh,
                          char* drive, unsigned int dirHigh, char* dir, unsigned int nameHigh,
                          char* name, unsigned int extHigh, char* ext) {
  const std::string text = files::BoundedText(pathHigh, path);
  std::string_view rest = text;
  const std::size_t colon = rest.find(':');
  const std::size_t driveEnd = (colon == 1 || colon == 2) ? colon + 1 : 0;
  files::StoreText<char>(driveHigh, drive, rest.substr(0, driveEnd));
  rest.remove_prefix(driveEnd);
  const std::size_t last = files::LastSeparator(rest);
  const std::size_t dirEnd = last == std::string_view::npos ? 0 : last + 1;
  files::StoreText<char>(dirHigh, dir, rest.substr(0, dirEnd));
  rest.remove_prefix(dirEnd);
  const std::size_t dot = files::ExtensionDot(rest);
  files::StoreText<char>(nameHigh, name, rest.substr(0, dot));
  files::StoreText<char>(extHigh, ext, dot == std::string_view::npos ? "" : rest.substr(dot));
}

void CRed1A::MakeAllPath(unsigned int resultHigh, char* result, unsigned int driveHigh,
                         const char* drive, unsigned int dirHigh, const char* dir,
                         unsigned int nameHigh, const char* name, unsigned int extHigh,
                         const char* ext) {
  const std::string d = files::BoundedText(dirHigh, dir);
  const std::string e = files::BoundedText(extHigh, ext);
  std::string text = files::BoundedText(driveHigh, drive) + d;
  if (!d.empty() && !files::IsSeparator(d.back())) text.push_back(files::SeparatorOf(text));
  text += files::BoundedText(nameHigh, name);
  if (!e.empty() && e[0] != '.') text.push_back('.');
  text += e;
  files::StoreText<char>(resultHigh, result, text);
}

}  // namespace FIOR
