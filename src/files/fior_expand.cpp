// Path expansion and joining: absolute paths with `.` and `..` resolved.
#include "files/fior_text.h"
#include "files/path_text.h"
#include "tqusb/files/fio.h"
#include "tqusb/files/fior.h"

namespace files {
namespace {

std::string_view Trimmed(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// Starts `resolved` at a directory: its root and components when it is
// absolute, only its components (a relative result) otherwise.
void StartAt(ResolvedPath* resolved, std::string_view dir) {
  std::string root;
  std::string_view rest;
  if (SplitRoot(dir, &root, &rest)) {
    resolved->root = root;
    resolved->Add(rest);
  } else {
    resolved->Add(dir);
  }
}

std::string Cut(std::string text) {
  if (text.size() > kPathChars) text.resize(kPathChars);
  return text;
}

// The current directory of the named drive; drives do not exist here, so a
// drive gets its root and no drive the process's current directory.
std::string CurrentDirectory(std::string_view path) {
  if (HasDrive(path)) return std::string(1, static_cast<char>(path[0] & ~0x20)) + ":\\";
  char buffer[kPathChars];
  if (FIO::GetDirA(0, kPathChars - 1, buffer)) return BoundedText(kPathChars - 1, buffer);
  return "\\";
}

}  // namespace

std::string ExpandPathText(std::string_view source, std::string_view baseDir, bool useCurrentDir) {
  const std::string_view src = Trimmed(source.substr(0, kPathChars));
  ResolvedPath resolved;
  std::string root;
  std::string_view rest;
  if (SplitRoot(src, &root, &rest)) {
    resolved.root = root;
    resolved.separator = SeparatorOf(src);
    resolved.Add(rest);
    return Cut(resolved.Text());
  }
  const std::string dir = useCurrentDir ? CurrentDirectory(src) : std::string(baseDir);
  StartAt(&resolved, dir);
  resolved.separator = SeparatorOf(dir.empty() ? src : std::string_view(dir));
  resolved.Add(HasDrive(src) ? src.substr(2) : src);
  return Cut(resolved.Text());
}

std::string MakePathText(std::string_view dir, std::string_view name, std::string_view baseDir,
                         bool useCurrentDir) {
  const std::string_view trimmedName = Trimmed(name);
  if (IsAbsoluteName(trimmedName)) return ExpandPathText(trimmedName, baseDir, useCurrentDir);
  std::string joined = ExpandPathText(dir, baseDir, useCurrentDir);
  if (!joined.empty() && !IsSeparator(joined.back())) joined.push_back(SeparatorOf(joined));
  joined += trimmedName;
  return ExpandPathText(joined, baseDir, useCurrentDir);
}

std::string JoinPathText(std::string_view base, std::string_view path) {
  const std::string_view b = Trimmed(base.substr(0, kPathChars));
  const std::string_view p = Trimmed(path.substr(0, kPathChars));
  ResolvedPath resolved;
  // An absolute path stands by itself.
  if (IsAbsoluteName(p)) {
    StartAt(&resolved, p);
    resolved.separator = SeparatorOf(p);
    return Cut(resolved.Text());
  }
  StartAt(&resolved, b);
  resolved.separator = SeparatorOf(b.empty() ? p : b);
  resolved.Add(p);
  return Cut(resolved.Text());
}

}  // namespace files

namespace FIOR {

void CRed1A::ExpandPath2(unsigned int srcHigh, const char* src, unsigned int dstHigh, char* dst,
                         unsigned char useCurrentDir) {
  const std::string text = files::ExpandPathText(
      files::BoundedText(srcHigh, src), files::BoundedText(PathHigh, BaseDir), useCurrentDir != 0);
  files::StoreText<char>(dstHigh, dst, text);
}

void CRed1A::ExpandPath(unsigned int srcHigh, const char* src, unsigned int dstHigh, char* dst) {
  ExpandPath2(srcHigh, src, dstHigh, dst, 1);
}

void CRed1A::MakePath2(unsigned int resultHigh, char* result, unsigned int dirHigh, const char* dir,
                       unsigned int nameHigh, const char* name, unsigned char useCurrentDir) {
  const std::string text =
      files::MakePathText(files::BoundedText(dirHigh, dir), files::BoundedText(nameHigh, name),
                          files::BoundedText(PathHigh, BaseDir), useCurrentDir != 0);
  files::StoreText<char>(resultHigh, result, text);
}

void CRed1A::MakePath(unsigned int resultHigh, char* result, unsigned int dirHigh, const char* dir,
                      unsigned int nameHigh, const char* name) {
  MakePath2(resultHigh, result, dirHigh, dir, nameHigh, name, 1);
}

void CRed1A::JoinPath(unsigned int resultHigh, char* result, unsigned int baseHigh,
                      const char* base, unsigned int pathHigh, const char* path) {
  const std::string text =
      files::JoinPathText(files::BoundedText(baseHigh, base), files::BoundedText(pathHigh, path));
  files::StoreText<char>(resultHigh, result, text);
}

}  // namespace FIOR
