#pragma once
// vcom: small shared pieces: integer and float rectangles, list elements that
// carry strings, minimum/maximum and word-splitting helpers, clipboard text,
// the path of a loaded module, system error texts, the library's compiled-in
// resources, and 8-bit text conversion between four Central European code
// pages and plain ASCII.
//
// Strings are (high index, buffer) pairs: the highest usable index and the
// buffer; a full buffer carries no terminator.
#include "tqusb/containers/vlist.h"
#include "tqusb/export.h"

namespace vcom {

// ---------------------------------------------------------------------------
// Rectangles. Y grows downward: the right edge is x + width, the bottom edge
// y + height. Set operations use 64-bit intermediates and wrap to 32 bits, so
// no input overflows.

struct TPoint {
  int x;
  int y;
};

struct TPointF {
  float x;
  float y;
};

class TQ_API CRect {
 public:
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  void Init(int x, int y, int width, int height);
  void Clear();
  // 1 when width < 1 or height < 1.
  unsigned char Empty() const;
  unsigned char Equals(const CRect* other) const;
  unsigned char SameSize(const CRect* other) const;
  // x <= p.x < x + width and y <= p.y < y + height.
  unsigned char InRect(TPoint p) const;
  // The other rectangle lies wholly inside (edges may touch).
  unsigned char Contains(const CRect* other) const;
  // The two overlap with a positive area; touching edges do not count.
  unsigned char Intersect(const CRect* other) const;
  // This := the intersection (width and height at least 0).
  void AndRect(const CRect* other);
  // This := the bounding rectangle of both.
  void OrRect(const CRect* other);
  void Move(int dx, int dy);
  // Grow toward a corner (the opposite corner stays) or about the centre.
  void ZoomTL(int dx, int dy);
  void ZoomTR(int dx, int dy);
  void ZoomBL(int dx, int dy);
  void ZoomBR(int dx, int dy);
  void ZoomCenter(int dx, int dy);
  // Scale by the display's DPI / 96 (x and width horizontally, y and height
  // vertically), truncating.
  void AdjustRectToDPI();
  void AdjustWDToDPI(int* w, int* h);
};

class TQ_API CRectF {
 public:
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
  unsigned char sizeChanged = 0;

  void Init(float x, float y, float width, float height);
  void Clear();
  // 1 when width <= 0 or height <= 0.
  unsigned char Empty() const;
  unsigned char Equals(const CRectF* other) const;
  unsigned char SameSize(const CRectF* other) const;
  unsigned char InRect(TPointF p) const;
  unsigned char Contains(const CRectF* other) const;
  unsigned char Intersect(const CRectF* other) const;
  void AndRect(const CRectF* other);
  void OrRect(const CRectF* other);
  void Move(float dx, float dy);
  void ZoomTL(float dx, float dy);
  void ZoomTR(float dx, float dy);
  void ZoomBL(float dx, float dy);
  void ZoomBR(float dx, float dy);
  void ZoomCenter(float dx, float dy);
  // Copies an integer rectangle in; raises the size-changed flag when its
  // width or height differs from the previous one.
  void LoadRect(const CRect* r);
  // Returns the size-changed flag and clears it.
  unsigned char SizeChanged();
};

// ---------------------------------------------------------------------------
// List elements carrying strings (elements of vlist::CList). Copying copies
// every field, the links included, as vlist elements do. The constructors are
// out of line so that the library holds the classes' virtual tables.

class TQ_API CCommonStringListElem : public vlist::CListElem {
 public:
  // Free for the owner's use; zeroed by the constructor.
  unsigned int id = 0;
  unsigned int flags = 0;
  void* data = nullptr;

  CCommonStringListElem();
};

class TQ_API CStringListElemA : public CCommonStringListElem {
 public:
  static constexpr unsigned int kHigh = 79;
  char text[kHigh + 1] = {};

  CStringListElemA();
  // The string cut to 80 characters.
  CStringListElemA(unsigned int high, const char* s);
};

class TQ_API CStringListElem255A : public CCommonStringListElem {
 public:
  static constexpr unsigned int kHigh = 255;
  char text[kHigh + 1] = {};

  CStringListElem255A();
  CStringListElem255A(unsigned int high, const char* s);
};

// The string lives elsewhere; the element only points at it and never frees it.
class TQ_API CDStringListElemA : public CCommonStringListElem {
 public:
  char* text = nullptr;

