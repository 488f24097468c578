#pragma once
// The command line of tqalpaca.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tqalpaca {

struct Options {
  uint16_t port = 11111;
  std::string listen = "127.0.0.1";
  uint16_t discoveryPort = 32227;  // 0: no discovery
  std::string bus;                 // empty: TQUSB_BUS_DIR or the library's default
  bool help = false, version = false;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws UsageError with the reason.
Options ParseOptions(const std::vector<std::string>& args);

extern const char* const kUsage;

// True for 127.0.0.0/8, ::1 and "localhost".
bool IsLoopback(const std::string& address);

}  // namespace tqalpaca
