#include "options.h"

#include <arpa/inet.h>

#include "params.h"

namespace tqalpaca {

const char* const kUsage =
    "usage: tqalpaca [--port N] [--listen ADDR] [--discovery-port N] [--bus DIR]\n"
    "Serves the cameras of the tqusb bus to Alpaca clients over HTTP.\n"
    "  --port N            HTTP port (default 11111; 0 picks a free one)\n"
    "  --listen ADDR       address to listen on (default 127.0.0.1, this computer only;\n"
    "                      0.0.0.0 serves the network, :: IPv6 too)\n"
    "  --discovery-port N  UDP port answering Alpaca discovery (default 32227; 0: off)\n"
    "  --bus DIR           virtual bus root (default: $TQUSB_BUS_DIR or the library's)\n"
    "  --help, --version\n";

namespace {

uint16_t Port(const std::string& option, const std::string& text) {
  const auto value = ParseUInt32(text);
  if (!value || *value > 65535 || text.empty() || text.front() == '+' || text.front() == ' ')
    throw UsageError(option + ": not a port number: " + text);
  return static_cast<uint16_t>(*value);
}

bool ValidAddress(const std::string& text) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, text.c_str(), buffer) == 1 ||
         inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i], value;
    const bool takesValue = name == "--port" || name == "--listen" || name == "--discovery-port" ||
                            name == "--bus" || name.rfind("--port=", 0) == 0 ||
                            name.rfind("--listen=", 0) == 0 ||
                            name.rfind("--discovery-port=", 0) == 0 || name.rfind("--bus=", 0) == 0;
    if (takesValue) {
      const size_t eq = name.find('=');
      if (eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        throw UsageError(name + " needs a value");
      }
    }
    if (name == "--help" || name == "-h") {
      o.help = true;
    } else if (name == "--version") {
      o.version = true;
    } else if (name == "--port") {
      o.port = Port(name, value);
    } else if (name == "--discovery-port") {
      o.discoveryPort = Port(name, value);
    } else if (name == "--listen") {
      if (value == "localhost") value = "127.0.0.1";
      if (!ValidAddress(value)) throw UsageError("--listen: not an IP address: " + value);
      o.listen = value;
    } else if (name == "--bus") {
      if (value.empty()) throw UsageError("--bus: empty directory");
      o.bus = value;
    } else {
      throw UsageError("unknown argument: " + name);
    }
  }
  return o;
}

bool IsLoopback(const std::string& address) {
  if (address == "localhost" || address == "::1") return true;
  in_addr a{};
  return inet_pton(AF_INET, address.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

}  // namespace tqalpaca
