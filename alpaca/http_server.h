#pragma once
// The HTTP side: binds the address, routes the Alpaca device and management
// APIs and the setup pages, and applies the Alpaca request and response
// rules (transaction ids, parameter case, HTTP 400 for requests it cannot
// interpret). Bounded: request line, headers and bodies are limited, and
// slow or vanished clients time out.
#include <httplib.h>

#include <atomic>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "camera_bus.h"

namespace tqalpaca {

class HttpServer {
 public:
  explicit HttpServer(CameraBus& bus);

  // Binds; port 0 picks a free one. False with the reason on failure.
  bool Bind(const std::string& address, uint16_t port, std::string* why);
  uint16_t Port() const { return port_; }
  // Serves until Stop (from any thread).
  void Serve();
  void Stop();

  // Each Alpaca answer takes the next number, from 1.
  uint32_t NextTransaction() { return ++transactions_; }

 private:
  void Route(const httplib::Request& request, httplib::Response& response, bool put);
  void DeviceApi(const httplib::Request& request, httplib::Response& response, bool put);

  CameraBus& bus_;
  httplib::Server server_;
  uint16_t port_ = 0;
  std::atomic<uint32_t> transactions_{0};
};

// Writes {"Value": value, ...transaction fields...} (Value left out when
// absent) with the error number and message.
void AnswerJson(httplib::Response& response, const std::optional<nlohmann::json>& value,
                uint32_t clientTransaction, uint32_t serverTransaction, int errorNumber = 0,
                const std::string& errorMessage = "");

// Management API and setup pages.
bool AnswerManagement(const std::string& path, CameraBus& bus, const httplib::Request& request,
                      httplib::Response& response, HttpServer& server);
bool AnswerSetup(const std::string& path, CameraBus& bus, httplib::Response& response);

}  // namespace tqalpaca
