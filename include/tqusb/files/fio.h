#pragma once
// FIO: files through handles, directory listing and a text layer that reads
// separator-delimited items and writes values in fields of a given width.
//
// A handle is the file descriptor carried in a `void*`; InvalidHandle() (all
// bits set) means failure. Every operation clears the calling thread's error
// code first and leaves the code of a failed system call behind, translated to
// the numbers callers of this interface test (see IOresult).
//
// Names are bounded strings (high index, buffer) of at most 259 characters; a
// longer name makes the operation fail with error 206. Both Windows-style
// names (`\` separators) and POSIX names are accepted: every `\` is handed to
// the system as `/`. `W` operations take UTF-16 names and convert them to
// UTF-8. Share modes are accepted and ignored (POSIX has no share locks).
#include <cstdint>

#include "tqusb/export.h"

namespace FIO {

// The value of a handle that is not open.
inline void* InvalidHandle() {
  return reinterpret_cast<void*>(~std::uintptr_t{0});
}

// Error codes left behind for IOresult (a system error without an entry of
// its own is reported as GenFailure).
enum : unsigned int {
  ErrNone = 0,
  ErrFileNotFound = 2,
  ErrPathNotFound = 3,
  ErrTooManyOpenFiles = 4,
  ErrAccessDenied = 5,
  ErrInvalidHandle = 6,
  ErrNotEnoughMemory = 8,
  ErrNoMoreFiles = 18,
  ErrInvalidDrive = 15,
  ErrNotSameDevice = 17,
  ErrSeek = 25,
  ErrGenFailure = 31,
  ErrSharingViolation = 32,
  ErrFileExists = 80,
  ErrInvalidParameter = 87,
  ErrAlreadyExists = 183,  // a directory or rename target that exists
  ErrDiskFull = 112,
  ErrDirNotEmpty = 145,
  ErrBusy = 170,
  ErrFilenameTooLong = 206,
  ErrFileTooLarge = 223,
};

// File attributes as reported by GetFileAttrA and the directory listing.
enum : unsigned int {
  AttrReadOnly = 0x01,
  AttrHidden = 0x02,
  AttrDirectory = 0x10,
  AttrArchive = 0x20,
  AttrNormal = 0x80,
};

// 100-nanosecond units since 1 January 1601 UTC, split in two 32-bit halves.
struct FILETIME {
  std::uint32_t dwLowDateTime;
  std::uint32_t dwHighDateTime;
};

// One directory entry, laid out like the Windows find-data record.
struct WIN32_FIND_DATAA {
  std::uint32_t dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  std::uint32_t nFileSizeHigh;
  std::uint32_t nFileSizeLow;
  std::uint32_t dwReserved0;
  std::uint32_t dwReserved1;
  char cFileName[260];
  char cAlternateFileName[14];
};

// A directory listing in progress: the current entry, the search (owned by
// the listing, freed when it ends or by CloseEntryA) and the attribute mask.
struct DirEntryA {
  WIN32_FIND_DATAA Data;
  void* Handle;
  unsigned int AttrMask;
};

// --- Module variables (process-wide, set once at start-up) -------------------

TQ_API extern unsigned char Eng;      // engineering notation for WrRealA/WrLngRealA
TQ_API extern unsigned char ChopOff;  // 1: a value wider than its field becomes '?'s
TQ_API extern char PrefixCharA;       // fill in front of right-justified fields
TQ_API extern char16_t PrefixCharW;
TQ_API extern char SuffixCharA;  // fill behind left-justified fields
TQ_API extern char16_t SuffixCharW;
TQ_API extern char EOLA;  // line end of RdStrA / RdStrW
TQ_API extern char16_t EOLW;
TQ_API extern unsigned char SeparatorsA[32];  // item separators, bitmap of 256 characters
TQ_API extern unsigned char SeparatorsW[16];  // item separators, bitmap of units 0 to 127
TQ_API extern char Dummy;

// Puts every module variable back to its initial value (Eng 0, ChopOff 0,
// fills space, line end LF, separators TAB LF CR 26 space).
TQ_API void InitModule();

// The error code the last FIO call of this thread left behind; 0 after success.
TQ_API unsigned int IOresult();

// --- Opening and handles -------------------------------------------------------

// Existing file, read and write.
TQ_API void* OpenA(unsigned int nameHigh, const char* name, unsigned int share);
TQ_API void* OpenW(unsigned int nameHigh, const char16_t* name, unsigned int share);
// Existing file, read only.
TQ_API void* OpenReadA(unsigned int nameHigh, const char* name, unsigned int share);
TQ_API void* OpenReadW(unsigned int nameHigh, const char16_t* name, unsigned int share);
// New or truncated file, read and write.
TQ_API void* CreateA(unsigned int nameHigh, const char* name, unsigned int share);
TQ_API void* CreateW(unsigned int nameHigh, const char16_t* name, unsigned int share);
// Existing file, read and write, positioned at its end.
TQ_API void* AppendA(unsigned int nameHigh, const char* name, unsigned int share);
TQ_API void* AppendW(unsigned int nameHigh, const char16_t* name, unsigned int share);

TQ_API unsigned char Close(void* handle);
TQ_API unsigned char Flush(void* handle);
// Ends the file at the current position.
TQ_API unsigned char Truncate(void* handle);
TQ_API unsigned char Seek(void* handle, unsigned int pos);
TQ_API unsigned char Seek64(void* handle, unsigned long long pos);
// All bits set on failure.
TQ_API unsigned int GetPos(void* handle);
TQ_API unsigned long long GetPos64(void* handle);
TQ_API unsigned int Size(void* handle);
TQ_API unsigned long long Size64(void* handle);
// 1 when the position equals the size; 0 also when either cannot be read.
TQ_API unsigned char EndOfFile(void* handle);
// Looks at the first two bytes: a byte-order mark FF FE gives 1 with the
// position behind it; a 16-bit little-endian value of 255 or less (an ASCII
// character and a zero byte) gives 1 at position 0; else 0 at position 0.
TQ_API unsigned char IsUnicodeFile(void* handle);

// --- Names and directories -------------------------------------------------------

// 1 when the name exists and is not a directory.
TQ_API unsigned char ExistsA(unsigned int nameHigh, const char* name);
TQ_API unsigned char ExistsW(unsigned int nameHigh, const char16_t* name);
// 1 when the name exists and is a directory.
TQ_API unsigned char ExistsDirA(unsigned int nameHigh, const char* name);
TQ_API unsigned char DeleteA(unsigned int nameHigh, const char* name);
// Moves a file or directory; an existing target is refused (error 183).
TQ_API unsigned char RenameA(unsigned int oldHigh, const char* oldName, unsigned int newHigh,
                             const char* newName);
// Attr* bits; all bits set on failure.
TQ_API unsigned int GetFileAttrA(unsigned int nameHigh, const char* name);
// Only AttrReadOnly has an effect: it clears or sets the write permissions.
TQ_API unsigned char SetFileAttrA(unsigned int nameHigh, const char* name, unsigned int attr);
TQ_API unsigned char ChDirA(unsigned int nameHigh, const char* name);
// An existing directory is refused with error 183.
TQ_API unsigned char MkDirA(unsigned int nameHigh, const char* name);
TQ_API unsigned char RmDirA(unsigned int nameHigh, const char* name);
// Drives do not exist here: GetDrive returns 0 (no drive), SetDrive fails
// with error 15, and GetDirA succeeds only for drive 0 (the current directory).
TQ_API unsigned int GetDrive();
TQ_API unsigned char SetDrive(unsigned int n);
TQ_API unsigned char GetDirA(unsigned int drive, unsigned int high, char* buffer);

// A listing of the entries matching the pattern's last component (`*` and `?`,
// case-insensitive) in the directory before it. Entries whose attributes share
// no bit with attrMask are skipped (AttrNormal counts for plain files). Each
// call returns 1 with the entry in entry->Data, or 0 at the end, when the
// listing has closed itself. CloseEntryA ends a listing early.
TQ_API unsigned char ReadFirstEntryA(unsigned int patternHigh, const char* pattern,
                                     unsigned int attrMask, DirEntryA* entry);
TQ_API unsigned char ReadNextEntryA(DirEntryA* entry);
TQ_API void CloseEntryA(DirEntryA* entry);

// --- File times (UTC) ------------------------------------------------------------

// The last-write time; zero on failure.
TQ_API FILETIME GetFileTime(void* handle);
TQ_API unsigned char SetFileTime(void* handle, FILETIME time);
TQ_API FILETIME GetCurrentFileTime();
TQ_API unsigned char GetFileTime2(void* handle, unsigned short* year, unsigned short* month,
                                  unsigned short* day, unsigned short* hour, unsigned short* minute,
                                  unsigned short* second, unsigned short* millisecond);
TQ_API unsigned char SetFileTime2(void* handle, unsigned short year, unsigned short month,
                                  unsigned short day, unsigned short hour, unsigned short minute,
                                  unsigned short second, unsigned short millisecond);

// --- Binary ------------------------------------------------------------------------

// The number of bytes transferred.
TQ_API unsigned int RdBin(void* handle, unsigned int reserved, void* buffer, unsigned int count);
TQ_API unsigned int WrBin(void* handle, unsigned int reserved, const void* buffer,
                          unsigned int count);

// --- Text reading ---------------------------------------------------------------------
// W forms read 16-bit little-endian units. `ok` may be null.

// One character; 0 with ok 0 at the end of the file.
TQ_API char RdCharA(void* handle, unsigned char* ok);
TQ_API char16_t RdCharW(void* handle, unsigned char* ok);
// One line: up to EOLA or 26 (consumed); CR and LF are dropped; at most
// high + 1 characters (the rest comes with the next call). Returns 0 when the
// file was already at its end (the string is then empty).
TQ_API unsigned char RdStrA(void* handle, unsigned int high, char* buffer);
TQ_API unsigned char RdStrW(void* handle, unsigned int high, char16_t* buffer);
// One item: separators skipped, then characters up to a separator (consumed),
// the end, 26, or CR (consumed with the character after it). Returns 0 when
// no character of an item was found.
TQ_API unsigned char RdItemA(void* handle, unsigned int high, char* buffer);
TQ_API unsigned char RdItemW(void* handle, unsigned int high, char16_t* buffer);

// Typed readers: one item of up to 80 characters converted. ok 0 when the
// conversion fails or the value lies outside the named width; the value is
// returned anyway (so RdCard8A of "300" returns 300 with ok 0).
TQ_API unsigned int RdCard8A(void* handle, unsigned char* ok);
TQ_API unsigned int RdCard16A(void* handle, unsigned char* ok);
TQ_API unsigned int RdCard32A(void* handle, unsigned char* ok);
TQ_API int RdInt8A(void* handle, unsigned char* ok);
TQ_API int RdInt16A(void* handle, unsigned char* ok);
TQ_API int RdInt32A(void* handle, unsigned char* ok);
TQ_API unsigned int RdHex8A(void* handle, unsigned char* ok);
TQ_API unsigned int RdHex16A(void* handle, unsigned char* ok);
TQ_API unsigned int RdHex32A(void* handle, unsigned char* ok);
TQ_API float RdRealA(void* handle, unsigned char* ok);
TQ_API double RdLngRealA(void* handle, unsigned char* ok);
// "TRUE" or "FALSE", case-sensitive.
TQ_API unsigned char RdBoolA(void* handle, unsigned char* ok);

TQ_API unsigned int RdCard8W(void* handle, unsigned char* ok);
TQ_API unsigned int RdCard16W(void* handle, unsigned char* ok);
TQ_API unsigned int RdCard32W(void* handle, unsigned char* ok);
TQ_API int RdInt8W(void* handle, unsigned char* ok);
TQ_API int RdInt16W(void* handle, unsigned char* ok);
TQ_API int RdInt32W(void* handle, unsigned char* ok);
TQ_API unsigned int RdHex8W(void* handle, unsigned char* ok);
TQ_API unsigned int RdHex16W(void* handle, unsigned char* ok);
TQ_API unsigned int RdHex32W(void* handle, unsigned char* ok);
TQ_API float RdRealW(void* handle, unsigned char* ok);
TQ_API double RdLngRealW(void* handle, unsigned char* ok);
TQ_API unsigned char RdBoolW(void* handle, unsigned char* ok);

// --- Text writing -----------------------------------------------------------------------
// Each returns 1 when everything was written. Width: positive right-justifies
// (PrefixChar in front), negative left-justifies (SuffixChar behind), 0 writes
// bare. A text longer than |width| is written whole, or with ChopOff 1 as
// |width| '?' (at most 256). Number writers write nothing when the conversion
// fails.

TQ_API unsigned char WrStrAdjA(void* handle, unsigned int high, const char* s, int width);
TQ_API unsigned char WrStrA(void* handle, unsigned int high, const char* s);
TQ_API unsigned char WrCharA(void* handle, char c);
TQ_API unsigned char WrCharRepA(void* handle, char c, unsigned int count);
// CR LF.
TQ_API unsigned char WrLnA(void* handle);
TQ_API unsigned char WrCard8A(void* handle, unsigned char value, int width);
TQ_API unsigned char WrCard16A(void* handle, unsigned short value, int width);
TQ_API unsigned char WrCard32A(void* handle, unsigned int value, int width);
TQ_API unsigned char WrInt8A(void* handle, signed char value, int width);
TQ_API unsigned char WrInt16A(void* handle, short value, int width);
TQ_API unsigned char WrInt32A(void* handle, int value, int width);
// Upper case, no prefix, no leading zeros.
TQ_API unsigned char WrHex8A(void* handle, unsigned char value, int width);
TQ_API unsigned char WrHex16A(void* handle, unsigned short value, int width);
TQ_API unsigned char WrHex32A(void* handle, unsigned int value, int width);
// Scientific form with `digits` significant digits (Str::RealToStrA with Eng).
TQ_API unsigned char WrRealA(void* handle, float value, unsigned int digits, int width);
TQ_API unsigned char WrLngRealA(void* handle, double value, unsigned int digits, int width);
// Fixed point with `decimals` decimals.
TQ_API unsigned char WrFixRealA(void* handle, float value, unsigned int decimals, int width);
TQ_API unsigned char WrFixLngRealA(void* handle, double value, unsigned int decimals, int width);
// "TRUE" or "FALSE".
TQ_API unsigned char WrBoolA(void* handle, unsigned char value, int width);

TQ_API unsigned char WrStrAdjW(void* handle, unsigned int high, const char16_t* s, int width);
TQ_API unsigned char WrStrW(void* handle, unsigned int high, const char16_t* s);
TQ_API unsigned char WrCharW(void* handle, char16_t c);
TQ_API unsigned char WrCharRepW(void* handle, char16_t c, unsigned int count);
// CR LF as two 16-bit units.
TQ_API unsigned char WrLnW(void* handle);
TQ_API unsigned char WrCard8W(void* handle, unsigned char value, int width);
TQ_API unsigned char WrCard16W(void* handle, unsigned short value, int width);
TQ_API unsigned char WrCard32W(void* handle, unsigned int value, int width);
TQ_API unsigned char WrInt8W(void* handle, signed char value, int width);
TQ_API unsigned char WrInt16W(void* handle, short value, int width);
TQ_API unsigned char WrInt32W(void* handle, int value, int width);
TQ_API unsigned char WrHex8W(void* handle, unsigned char value, int width);
TQ_API unsigned char WrHex16W(void* handle, unsigned short value, int width);
TQ_API unsigned char WrHex32W(void* handle, unsigned int value, int width);
TQ_API unsigned char WrRealW(void* handle, float value, unsigned int digits, int width);
TQ_API unsigned char WrLngRealW(void* handle, double value, unsigned int digits, int width);
TQ_API unsigned char WrFixRealW(void* handle, float value, unsigned int decimals, int width);
TQ_API unsigned char WrFixLngRealW(void* handle, double value, unsigned int decimals, int width);
TQ_API unsigned char WrBoolW(void* handle, unsigned char value, int width);

}  // namespace FIO