  CDStringListElemA();
  explicit CDStringListElemA(char* s);
};

// ---------------------------------------------------------------------------
// Minimum and maximum, and the halves of 16- and 32-bit values.

TQ_API unsigned int MinCard(unsigned int a, unsigned int b);
TQ_API unsigned int MaxCard(unsigned int a, unsigned int b);
TQ_API int MinInt(int a, int b);
TQ_API int MaxInt(int a, int b);
TQ_API unsigned long long MinCard64(unsigned long long a, unsigned long long b);
TQ_API unsigned long long MaxCard64(unsigned long long a, unsigned long long b);
TQ_API unsigned long long MinCardPtr(unsigned long long a, unsigned long long b);
TQ_API unsigned long long MaxCardPtr(unsigned long long a, unsigned long long b);
TQ_API long long MinInt64(long long a, long long b);
TQ_API long long MaxInt64(long long a, long long b);
TQ_API long long MinIntPtr(long long a, long long b);
TQ_API long long MaxIntPtr(long long a, long long b);
TQ_API float MinReal(float a, float b);
TQ_API float MaxReal(float a, float b);

TQ_API unsigned char LoByte(unsigned short v);
TQ_API unsigned char HiByte(unsigned short v);
TQ_API unsigned short LoWord(unsigned int v);
TQ_API unsigned short HiWord(unsigned int v);
TQ_API unsigned int LoCard(unsigned int v);
TQ_API unsigned int HiCard(unsigned int v);
// The halves read as signed 16-bit numbers.
TQ_API int LoInt(unsigned int v);
TQ_API int HiInt(unsigned int v);

// A spare exported variable.
TQ_API extern unsigned int Dummy;

// ---------------------------------------------------------------------------
// Clipboard text. The clipboard belongs to the process: text copied here can
// be pasted by any thread of the same process.

// Replaces the clipboard text with `size` bytes of data (a zero is added).
TQ_API void TextClipCopyA(const void* data, unsigned long long size);
TQ_API void StringClipCopyA(unsigned int high, const char* s);
// The clipboard text up to its first zero, cut to the buffer; empty when the
// clipboard holds no text.
TQ_API void StringClipPasteA(unsigned int high, char* s);
// A copy of the clipboard text up to its first zero (allocated with
// Storage::Allocate, terminated; the caller frees it) and its length; null
// and 0 when the clipboard holds no text.
TQ_API void TextClipPasteA(void** data, unsigned long long* size);

// ---------------------------------------------------------------------------
// Module path, error texts, resources.

// The full file name of the loaded module `name` (the file name of a loaded
// shared object, with or without its directory and its ".so" suffixes; an
// empty name is the program itself); 1 on success. Otherwise path := name, 0.
TQ_API unsigned char GetModulePathA(unsigned int nameHigh, const char* name, unsigned int pathHigh,
                                    char* path);
TQ_API unsigned char GetModulePathW(unsigned int nameHigh, const char16_t* name,
                                    unsigned int pathHigh, char16_t* path);

// The system's text for an error code as FIO::IOresult reports it (the
// common Windows file error codes, mapped to this system's errno texts);
// trailing control characters removed. Empty for a code without a text.
TQ_API void GetErrorMessageA(unsigned int code, unsigned int high, char* buffer);
TQ_API void GetErrorMessageW(unsigned int code, unsigned int high, char16_t* buffer);

// Resources compiled into the library. A name or type below 0x10000 is a
// number (as MAKEINTRESOURCE gives), "#n" names the number n, other names
// compare without regard to ASCII case. The module argument is not used: the
// library's own resources are the only ones. Returns the resource's bytes
// (read-only) and their count, or null and 0.
TQ_API void* GetResourceA(void* module, const char* name, const char* type, unsigned int* size);
TQ_API void* GetResourceByNameA(void* module, unsigned int nameHigh, const char* name,
                                unsigned int typeHigh, const char* type, unsigned int* size);
TQ_API void* GetResourceByRefA(void* module, unsigned int id, unsigned int typeHigh,
                               const char* type, unsigned int* size);

// The library's version resource: type 16 (RT_VERSION), number 1, holding a
// fixed file information record (signature 0xFEEF04BD, then the file and
// product versions as two 32-bit words each, major/minor and release/build).
inline constexpr unsigned int kResourceTypeVersion = 16;
inline constexpr unsigned int kResourceVersionId = 1;

// ---------------------------------------------------------------------------
// 8-bit text conversion between Central European code pages.

enum : unsigned int {
  cpWin1250 = 1,    // Windows-1250
  cpLatin2PC = 2,   // code page 852
  cpKamenicky = 3,  // Kamenicky (KEYBCS2)
  cpKOI8CS = 4,     // KOI8-CS
  cpASCII = 5,      // plain ASCII, only as a target
};

// Converts bytes 128-255 in place; a character the target lacks becomes a
// space, for ASCII an accented letter becomes its plain letter and other
// characters stay as they are. Nothing happens when from == to, from is
// ASCII, either is outside 1-5, or length is 0.
TQ_API void ConvertBuffer(void* buffer, unsigned int length, unsigned int from, unsigned int to);
TQ_API void ConvertString(unsigned int high, char* s, unsigned int from, unsigned int to);

}  // namespace vcom
