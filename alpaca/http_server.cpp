#include "http_server.h"

#include <sys/socket.h>

#include <thread>

#include "alpaca_error.h"
#include "device.h"

namespace tqalpaca {
namespace {

// Every Alpaca path is short; longer ones are refused before any routing.
constexpr size_t kLongestPath = 256;
constexpr size_t kLargestBody = 64 * 1024;
constexpr time_t kReadTimeoutSeconds = 5;
constexpr time_t kWriteTimeoutSeconds = 10;
constexpr time_t kKeepAliveSeconds = 3;

// Each connection holds a thread while it is open (keep-alive included), so
// there are enough for many clients polling at once.
size_t HttpThreads() {
  return std::max<size_t>(64, 8 * std::thread::hardware_concurrency());
}

void Refuse(httplib::Response& response, int status, const std::string& text) {
  response.status = status;
  response.set_content(text + "\n", "text/plain");
}

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  size_t at = 1;
  while (at <= path.size()) {
    const size_t slash = std::min(path.find('/', at), path.size());
    parts.push_back(path.substr(at, slash - at));
    at = slash + 1;
  }
  return parts;
}

Params GetParams(const httplib::Request& request) {
  std::unordered_map<std::string, std::string> values;
  for (const auto& [name, value] : request.params) {
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    values.emplace(std::move(key), value);
  }
  return Params(std::move(values));
}

}  // namespace

void AnswerJson(httplib::Response& response, const std::optional<nlohmann::json>& value,
                uint32_t clientTransaction, uint32_t serverTransaction, int errorNumber,
                const std::string& errorMessage) {
  nlohmann::json body = nlohmann::json::object();
  if (value) body["Value"] = *value;
  body["ClientTransactionID"] = clientTransaction;
  body["ServerTransactionID"] = serverTransaction;
  body["ErrorNumber"] = errorNumber;
  body["ErrorMessage"] = errorMessage;
  response.status = 200;
  response.set_content(body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
                       "application/json");
}

HttpServer::HttpServer(CameraBus& bus) : bus_(bus) {
  server_.new_task_queue = [] { return new httplib::ThreadPool(HttpThreads()); };
  server_.set_payload_max_length(kLargestBody);
  server_.set_read_timeout(kReadTimeoutSeconds, 0);
  server_.set_write_timeout(kWriteTimeoutSeconds, 0);
  server_.set_keep_alive_timeout(kKeepAliveSeconds);
  server_.set_tcp_nodelay(true);
  // GET and everything but Alpaca PUTs are answered here, before the
  // library's own routing; PUT bodies are read first, so they route below.
  server_.set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        if (request.path.size() > kLongestPath) {
          Refuse(response, 400, "path too long");
          return httplib::Server::HandlerResponse::Handled;
        }
        // A PUT that announces no body has none: answered now rather than
        // after the library waited for the connection to close.
        if (request.method == "PUT" && request.path.rfind("/api/v1/", 0) == 0) {
          if (request.has_header("Content-Length") || request.has_header("Transfer-Encoding"))
            return httplib::Server::HandlerResponse::Unhandled;
          Route(request, response, true);
          return httplib::Server::HandlerResponse::Handled;
        }
        if (request.method != "GET" && request.method != "HEAD")
          Refuse(response, request.method == "PUT" ? 404 : 405, "not found");
        else
          Route(request, response, false);
        return httplib::Server::HandlerResponse::Handled;
      });
  server_.Put(".*", [this](const httplib::Request& request, httplib::Response& response) {
    Route(request, response, true);
  });
  server_.set_exception_handler(
      [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        Refuse(response, 500, "internal error");
      });
}

bool HttpServer::Bind(const std::string& address, uint16_t port, std::string* why) {
  if (address.find(':') != std::string::npos) server_.set_address_family(AF_INET6);
  if (port == 0) {
    const int bound = server_.bind_to_any_port(address);
    if (bound > 0) port_ = static_cast<uint16_t>(bound);
  } else if (server_.bind_to_port(address, port)) {
    port_ = port;
  }
  if (port_ == 0) *why = "cannot listen on " + address + " port " + std::to_string(port);
  return port_ != 0;
}

void HttpServer::Serve() {
  server_.listen_after_bind();
}
void HttpServer::Stop() {
  server_.stop();
}

void HttpServer::Route(const httplib::Request& request, httplib::Response& response, bool put) {
  try {
    const std::string& path = request.path;
    if (path.rfind("/api/v1/", 0) == 0)
      DeviceApi(request, response, put);
    else if (!AnswerManagement(path, bus_, request, response, *this) &&
             !AnswerSetup(path, bus_, response))
      Refuse(response, 404, "not found: " + path);
  } catch (const BadRequest& e) {
    Refuse(response, 400, e.what());
  } catch (const std::bad_alloc&) {
    Refuse(response, 500, "out of memory");
  }
}

void HttpServer::DeviceApi(const httplib::Request& request, httplib::Response& response, bool put) {
  const std::vector<std::string> parts = Split(request.path);  // api v1 type number member
  if (parts.size() != 5)
    throw BadRequest("expected /api/v1/{device_type}/{device_number}/{member}");
  const std::string& type = parts[2];
  const DeviceKind* kind = type == "camera"        ? &CameraDevice()
                           : type == "filterwheel" ? &FilterWheelDevice()
                                                   : nullptr;
  if (!kind) throw BadRequest("unknown device type " + type);
  const auto number = ParseUInt32(parts[3]);
  if (!number || parts[3].front() == '+' || parts[3].front() == ' ')
    throw BadRequest("device number " + parts[3] + " is not a number");
  CameraUnit* unit = kind->role == Role::Camera ? bus_.Camera(*number) : bus_.Wheel(*number);
  if (!unit) throw BadRequest("no " + type + " device number " + parts[3]);

  const Params params = put ? Params(ParseForm(request.body)) : GetParams(request);
  Call call{params, request, response, params.ClientTransactionId(), NextTransaction()};
  try {
    const Answer value = Dispatch(*kind, *unit, parts[4], call, put);
    if (!call.answered) AnswerJson(response, value, call.clientTransaction, call.serverTransaction);
  } catch (const AlpacaError& e) {
    AnswerJson(response, std::nullopt, call.clientTransaction, call.serverTransaction, e.Number(),
               e.what());
  }
}

}  // namespace tqalpaca
