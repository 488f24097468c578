#pragma once
// The module variables that the A and W text operations use, by character type.
#include "tqusb/files/fio.h"

namespace files {

template <typename Ch>
struct TextTraits;

template <>
struct TextTraits<char> {
  static char Eol() { return FIO::EOLA; }
  static char Prefix() { return FIO::PrefixCharA; }
  static char Suffix() { return FIO::SuffixCharA; }
  static bool IsSeparator(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (FIO::SeparatorsA[u >> 3] >> (u & 7)) & 1;
  }
};

template <>
struct TextTraits<char16_t> {
  static char16_t Eol() { return FIO::EOLW; }
  static char16_t Prefix() { return FIO::PrefixCharW; }
  static char16_t Suffix() { return FIO::SuffixCharW; }
  // Units of 128 and above are never separators.
  static bool IsSeparator(char16_t c) {
    return c < 128 && ((FIO::SeparatorsW[c >> 3] >> (c & 7)) & 1);
  }
};

}  // namespace files
