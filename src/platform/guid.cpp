#include "platform/guid.h"

#include <cstdio>

namespace platform {

std::string FormatGuid(const TGuid& g) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}", g.Data1,
                static_cast<unsigned>(g.Data2), static_cast<unsigned>(g.Data3), g.Data4[0],
                g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits at `pos`; false when one is not a hex digit.
bool ReadHex(std::string_view text, size_t pos, int digits, uint64_t* value) {
  uint64_t v = 0;
  for (int i = 0; i < digits; ++i) {
    int h = HexValue(text[pos + i]);
    if (h < 0) return false;
    v = v << 4 | static_cast<unsigned>(h);
  }
  *value = v;
  return true;
}

}  // namespace

bool ParseGuid(std::string_view t, TGuid* guid) {
  // {8-4-4-4-12}: 38 characters with the dashes at fixed places.
  if (t.size() != 38 || t[0] != '{' || t[37] != '}' || t[9] != '-' || t[14] != '-' ||
      t[19] != '-' || t[24] != '-')
    return false;
  uint64_t d1, d2, d3, d4a, d4b;
  if (!ReadHex(t, 1, 8, &d1) || !ReadHex(t, 10, 4, &d2) || !ReadHex(t, 15, 4, &d3) ||
      !ReadHex(t, 20, 4, &d4a) || !ReadHex(t, 25, 12, &d4b))
    return false;
  TGuid g;
  g.Data1 = static_cast<uint32_t>(d1);
  g.Data2 = static_cast<uint16_t>(d2);
  g.Data3 = static_cast<uint16_t>(d3);
  g.Data4[0] = static_cast<uint8_t>(d4a >> 8);
  g.Data4[1] = static_cast<uint8_t>(d4a);
  for (int i = 0; i < 6; ++i) g.Data4[2 + i] = static_cast<uint8_t>(d4b >> (40 - 8 * i));
  *guid = g;
  return true;
}

}  // namespace platform
