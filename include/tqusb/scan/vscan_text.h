#pragma once
// vscan INI text scanners: a sectioned `key = value` file loaded completely
// into a list of line elements, typed look-ups within a current section,
// edits, and a save of the whole list when it was modified.
//
// File format: lines end in LF (CR is dropped, Ctrl-Z ends a line); a line
// longer than 256 characters continues as the next line. Lines are trimmed;
// empty ones are dropped. `[name]` starts a section (text after `]` is
// dropped; `[` without `]` drops the line). Other lines split at the first
// `=` into key (80 characters) and value (256); a line without `=` is a plain
// line, kept and written back as its first 80 characters. There is no comment
// syntax. Names compare case-sensitively; a key may repeat.
//
// CTextScanner reads 8-bit (UTF-8) files and UTF-16 files (with or without a
// byte-order mark) and writes 8-bit text; CTextScannerW keeps UTF-16 and
// writes UTF-16 with a mark when the file was UTF-16 or SetSaveUnicode(1).
// A save writes a temporary file beside the old one and renames it over, so a
// crash leaves the old or the new text, where that keeps the file what it was:
// a symbolic link stays and its target gets the text; a file with other hard
// links, of another owner, whose mode or group a new file cannot take, or in
// a directory this user may not write is rewritten in place instead.
//
// Init reads only a regular file of at most 256 KiB, opened without blocking;
// a FIFO, a device, a directory or a larger file counts as missing.
//
// The scanners have no destructor that frees lines: call Done before one goes
// away. Copying is not allowed (the copies would share the line elements).
#include "tqusb/containers/vlist.h"
#include "tqusb/export.h"

namespace vcom {
class CRect;
}

namespace vscan {

inline constexpr unsigned int TextKeyHigh = 79;
inline constexpr unsigned int TextValueHigh = 255;
inline constexpr unsigned int TextFileNameHigh = 259;

class TQ_API CDataListElem : public vlist::CListElem {
 public:
  unsigned char Section = 0;  // 1: a section header, its name in Key
  unsigned char Plain = 0;    // 1: a line without '=', its text in Key and Value
  char Key[TextKeyHigh + 1] = {};
  char Value[TextValueHigh + 1] = {};

  CDataListElem() = default;
  virtual ~CDataListElem();
};

class TQ_API CDataListElemW : public vlist::CListElem {
 public:
  char16_t Key[TextKeyHigh + 1] = {};
  char16_t Value[TextValueHigh + 1] = {};
  unsigned char Section = 0;
  unsigned char Plain = 0;

  CDataListElemW() = default;
  virtual ~CDataListElemW();
};

class TQ_API CTextScanner {
 public:
  char FileName[TextFileNameHigh + 1] = {};
  vlist::CList Lines;                // every line in file order, owned
  CDataListElem* Section = nullptr;  // where look-ups start: the current header
  CDataListElem* Cursor = nullptr;   // next line of GetNextLine / GetNextKeyStr
  unsigned char Modified = 0;

  CTextScanner() = default;
  CTextScanner(const CTextScanner&) = delete;
  CTextScanner& operator=(const CTextScanner&) = delete;

  // Loads the file; 0 (empty scanner, name kept) when it cannot be opened.
  unsigned char Init(unsigned int fileHigh, const char* fileName);
  // A new file with one section (none for an empty name); modified.
  unsigned char Create(unsigned int sectionHigh, const char* section, unsigned int fileHigh,
                       const char* fileName);
  void Done();

  // Missing: 0, and look-ups start behind the first line of the file.
  unsigned char SetSection(unsigned int nameHigh, const char* name);
  unsigned char CreateSection(unsigned int nameHigh, const char* name);
  unsigned char ClearSection(unsigned int nameHigh, const char* name);
  unsigned char DeleteSection(unsigned int nameHigh, const char* name);

  // Getters return 0 and leave the output alone when the key is missing or
  // its value does not parse.
  unsigned char GetKeyStr(unsigned int keyHigh, const char* key, unsigned int valueHigh,
                          char* value);
  // "0"/"FALSE" and "1"/"TRUE", any case.
  unsigned char GetKeyBool(unsigned int keyHigh, const char* key, unsigned char* value);
  unsigned char GetKeyCard(unsigned int keyHigh, const char* key, unsigned int* value);
  unsigned char GetKeyInt(unsigned int keyHigh, const char* key, int* value);
  unsigned char GetKeyCard64(unsigned int keyHigh, const char* key, unsigned long long* value);
  unsigned char GetKeyInt64(unsigned int keyHigh, const char* key, long long* value);
  unsigned char GetKeyCardPtr(unsigned int keyHigh, const char* key, unsigned long long* value);
  unsigned char GetKeyReal(unsigned int keyHigh, const char* key, double* value);
  // Four integers separated by blanks, commas or semicolons.
  unsigned char GetKeyRect(unsigned int keyHigh, const char* key, vcom::CRect* value);

  // Replaces the first value of the key in the current section, or adds the
  // key at the section's end; 0 when there is no current section element.
  unsigned char SetKeyStr(unsigned int keyHigh, const char* key, unsigned int valueHigh,
                          const char* value);
  unsigned char SetKeyBool(unsigned int keyHigh, const char* key, unsigned char value);
  unsigned char SetKeyCard(unsigned int keyHigh, const char* key, unsigned int value);
  unsigned char SetKeyInt(unsigned int keyHigh, const char* key, int value);
  unsigned char SetKeyCard64(unsigned int keyHigh, const char* key, unsigned long long value);
  unsigned char SetKeyInt64(unsigned int keyHigh, const char* key, long long value);
  unsigned char SetKeyCardPtr(unsigned int keyHigh, const char* key, unsigned long long value);
  unsigned char SetKeyReal(unsigned int keyHigh, const char* key, double value);
  unsigned char SetKeyRect(unsigned int keyHigh, const char* key, vcom::CRect value);
  // Adds the key at the section's end even when it exists.
  unsigned char AddLine(unsigned int keyHigh, const char* key, unsigned int valueHigh,
                        const char* value);

