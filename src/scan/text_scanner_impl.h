#pragma once
// The INI scanner's operations, written once for both widths. `S` is
// CTextScanner or CTextScannerW, `E` its line element, `Char` its character.
// Loading and saving the file differ by width and are passed in as an `IO`
// type with
//   static bool Open(S&, Line callback)   reads every line, false if no file
//   static bool Save(S&)                  writes every element
#include <string>

#include "scan/scan_text.h"
#include "tqusb/containers/vcom.h"
#include "tqusb/scan/vscan_text.h"

namespace vscan::detail {

// Line buffer of the reader: 256 characters.
inline constexpr unsigned kLineHigh = 255;
// Numbers are read and written in 32 characters, rectangles in 80.
inline constexpr unsigned kNumberText = 31;
inline constexpr unsigned kRectText = 79;

template <class S, class E, class Char>
struct TextOps {
  using T = Text<Char>;

  static E* Next(const E* e) { return e == nullptr ? nullptr : static_cast<E*>(e->next); }
  static E* First(S& s) { return static_cast<E*>(s.Lines.first); }
  static bool IsHeader(const E* e) { return e != nullptr && e->Section; }
  static bool Same(const Char* field, unsigned fieldHigh, unsigned high, const Char* name) {
    return name != nullptr && T::Compare(fieldHigh, field, high, name) == 0;
  }

  // --- the line list -------------------------------------------------------------

  // Parses one line (256 characters at most) into a new element; null for a
  // line that is dropped (empty, or '[' without ']').
  static E* ParseLine(Char* line) {
    T::Trim(kLineHigh, line);
    unsigned length = T::Length(kLineHigh, line);
    if (length == 0) return nullptr;
    if (line[0] == Char('[')) {
      unsigned close = T::CharPos(kLineHigh, line, Char(']'));
      if (close == Str::NotFound) return nullptr;
      E* e = new E;
      e->Section = 1;
      T::Slice(TextKeyHigh, e->Key, kLineHigh, line, 1, close - 1);
      return e;
    }
    E* e = new E;
    unsigned equals = T::CharPos(kLineHigh, line, Char('='));
    if (equals == Str::NotFound) {
      e->Plain = 1;
      T::Copy(TextKeyHigh, e->Key, kLineHigh, line);
      T::Copy(TextValueHigh, e->Value, kLineHigh, line);
      return e;
    }
    Char part[kLineHigh + 1];
    T::Slice(kLineHigh, part, kLineHigh, line, 0, equals);
    T::Trim(kLineHigh, part);
    T::Copy(TextKeyHigh, e->Key, kLineHigh, part);
    T::Slice(kLineHigh, part, kLineHigh, line, equals + 1, length);
    T::Trim(kLineHigh, part);
    T::Copy(TextValueHigh, e->Value, kLineHigh, part);
    return e;
  }

  // Editors often put a UTF-8 byte-order mark in front of an 8-bit file; it
  // would hide a section header on the first line.
  static void SkipUtf8Mark(Char* line) {
    const bool mark = sizeof(Char) == 1 ? (static_cast<unsigned char>(line[0]) == 0xEF &&
                                           static_cast<unsigned char>(line[1]) == 0xBB &&
                                           static_cast<unsigned char>(line[2]) == 0xBF)
                                        : line[0] == static_cast<Char>(0xFEFF);
    if (mark) T::Slice(kLineHigh, line, kLineHigh, line, sizeof(Char) == 1 ? 3 : 1, kLineHigh);
  }

  static void Dispose(S& s) {
    s.Lines.DisposeList();
    s.Section = s.Cursor = nullptr;
  }

  static void Remove(S& s, E* e) {
    s.Lines.active = e;
    s.Lines.Remove();
    delete e;
  }

  // Links `e` behind the last line of the current section.
  static void InsertAtSectionEnd(S& s, E* e) {
    E* last = s.Section;
    while (Next(last) != nullptr && !IsHeader(Next(last))) last = Next(last);
    s.Lines.active = Next(last);
    s.Lines.InsertBefore(e);  // appends when there is no next element
  }

  static E* FindHeader(S& s, unsigned high, const Char* name) {
    for (E* e = First(s); e != nullptr; e = Next(e))
      if (e->Section && Same(e->Key, TextKeyHigh, high, name)) return e;
    return nullptr;
  }

  static E* FindKey(S& s, unsigned high, const Char* key) {
    for (E* e = Next(s.Section); e != nullptr && !e->Section; e = Next(e))
      if (Same(e->Key, TextKeyHigh, high, key)) return e;
    return nullptr;
  }

  // The first line of the current section for walking it.
  static E* SectionStart(S& s) { return IsHeader(s.Section) ? Next(s.Section) : s.Section; }

  // --- lifecycle ---------------------------------------------------------------

