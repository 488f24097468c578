// Conversion of 8-bit text between the Central European code pages. Each
// (source, target) pair has its own 128-entry table for the bytes 0x80-0xFF,
// built at compile time from the code pages' Unicode tables: a character maps
// to the byte of the same character in the target, or to a space when the
// target lacks it; for plain ASCII an accented letter becomes its plain
// letter and everything else keeps its byte.
#include <array>
#include <cstring>

#include "containers/vcom_codepage_tables.h"
#include "tqusb/containers/vcom.h"
#include "tqusb/runtime/str.h"

namespace vcom {

namespace {

using namespace codepage;

constexpr unsigned int kPages = 4;  // code pages 1-4; 5 (ASCII) is a target only
constexpr const char16_t* kPageTables[kPages] = {kWin1250, kLatin2PC, kKamenicky, kKOI8CS};

using TTable = std::array<unsigned char, 128>;

constexpr unsigned char ToPlain(unsigned char byte, char16_t code) {
  for (const TPlainLetter& p : kPlainLetters) {
    if (p.code == code) return static_cast<unsigned char>(p.letter);
  }
  return byte;
}

constexpr unsigned char ToPage(char16_t code, const char16_t* target) {
  if (code == 0) return ' ';
  for (unsigned int i = 0; i < 128; ++i) {
    if (target[i] == code) return static_cast<unsigned char>(128 + i);
  }
  return ' ';
}

constexpr TTable BuildTable(unsigned int from, unsigned int to) {
  TTable table{};
  for (unsigned int i = 0; i < 128; ++i) {
    const char16_t code = kPageTables[from - 1][i];
    const auto byte = static_cast<unsigned char>(128 + i);
    table[i] = to == cpASCII ? ToPlain(byte, code) : ToPage(code, kPageTables[to - 1]);
  }
  return table;
}

// kTables[from - 1][to - 1]; the diagonal (from == to) is never used.
constexpr auto kTables = [] {
  std::array<std::array<TTable, kPages + 1>, kPages> tables{};
  for (unsigned int from = 1; from <= kPages; ++from) {
    for (unsigned int to = 1; to <= kPages + 1; ++to) {
      if (from != to) tables[from - 1][to - 1] = BuildTable(from, to);
    }
  }
  return tables;
}();

}  // namespace

void ConvertBuffer(void* buffer, unsigned int length, unsigned int from, unsigned int to) {
  if (buffer == nullptr || length == 0 || from == to) return;
  if (from < 1 || from > kPages || to < 1 || to > cpASCII) return;
  const TTable& table = kTables[from - 1][to - 1];
  auto* bytes = static_cast<unsigned char*>(buffer);
  for (unsigned int i = 0; i < length; ++i) {
    if (bytes[i] >= 128) bytes[i] = table[bytes[i] - 128];
  }
}

void ConvertString(unsigned int high, char* s, unsigned int from, unsigned int to) {
  if (s == nullptr) return;
  ConvertBuffer(s, Str::LengthA(high, s), from, to);
}

}  // namespace vcom
