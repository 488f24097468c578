#pragma once
// FIOR: path names in bounded strings, and finding files through a
// redirection table.
//
// Paths are at most 259 characters. Windows forms (drive letter and `:`, `\`
// separators, UNC names \\server\share) and POSIX forms (`/` separators, `/`
// root) are both understood; `\` and `/` both separate components. A path is
// joined with the separator it already uses (`/` when it has none and no
// drive or UNC prefix).
//
// Redirection file: one rule per line, `pattern = dir; dir; ...`. A name that
// matches the pattern (`*`, `?`, case-insensitive) is looked for in the listed
// directories in order; relative directories are taken from the directory of
// the redirection file. The file may be 8-bit or UTF-16.
//
// The free functions work on one library-wide CRed2A object set up by InitA
// and cleared by Done (not to be called while another thread searches).
#include "tqusb/export.h"

namespace FIOR {

inline constexpr unsigned int PathHigh = 259;

// One directory of a rule (allocated with Storage::Allocate).
struct TDirRecord {
  char Dir[PathHigh + 1];
  TDirRecord* Next;
};

// One rule: a pattern and its directories in file order.
struct TPatternRecord {
  char Pattern[PathHigh + 1];
  TDirRecord* Dirs;
  TPatternRecord* Next;
};

// One redirection table. No destructor: the owner calls Done.
class TQ_API CRed1A {
 public:
  char BaseDir[PathHigh + 1];      // directory of the redirection file
  char FallbackDir[PathHigh + 1];  // searched after the table when not empty
  TPatternRecord* Table;

  CRed1A();

  // Loads the table from a redirection file (an unreadable file leaves it empty).
  void Init(unsigned int fileHigh, const char* fileName);
  // Frees the table and clears the fallback directory.
  void Done();
  // Frees every record of the table.
  void ClearList();

  // Makes a path absolute and removes `.` and `..` components. Relative parts
  // are taken from the current directory (useCurrentDir 1) or BaseDir.
  void ExpandPath2(unsigned int srcHigh, const char* src, unsigned int dstHigh, char* dst,
                   unsigned char useCurrentDir);
  void ExpandPath(unsigned int srcHigh, const char* src, unsigned int dstHigh, char* dst);

  void SplitPath(unsigned int pathHigh, const char* path, unsigned int dirHigh, char* dir,
                 unsigned int nameHigh, char* name);
  void MakePath(unsigned int resultHigh, char* result, unsigned int dirHigh, const char* dir,
                unsigned int nameHigh, const char* name);
  void MakePath2(unsigned int resultHigh, char* result, unsigned int dirHigh, const char* dir,
                 unsigned int nameHigh, const char* name, unsigned char useCurrentDir);
  void SplitAllPath(unsigned int pathHigh, const char* path, unsigned int driveHigh, char* drive,
                    unsigned int dirHigh, char* dir, unsigned int nameHigh, char* name,
                    unsigned int extHigh, char* ext);
  void MakeAllPath(unsigned int resultHigh, char* result, unsigned int driveHigh, const char* drive,
                   unsigned int dirHigh, const char* dir, unsigned int nameHigh, const char* name,
                   unsigned int extHigh, const char* ext);
  void JoinPath(unsigned int resultHigh, char* result, unsigned int baseHigh, const char* base,
                unsigned int pathHigh, const char* path);
  void ChangeExtension(unsigned int pathHigh, char* path, unsigned int extHigh, const char* ext);
  void AddExtension(unsigned int pathHigh, char* path, unsigned int extHigh, const char* ext);
  void GetExtension(unsigned int pathHigh, const char* path, unsigned int extHigh, char* ext);
  void RemoveExtension(unsigned int pathHigh, char* path);
  unsigned char IsExtension(unsigned int pathHigh, const char* path, unsigned int extHigh,
                            const char* ext);
  void WildcardTail(unsigned int pathHigh, char* path);

  // Searches: 1 with the found path in result, else 0.
  unsigned char FindPathInternal(unsigned char tryCurrent, unsigned int nameHigh, const char* name,
                                 unsigned int resultHigh, char* result);
  unsigned char FindPath(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                         char* result);
  // Where a new file of this name belongs; always 1.
  unsigned char FindNewPath(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                            char* result);