  template <class IO>
  static unsigned char Init(S& s, unsigned fileHigh, const Char* fileName) {
    Dispose(s);
    s.Modified = 0;
    s.FileName[0] = Char{};
    if (fileName != nullptr) T::Copy(TextFileNameHigh, s.FileName, fileHigh, fileName);
    bool first = true;
    bool opened = IO::Open(s, [&](Char* line) {
      if (first) SkipUtf8Mark(line);
      first = false;
      if (E* e = ParseLine(line)) s.Lines.Append(e);
    });
    if (!opened) Dispose(s);  // a file read only in part counts as absent
    s.Section = First(s);
    s.Cursor = Next(s.Section);
    return opened;
  }

  static unsigned char Create(S& s, unsigned sectionHigh, const Char* section, unsigned fileHigh,
                              const Char* fileName) {
    Dispose(s);
    s.FileName[0] = Char{};
    if (fileName != nullptr) T::Copy(TextFileNameHigh, s.FileName, fileHigh, fileName);
    if (T::Length(sectionHigh, section) > 0) {
      E* e = new E;
      e->Section = 1;
      T::Copy(TextKeyHigh, e->Key, sectionHigh, section);
      s.Lines.Append(e);
      s.Section = e;
    }
    s.Modified = 1;
    return 1;
  }

  static void Done(S& s) {
    Dispose(s);
    s.Modified = 0;
  }

  // --- sections ----------------------------------------------------------------

  static unsigned char SetSection(S& s, unsigned high, const Char* name) {
    E* header = FindHeader(s, high, name);
    s.Section = header != nullptr ? header : First(s);
    s.Cursor = Next(s.Section);
    return header != nullptr;
  }

  static unsigned char CreateSection(S& s, unsigned high, const Char* name) {
    if (SetSection(s, high, name)) return 1;
    E* e = new E;
    e->Section = 1;
    if (name != nullptr) T::Copy(TextKeyHigh, e->Key, high, name);
    s.Lines.Append(e);
    s.Section = e;
    s.Cursor = nullptr;
    s.Modified = 1;
    return 1;
  }

  static unsigned char ClearSection(S& s, unsigned high, const Char* name) {
    E* header = FindHeader(s, high, name);
    if (header == nullptr) return 0;
    while (Next(header) != nullptr && !IsHeader(Next(header))) Remove(s, Next(header));
    s.Cursor = Next(header);
    s.Modified = 1;
    return 1;
  }

  static unsigned char DeleteSection(S& s, unsigned high, const Char* name) {
    E* header = FindHeader(s, high, name);
    if (header == nullptr) return 0;
    ClearSection(s, high, name);
    Remove(s, header);
    s.Section = First(s);
    s.Cursor = Next(s.Section);
    return 1;
  }

  // --- look-ups ----------------------------------------------------------------

  static unsigned char GetStr(S& s, unsigned keyHigh, const Char* key, unsigned valueHigh,
                              Char* value) {
    E* e = FindKey(s, keyHigh, key);
    if (e == nullptr || value == nullptr) return 0;
    T::Copy(valueHigh, value, TextValueHigh, e->Value);
    return 1;
  }

  // Reads the value into 32 characters and converts it with `parse`; the
  // output is written only for a good parse.
  template <class V, class Parse>
  static unsigned char GetNumber(S& s, unsigned keyHigh, const Char* key, V* value, Parse parse) {
    Char text[kNumberText + 1];
    if (value == nullptr || !GetStr(s, keyHigh, key, kNumberText, text)) return 0;
    unsigned char ok = 0;
    V v = static_cast<V>(parse(text, &ok));
    if (ok) *value = v;
    return ok;
  }

  static unsigned char GetBool(S& s, unsigned keyHigh, const Char* key, unsigned char* value) {
    Char text[kNumberText + 1];
    if (value == nullptr || !GetStr(s, keyHigh, key, kNumberText, text)) return 0;
    T::Caps(kNumberText, text);
    for (const char* word : {"0", "FALSE", "1", "TRUE"}) {
      std::basic_string<Char> w = T::Literal(word);
      if (T::Compare(kNumberText, text, static_cast<unsigned>(w.size()), w.c_str()) == 0) {
        *value = word[0] == '1' || word[0] == 'T';
        return 1;
      }
    }
    return 0;
  }

  static unsigned char GetRect(S& s, unsigned keyHigh, const Char* key, vcom::CRect* value) {
    Char text[kRectText + 1], item[kRectText + 1];
    if (value == nullptr || !GetStr(s, keyHigh, key, kRectText, text)) return 0;
    int v[4];
    for (unsigned i = 0; i < 4; ++i) {
      T::Item(kRectText, item, kRectText, text, " ,;", i);
      unsigned char ok = 0;
      v[i] = T::StrToInt(kRectText, item, 10, &ok);
      if (!ok) return 0;
    }
    value->Init(v[0], v[1], v[2], v[3]);
    return 1;
  }

  // --- edits -------------------------------------------------------------------

