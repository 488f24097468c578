// Finding files through the redirection table, and opening what was found.
#include <string>

#include "files/fior_text.h"
#include "files/path_text.h"
#include "tqusb/files/fio.h"
#include "tqusb/files/fior.h"
#include "tqusb/runtime/str.h"

namespace FIOR {
namespace {

bool IsFile(const std::string& path) {
  return FIO::ExistsA(static_cast<unsigned int>(path.size()), path.c_str()) != 0;
}

bool Matches(const TPatternRecord& rule, const std::string& name) {
  return Str::MatchA(static_cast<unsigned int>(name.size()), name.c_str(), PathHigh,
                     rule.Pattern) != 0;
}

// Stores a found path and reports success.
unsigned char Found(unsigned int resultHigh, char* result, const std::string& path) {
  files::StoreText<char>(resultHigh, result, path);
  return 1;
}

unsigned char NotFound(unsigned int resultHigh, char* result) {
  files::StoreText<char>(resultHigh, result, "");
  return 0;
}

}  // namespace

unsigned char CRed1A::FindPathInternal(unsigned char tryCurrent, unsigned int nameHigh,
                                       const char* name, unsigned int resultHigh, char* result) {
  const std::string wanted = files::BoundedText(nameHigh, name);
  const std::string base = files::BoundedText(PathHigh, BaseDir);
  if (wanted.empty()) return NotFound(resultHigh, result);
  if (tryCurrent && IsFile(wanted))
    return Found(resultHigh, result, files::ExpandPathText(wanted, base, true));
  if (files::IsAbsoluteName(wanted))
    return IsFile(wanted) ? Found(resultHigh, result, wanted) : NotFound(resultHigh, result);
  for (const TPatternRecord* rule = Table; rule != nullptr; rule = rule->Next) {
    if (!Matches(*rule, wanted)) continue;
    for (const TDirRecord* dir = rule->Dirs; dir != nullptr; dir = dir->Next) {
      const std::string candidate = files::MakePathText(
          files::ExpandPathText(files::BoundedText(PathHigh, dir->Dir), base, false), wanted, base,
          false);
      if (IsFile(candidate)) return Found(resultHigh, result, candidate);
    }
  }
  if (FallbackDir[0] != '\0') {
    const std::string candidate =
        files::MakePathText(files::BoundedText(PathHigh, FallbackDir), wanted, base, false);
    if (IsFile(candidate)) return Found(resultHigh, result, candidate);
  }
  return NotFound(resultHigh, result);
}

unsigned char CRed1A::FindPath(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                               char* result) {
  return FindPathInternal(1, nameHigh, name, resultHigh, result);
}

unsigned char CRed1A::FindNewPath(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                                  char* result) {
  const std::string wanted = files::BoundedText(nameHigh, name);
  const std::string base = files::BoundedText(PathHigh, BaseDir);
  if (files::IsAbsoluteName(wanted))
    return Found(resultHigh, result, files::ExpandPathText(wanted, base, false));
  for (const TPatternRecord* rule = Table; rule != nullptr; rule = rule->Next) {
    // A rule without directories never matches.
    if (rule->Dirs != nullptr && Matches(*rule, wanted))
      return Found(
          resultHigh, result,
          files::MakePathText(files::BoundedText(PathHigh, rule->Dirs->Dir), wanted, base, false));
  }
  if (FallbackDir[0] != '\0')
    return Found(
        resultHigh, result,
        files::MakePathText(files::BoundedText(PathHigh, FallbackDir), wanted, base, false));
  return Found(resultHigh, result, files::ExpandPathText(wanted, base, false));
}

namespace {

// The path the table's search `find` gives for the name, or the name as given
// when it finds none.
template <typename Red, typename Find>
std::string Located(Red& red, Find find, unsigned int nameHigh, const char* name) {
  char found[PathHigh + 1];
  return (red.*find)(nameHigh, name, PathHigh, found) ? files::BoundedText(PathHigh, found)
                                                      : files::BoundedText(nameHigh, name);
}

// The high index that passes a std::string with its terminator.
unsigned int High(const std::string& path) {
  return static_cast<unsigned int>(path.size());
}

}  // namespace

void* CRed1A::Open(unsigned int nameHigh, const char* name, unsigned int share) {
  const std::string path = Located(*this, &CRed1A::FindPath, nameHigh, name);
  return FIO::OpenA(High(path), path.c_str(), share);
}

void* CRed1A::OpenRead(unsigned int nameHigh, const char* name, unsigned int share) {
  const std::string path = Located(*this, &CRed1A::FindPath, nameHigh, name);
  return FIO::OpenReadA(High(path), path.c_str(), share);
}

unsigned char CRed1A::Delete(unsigned int nameHigh, const char* name) {
  const std::string path = Located(*this, &CRed1A::FindPath, nameHigh, name);
  return FIO::DeleteA(High(path), path.c_str());
}

void* CRed1A::Create(unsigned int nameHigh, const char* name, unsigned int share) {
  char path[PathHigh + 1];
  FindNewPath(nameHigh, name, PathHigh, path);
  return FIO::CreateA(PathHigh, path, share);
}

// --- CRed2A: the same, with the search replaceable ---------------------------------

unsigned char CRed2A::FindPath2(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                                char* result) {
  return Red.FindPathInternal(1, nameHigh, name, resultHigh, result);
}

void CRed2A::Init(unsigned int fileHigh, const char* fileName) {
  Red.Init(fileHigh, fileName);
}

void CRed2A::Done() {
  Red.Done();
}

unsigned char CRed2A::FindPath(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                               char* result) {
  return FindPath2(nameHigh, name, resultHigh, result);
}

unsigned char CRed2A::FindNewPath(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                                  char* result) {
  return Red.FindNewPath(nameHigh, name, resultHigh, result);
}

void* CRed2A::Open(unsigned int nameHigh, const char* name, unsigned int share) {
  const std::string path = Located(*this, &CRed2A::FindPath2, nameHigh, name);
  return FIO::OpenA(High(path), path.c_str(), share);
}

void* CRed2A::OpenRead(unsigned int nameHigh, const char* name, unsigned int share) {
  const std::string path = Located(*this, &CRed2A::FindPath2, nameHigh, name);
  return FIO::OpenReadA(High(path), path.c_str(), share);
}

unsigned char CRed2A::Delete(unsigned int nameHigh, const char* name) {
  const std::string path = Located(*this, &CRed2A::FindPath2, nameHigh, name);
  return FIO::DeleteA(High(path), path.c_str());
}

void* CRed2A::Create(unsigned int nameHigh, const char* name, unsigned int share) {
  return Red.Create(nameHigh, name, share);
}

}  // namespace FIOR
