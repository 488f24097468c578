// The redirection table: loading it from its file and freeing it.
//
// Each non-empty line is `pattern = dir; dir; ...`; the pattern is trimmed,
// the directories are the non-empty `;`-separated items, each trimmed, in
// order. The file may be 8-bit (UTF-8) or UTF-16.
#include <cstring>
#include <string>
#include <string_view>

#include "files/fior_text.h"
#include "files/path_text.h"
#include "tqusb/files/fio.h"
#include "tqusb/files/fior.h"
#include "tqusb/runtime/storage.h"
#include "tqusb/runtime/str.h"

namespace FIOR {
namespace {

constexpr unsigned int kLineHigh = 1024;  // lines of up to 1025 characters

std::string_view Trimmed(std::string_view s) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const std::size_t first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

template <typename Record>
Record* NewRecord() {
  void* block = nullptr;
  Storage::Allocate(&block, sizeof(Record));
  std::memset(block, 0, sizeof(Record));
  return static_cast<Record*>(block);
}

void CopyPath(char* dst, std::string_view text) {
  files::StoreText<char>(PathHigh, dst, text.substr(0, PathHigh));
}

// One line of the file, 8-bit or UTF-16 converted to UTF-8; false at the end.
bool ReadLine(void* file, bool unicode, std::string* line) {
  if (!unicode) {
    char text[kLineHigh + 1];
    if (!FIO::RdStrA(file, kLineHigh, text)) return false;
    *line = files::BoundedText(kLineHigh, text, kLineHigh + 1);
    return true;
  }
  char16_t wide[kLineHigh + 1];
  if (!FIO::RdStrW(file, kLineHigh, wide)) return false;
  char narrow[(kLineHigh + 1) * 3 + 1];
  Str::U2A(kLineHigh, wide, sizeof narrow - 1, narrow);
  *line = files::BoundedText(sizeof narrow - 1, narrow, sizeof narrow);
  return true;
}

TPatternRecord* ParseRule(std::string_view line) {
  const std::size_t equals = line.find('=');
  auto* rule = NewRecord<TPatternRecord>();
  CopyPath(rule->Pattern, Trimmed(line.substr(0, equals)));
  if (equals == std::string_view::npos) return rule;
  TDirRecord** tail = &rule->Dirs;
  std::string_view rest = line.substr(equals + 1);
  while (!rest.empty()) {
    const std::size_t semicolon = rest.find(';');
    const std::string_view dir = Trimmed(rest.substr(0, semicolon));
    rest = semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
    if (dir.empty()) continue;
    *tail = NewRecord<TDirRecord>();
    CopyPath((*tail)->Dir, dir);
    tail = &(*tail)->Next;
  }
  return rule;
}

}  // namespace

CRed1A::CRed1A() : BaseDir{}, FallbackDir{}, Table(nullptr) {}

void CRed1A::Init(unsigned int fileHigh, const char* fileName) {
  char path[PathHigh + 1];
  ExpandPath(fileHigh, fileName, PathHigh, path);
  ClearList();
  char name[PathHigh + 1];
  SplitPath(PathHigh, path, PathHigh, BaseDir, PathHigh, name);
  void* file = FIO::OpenReadA(PathHigh, path, 1);
  if (file == FIO::InvalidHandle()) return;
  const bool unicode = FIO::IsUnicodeFile(file) != 0;
  TPatternRecord** tail = &Table;
  std::string line;
  bool first = true;
  while (ReadLine(file, unicode, &line)) {
    // A UTF-8 byte-order mark is no part of the first pattern.
    if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    first = false;
    if (Trimmed(line).empty()) continue;
    *tail = ParseRule(line);
    tail = &(*tail)->Next;
  }
  FIO::Close(file);
}

void CRed1A::ClearList() {
  while (Table != nullptr) {
    TPatternRecord* rule = Table;
    Table = rule->Next;
    while (rule->Dirs != nullptr) {
      TDirRecord* dir = rule->Dirs;
      rule->Dirs = dir->Next;
      void* block = dir;
      Storage::Free(&block);
    }
    void* block = rule;
    Storage::Free(&block);
  }
}

void CRed1A::Done() {
  ClearList();
  FallbackDir[0] = '\0';
}

}  // namespace FIOR