  // The lines of the current section in order (plain lines included).
  unsigned char GetFirstLine(unsigned int keyHigh, char* key, unsigned int valueHigh, char* value);
  unsigned char GetNextLine(unsigned int keyHigh, char* key, unsigned int valueHigh, char* value);
  // The values of one repeated key in order.
  unsigned char GetFirstKeyStr(unsigned int keyHigh, const char* key, unsigned int valueHigh,
                               char* value);
  unsigned char GetNextKeyStr(unsigned int keyHigh, const char* key, unsigned int valueHigh,
                              char* value);

  // Writes the file when modified (1 without writing otherwise); 0 when it
  // cannot be written, with lines and modified flag kept for a retry.
  unsigned char SaveModified();
  unsigned char SaveAs(unsigned int fileHigh, const char* fileName);
};

class TQ_API CTextScannerW {
 public:
  char16_t FileName[TextFileNameHigh + 1] = {};
  vlist::CList Lines;
  CDataListElemW* Section = nullptr;
  CDataListElemW* Cursor = nullptr;
  unsigned char Modified = 0;
  unsigned char UnicodeFile = 0;  // the file read was UTF-16
  unsigned char SaveUnicode = 0;  // write UTF-16 with a byte-order mark
  unsigned char UTF8Xlat = 0;     // stored only; reading and saving do not use it

  CTextScannerW() = default;
  CTextScannerW(const CTextScannerW&) = delete;
  CTextScannerW& operator=(const CTextScannerW&) = delete;

  unsigned char Init(unsigned int fileHigh, const char16_t* fileName);
  unsigned char Create(unsigned int sectionHigh, const char16_t* section, unsigned int fileHigh,
                       const char16_t* fileName);
  void Done();

  unsigned char SetSection(unsigned int nameHigh, const char16_t* name);
  unsigned char CreateSection(unsigned int nameHigh, const char16_t* name);
  unsigned char ClearSection(unsigned int nameHigh, const char16_t* name);
  unsigned char DeleteSection(unsigned int nameHigh, const char16_t* name);

  unsigned char GetKeyStr(unsigned int keyHigh, const char16_t* key, unsigned int valueHigh,
                          char16_t* value);
  unsigned char GetKeyBool(unsigned int keyHigh, const char16_t* key, unsigned char* value);
  unsigned char GetKeyCard(unsigned int keyHigh, const char16_t* key, unsigned int* value);
  unsigned char GetKeyInt(unsigned int keyHigh, const char16_t* key, int* value);
  unsigned char GetKeyCard64(unsigned int keyHigh, const char16_t* key, unsigned long long* value);
  unsigned char GetKeyInt64(unsigned int keyHigh, const char16_t* key, long long* value);
  unsigned char GetKeyCardPtr(unsigned int keyHigh, const char16_t* key, unsigned long long* value);
  unsigned char GetKeyReal(unsigned int keyHigh, const char16_t* key, double* value);
  unsigned char GetKeyRect(unsigned int keyHigh, const char16_t* key, vcom::CRect* value);

  unsigned char SetKeyStr(unsigned int keyHigh, const char16_t* key, unsigned int valueHigh,
                          const char16_t* value);
  unsigned char SetKeyBool(unsigned int keyHigh, const char16_t* key, unsigned char value);
  unsigned char SetKeyCard(unsigned int keyHigh, const char16_t* key, unsigned int value);
  unsigned char SetKeyInt(unsigned int keyHigh, const char16_t* key, int value);
  unsigned char SetKeyCard64(unsigned int keyHigh, const char16_t* key, unsigned long long value);
  unsigned char SetKeyInt64(unsigned int keyHigh, const char16_t* key, long long value);
  unsigned char SetKeyCardPtr(unsigned int keyHigh, const char16_t* key, unsigned long long value);
  unsigned char SetKeyReal(unsigned int keyHigh, const char16_t* key, double value);
  unsigned char SetKeyRect(unsigned int keyHigh, const char16_t* key, vcom::CRect value);
  unsigned char AddLine(unsigned int keyHigh, const char16_t* key, unsigned int valueHigh,
                        const char16_t* value);

  unsigned char GetFirstLine(unsigned int keyHigh, char16_t* key, unsigned int valueHigh,
                             char16_t* value);
  unsigned char GetNextLine(unsigned int keyHigh, char16_t* key, unsigned int valueHigh,
                            char16_t* value);
  unsigned char GetFirstKeyStr(unsigned int keyHigh, const char16_t* key, unsigned int valueHigh,
                               char16_t* value);
  unsigned char GetNextKeyStr(unsigned int keyHigh, const char16_t* key, unsigned int valueHigh,
                              char16_t* value);

  unsigned char SaveModified();
  unsigned char SaveAs(unsigned int fileHigh, const char16_t* fileName);
  void SetSaveUnicode(unsigned char value);
  void SetUTF8Xlat(unsigned char value);
};

}  // namespace vscan
