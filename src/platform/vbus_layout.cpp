#include "platform/vbus_layout.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/debug_output.h"

namespace platform::vbus {

namespace {

// Interface classes 1..14 in enumeration order.
constexpr TGuid kClasses[kClassCount] = {
    {0xAD8D593C, 0x2B2D, 0x4292, {0x8A, 0x80, 0xCD, 0x4D, 0xA1, 0x3F, 0xB1, 0x6A}},
    {0xA987BCF1, 0x59F2, 0x4E63, {0xB0, 0x63, 0xAF, 0xE3, 0x8A, 0x88, 0x7A, 0x72}},
    {0x3789B7D9, 0xA441, 0x4B8B, {0xA9, 0x59, 0xEE, 0x19, 0xDB, 0x0B, 0x80, 0x02}},
    {0x435B18D1, 0x61FE, 0x4AFA, {0x87, 0x79, 0x55, 0xEF, 0x5B, 0xEF, 0x4D, 0xCE}},
    {0x593686CE, 0xDFEB, 0x4ED0, {0x81, 0x69, 0x2D, 0xFB, 0xBB, 0xAF, 0x8A, 0xA1}},
    {0xDA870690, 0x8A10, 0x4C3A, {0xB4, 0x9A, 0x10, 0xCA, 0x29, 0x59, 0x45, 0x8E}},
    {0x79349DC7, 0xCF70, 0x438E, {0xBC, 0x10, 0xF4, 0x54, 0xF0, 0x2D, 0x20, 0x67}},
    {0x2BCDDA06, 0xF3C9, 0x4AE6, {0xB2, 0x57, 0x21, 0x9D, 0xEF, 0xA0, 0xAB, 0xCB}},
    {0xD90AD342, 0x6EAD, 0x47B4, {0x86, 0x2E, 0x7A, 0x2D, 0x50, 0x42, 0x7E, 0x5F}},
    {0xD90D65CB, 0x4ADB, 0x41EC, {0x90, 0xBB, 0x7E, 0x2F, 0x95, 0x8D, 0x8C, 0x76}},
    {0xA57C6A6D, 0xEF84, 0x4C6E, {0x82, 0xE7, 0xAB, 0x28, 0xA5, 0x59, 0x45, 0x3E}},
    {0x9D24BB0E, 0xB834, 0x4219, {0xA9, 0xBD, 0x7A, 0xD1, 0x3F, 0x6E, 0x2E, 0x59}},
    {0xDD49C9DF, 0x9490, 0x48DD, {0x8C, 0x65, 0x26, 0x2D, 0xCB, 0xE3, 0x54, 0x94}},
    {0xE38B3AC0, 0x5D70, 0x45A2, {0xBA, 0x24, 0xBA, 0x61, 0x7B, 0x88, 0xE0, 0x86}},
};

char Lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool IsDeviceNameChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '&' ||
         c == '#' || c == '-';
}

}  // namespace

const TGuid* InterfaceClass(int number) {
  if (number < 1 || number > kClassCount) return nullptr;
  return &kClasses[number - 1];
}

std::string ResolveRoot() {
  const char* dir = std::getenv("TQUSB_BUS_DIR");
  if (dir && *dir) return dir;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/tqusb-bus";
  return "/tmp/tqusb-bus-" + std::to_string(getuid());
}

bool EnsureDirectory(const std::string& path) {
  if (path.empty()) return false;
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !EnsureDirectory(path.substr(0, slash)))
    return false;
  if (mkdir(path.c_str(), 0700) == 0) return true;
  // Another process may have created it at the same moment.
  return errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

namespace {

bool IsPrivate(bool statOk, const struct stat& st, std::string* why) {
  if (!statOk || !S_ISDIR(st.st_mode)) {
    *why = "not a directory";
    return false;
  }
  if (st.st_uid != geteuid()) {
    *why = "owned by another user";
    return false;
  }
  if (st.st_mode & (S_IWGRP | S_IWOTH)) {
    *why = "writable by group or others";
    return false;
  }
  return true;
}

}  // namespace

bool IsPrivateDirectory(const std::string& path, std::string* why) {
  struct stat st;
  bool ok = stat(path.c_str(), &st) == 0;
  return IsPrivate(ok, st, why);
}

bool IsPrivateDirectory(int fd, std::string* why) {
  struct stat st;
  bool ok = fstat(fd, &st) == 0;
  return IsPrivate(ok, st, why);
}

std::string TrustedRoot() {
  std::string root = ResolveRoot();
  std::string why = "cannot be created";
  bool trusted = EnsureDirectory(root) && IsPrivateDirectory(root, &why);
  // One line each time a root becomes refused, not one per lookup.
  static std::mutex lock;
  static std::string reported;
  std::lock_guard guard(lock);
  if (trusted) {
    if (reported == root) reported.clear();
    return root;
  }
  if (reported != root) {
    reported = root;
    DebugOutput(("Bus root " + root + " refused: " + why + "\n").c_str());
  }
  return {};
}

bool IsValidDeviceName(std::string_view name) {
  if (name.empty() || name.size() > kMaxDeviceNameLength) return false;
  // "." and ".." are names of the directory tree itself, not devices.
  if (name == "." || name == "..") return false;
  for (char c : name)
    if (!IsDeviceNameChar(c)) return false;
  return true;
}

std::string MakeDevicePath(std::string_view device, const TGuid& classGuid) {
  std::string path(kDevicePathPrefix);
  path += device;
  path += '#';
  path += FormatGuid(classGuid);
  return path;
}

bool ParseDevicePath(std::string_view path, TBusAddress* address) {
  std::string lower(path);
  for (char& c : lower) c = Lower(c);
  std::string_view rest(lower);
  if (rest.substr(0, kDevicePathPrefix.size()) != kDevicePathPrefix) return false;
  rest.remove_prefix(kDevicePathPrefix.size());
  int pipe = -1;
  if (rest.size() >= 2 && rest[rest.size() - 2] == '\\') {
    char digit = rest.back();
    if (digit < '0' || digit >= '0' + kPipeCount) return false;
    pipe = digit - '0';
    rest.remove_suffix(2);
  }
  size_t hash = rest.find_last_of('#');
  if (hash == std::string_view::npos) return false;
  std::string_view device = rest.substr(0, hash);
  std::string_view classText = rest.substr(hash + 1);
  TGuid guid;
  if (!IsValidDeviceName(device) || !ParseGuid(classText, &guid)) return false;
  address->classDir = std::string(classText);
  address->device = std::string(device);
  address->pipe = pipe;
  return true;
}

std::string ClassDirectory(const std::string& root, const TGuid& classGuid) {
  return root + "/" + FormatGuid(classGuid);
}

std::string DeviceDirectory(const std::string& root, const TBusAddress& address) {
  return root + "/" + address.classDir + "/" + address.device;
}

std::string PipeSocketPath(const std::string& root, const TBusAddress& address) {
  int pipe = address.pipe < 0 ? 0 : address.pipe;
  return DeviceDirectory(root, address) + "/" + std::string(kPipeNames[pipe]);
}

void EncodeFrameHeader(uint32_t length, unsigned char header[kFrameHeaderSize]) {
  for (size_t i = 0; i < kFrameHeaderSize; ++i)
    header[i] = static_cast<unsigned char>(length >> (8 * i));
}

uint32_t DecodeFrameHeader(const unsigned char header[kFrameHeaderSize]) {
  uint32_t length = 0;
  for (size_t i = 0; i < kFrameHeaderSize; ++i) length |= uint32_t{header[i]} << (8 * i);
  return length;
}

}  // namespace platform::vbus
