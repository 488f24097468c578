// Minimum and maximum of two values, and the halves of 16- and 32-bit words.
#include <algorithm>

#include "tqusb/containers/vcom.h"

namespace vcom {

unsigned int Dummy = 0;

unsigned int MinCard(unsigned int a, unsigned int b) {
  return std::min(a, b);
}
unsigned int MaxCard(unsigned int a, unsigned int b) {
  return std::max(a, b);
}
int MinInt(int a, int b) {
  return std::min(a, b);
}
int MaxInt(int a, int b) {
  return std::max(a, b);
}
unsigned long long MinCard64(unsigned long long a, unsigned long long b) {
  return std::min(a, b);
}
unsigned long long MaxCard64(unsigned long long a, unsigned long long b) {
  return std::max(a, b);
}
unsigned long long MinCardPtr(unsigned long long a, unsigned long long b) {
  return std::min(a, b);
}
unsigned long long MaxCardPtr(unsigned long long a, unsigned long long b) {
  return std::max(a, b);
}
long long MinInt64(long long a, long long b) {
  return std::min(a, b);
}
long long MaxInt64(long long a, long long b) {
  return std::max(a, b);
}
long long MinIntPtr(long long a, long long b) {
  return std::min(a, b);
}
long long MaxIntPtr(long long a, long long b) {
  return std::max(a, b);
}
float MinReal(float a, float b) {
  return std::min(a, b);
}
float MaxReal(float a, float b) {
  return std::max(a, b);
}

unsigned char LoByte(unsigned short v) {
  return static_cast<unsigned char>(v & 0xFF);
}
unsigned char HiByte(unsigned short v) {
  return static_cast<unsigned char>(v >> 8);
}
unsigned short LoWord(unsigned int v) {
  return static_cast<unsigned short>(v & 0xFFFF);
}
unsigned short HiWord(unsigned int v) {
  return static_cast<unsigned short>(v >> 16);
}
unsigned int LoCard(unsigned int v) {
  return v & 0xFFFF;
}
unsigned int HiCard(unsigned int v) {
  return v >> 16;
}
int LoInt(unsigned int v) {
  return static_cast<short>(LoWord(v));
}
int HiInt(unsigned int v) {
  return static_cast<short>(HiWord(v));
}

}  // namespace vcom