  static E* NewKey(unsigned keyHigh, const Char* key, unsigned valueHigh, const Char* value) {
    E* e = new E;
    if (key != nullptr) T::Copy(TextKeyHigh, e->Key, keyHigh, key);
    if (value != nullptr) T::Copy(TextValueHigh, e->Value, valueHigh, value);
    return e;
  }

  static unsigned char SetStr(S& s, unsigned keyHigh, const Char* key, unsigned valueHigh,
                              const Char* value) {
    if (s.Section == nullptr) return 0;
    if (E* e = FindKey(s, keyHigh, key)) {
      e->Value[0] = Char{};
      if (value != nullptr) T::Copy(TextValueHigh, e->Value, valueHigh, value);
    } else {
      InsertAtSectionEnd(s, NewKey(keyHigh, key, valueHigh, value));
    }
    s.Modified = 1;
    return 1;
  }

  static unsigned char AddLine(S& s, unsigned keyHigh, const Char* key, unsigned valueHigh,
                               const Char* value) {
    if (s.Section == nullptr) return 0;
    InsertAtSectionEnd(s, NewKey(keyHigh, key, valueHigh, value));
    s.Modified = 1;
    return 1;
  }

  // Formats into 32 characters with `format` and stores the text.
  template <class Format>
  static unsigned char SetNumber(S& s, unsigned keyHigh, const Char* key, Format format) {
    Char text[kNumberText + 1] = {};
    unsigned char ok = 0;
    format(text, &ok);
    if (!ok) return 0;
    T::Trim(kNumberText, text);
    return SetStr(s, keyHigh, key, kNumberText, text);
  }

  static unsigned char SetBool(S& s, unsigned keyHigh, const Char* key, unsigned char value) {
    std::basic_string<Char> text = T::Literal(value ? "TRUE" : "FALSE");
    return SetStr(s, keyHigh, key, static_cast<unsigned>(text.size()), text.c_str());
  }

  static unsigned char SetRect(S& s, unsigned keyHigh, const Char* key, const vcom::CRect& r) {
    Char text[kRectText + 1] = {}, number[kNumberText + 1];
    std::basic_string<Char> comma = T::Literal(", ");
    const int v[4] = {r.x, r.y, r.width, r.height};
    for (unsigned i = 0; i < 4; ++i) {
      unsigned char ok = 0;
      T::IntToStr(v[i], kNumberText, number, 10, &ok);
      if (i > 0) T::Append(kRectText, text, static_cast<unsigned>(comma.size()), comma.c_str());
      T::Append(kRectText, text, kNumberText, number);
    }
    return SetStr(s, keyHigh, key, kRectText, text);
  }

  // --- walking -----------------------------------------------------------------

  static void Clear(unsigned high, Char* text) {
    (void)high;
    if (text != nullptr) text[0] = Char{};
  }

  static unsigned char GetNextLine(S& s, unsigned keyHigh, Char* key, unsigned valueHigh,
                                   Char* value) {
    E* e = s.Cursor;
    if (e == nullptr || e->Section) return 0;
    if (key != nullptr) T::Copy(keyHigh, key, TextKeyHigh, e->Key);
    if (value != nullptr) T::Copy(valueHigh, value, TextValueHigh, e->Value);
    s.Cursor = Next(e);
    return 1;
  }

  static unsigned char GetFirstLine(S& s, unsigned keyHigh, Char* key, unsigned valueHigh,
                                    Char* value) {
    Clear(keyHigh, key);
    Clear(valueHigh, value);
    s.Cursor = SectionStart(s);
    return GetNextLine(s, keyHigh, key, valueHigh, value);
  }

  static unsigned char GetNextKeyStr(S& s, unsigned keyHigh, const Char* key, unsigned valueHigh,
                                     Char* value) {
    E* e = s.Cursor;
    for (; e != nullptr && !e->Section; e = Next(e)) {
      if (!Same(e->Key, TextKeyHigh, keyHigh, key)) continue;
      if (value != nullptr) T::Copy(valueHigh, value, TextValueHigh, e->Value);
      s.Cursor = Next(e);
      return 1;
    }
    s.Cursor = e;
    return 0;
  }

  static unsigned char GetFirstKeyStr(S& s, unsigned keyHigh, const Char* key, unsigned valueHigh,
                                      Char* value) {
    s.Cursor = SectionStart(s);
    return GetNextKeyStr(s, keyHigh, key, valueHigh, value);
  }

  template <class IO>
  static unsigned char SaveModified(S& s) {
    return !s.Modified || IO::Save(s);
  }

  template <class IO>
  static unsigned char SaveAs(S& s, unsigned fileHigh, const Char* fileName) {
    s.FileName[0] = Char{};
    if (fileName != nullptr) T::Copy(TextFileNameHigh, s.FileName, fileHigh, fileName);
    return SaveModified<IO>(s);
  }
};

}  // namespace vscan::detail