  // The found path, or the name as given, opened with FIO; Create uses
  // FindNewPath. The open forms return the handle or FIO::InvalidHandle().
  void* Open(unsigned int nameHigh, const char* name, unsigned int share);
  void* OpenRead(unsigned int nameHigh, const char* name, unsigned int share);
  void* Create(unsigned int nameHigh, const char* name, unsigned int share);
  unsigned char Delete(unsigned int nameHigh, const char* name);
};

// A redirection table whose search can be replaced: FindPath, Open, OpenRead
// and Delete go through the virtual FindPath2.
class TQ_API CRed2A {
 public:
  CRed1A Red;

  CRed2A() = default;
  // The table's search with the current directory tried first.
  virtual unsigned char FindPath2(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                                  char* result);

  void Init(unsigned int fileHigh, const char* fileName);
  void Done();
  unsigned char FindPath(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                         char* result);
  unsigned char FindNewPath(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                            char* result);
  void* Open(unsigned int nameHigh, const char* name, unsigned int share);
  void* OpenRead(unsigned int nameHigh, const char* name, unsigned int share);
  void* Create(unsigned int nameHigh, const char* name, unsigned int share);
  unsigned char Delete(unsigned int nameHigh, const char* name);
};

// --- Free functions on the library-wide table ------------------------------------

TQ_API void InitA(unsigned int fileHigh, const char* fileName);
TQ_API void Done();

TQ_API void ExpandPathA(unsigned int srcHigh, const char* src, unsigned int dstHigh, char* dst);
// C:\dir\file.ini -> C:\dir + file.ini; C:\file -> C:\ + file; C:file -> C: +
// file; a UNC \\srv\share alone is all directory. In backslash form a
// last separator before index 2 leaves no name: \file and a\b are all
// directory. A native path written with '/' splits at its last '/', keeping
// a leading one: /tq.ini -> / + tq.ini, a/b -> a + b.
TQ_API void SplitPathA(unsigned int pathHigh, const char* path, unsigned int dirHigh, char* dir,
                       unsigned int nameHigh, char* name);
TQ_API void SplitPathW(unsigned int pathHigh, const char16_t* path, unsigned int dirHigh,
                       char16_t* dir, unsigned int nameHigh, char16_t* name);
// Directory and name joined by one separator and expanded; a name that is
// absolute by itself ignores the directory.
TQ_API void MakePathA(unsigned int resultHigh, char* result, unsigned int dirHigh, const char* dir,
                      unsigned int nameHigh, const char* name);
// Drive (with `:`), directory (with its final separator), name, extension
// (with its dot). A name's leading dot never starts an extension: .bashrc is
// a hidden file's name, as Linux treats it, not an empty name with an
// extension.
TQ_API void SplitAllPathA(unsigned int pathHigh, const char* path, unsigned int driveHigh,
                          char* drive, unsigned int dirHigh, char* dir, unsigned int nameHigh,
                          char* name, unsigned int extHigh, char* ext);
TQ_API void MakeAllPathA(unsigned int resultHigh, char* result, unsigned int driveHigh,
                         const char* drive, unsigned int dirHigh, const char* dir,
                         unsigned int nameHigh, const char* name, unsigned int extHigh,
                         const char* ext);
// A relative path resolved against a base directory (`.` and `..` applied).
TQ_API void JoinPathA(unsigned int resultHigh, char* result, unsigned int baseHigh,
                      const char* base, unsigned int pathHigh, const char* path);
// Extensions are given without their dot.
TQ_API void ChangeExtensionA(unsigned int pathHigh, char* path, unsigned int extHigh,
                             const char* ext);
TQ_API void AddExtensionA(unsigned int pathHigh, char* path, unsigned int extHigh, const char* ext);
TQ_API void GetExtensionA(unsigned int pathHigh, const char* path, unsigned int extHigh, char* ext);
TQ_API void RemoveExtensionA(unsigned int pathHigh, char* path);
TQ_API unsigned char IsExtensionA(unsigned int pathHigh, const char* path, unsigned int extHigh,
                                  const char* ext);
// C:\dir\file.txt -> C:\dir\*.txt; a name without a dot becomes `*`.
TQ_API void WildcardTailA(unsigned int pathHigh, char* path);

TQ_API unsigned char FindPathA(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                               char* result);
TQ_API unsigned char FindNewPathA(unsigned int nameHigh, const char* name, unsigned int resultHigh,
                                  char* result);
TQ_API void* OpenA(unsigned int nameHigh, const char* name, unsigned int share);
TQ_API void* OpenReadA(unsigned int nameHigh, const char* name, unsigned int share);
TQ_API void* CreateA(unsigned int nameHigh, const char* name, unsigned int share);
TQ_API unsigned char DeleteA(unsigned int nameHigh, const char* name);

}  // namespace FIOR
