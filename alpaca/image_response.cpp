#include "image_response.h"

#include <algorithm>
#include <cstring>

#include "alpaca_error.h"

namespace tqalpaca {
namespace {

bool AcceptsImageBytes(const httplib::Request& request) {
  for (size_t i = 0; i < request.get_header_value_count("Accept"); ++i)
    if (request.get_header_value("Accept", i).find("application/imagebytes") != std::string::npos)
      return true;
  return false;
}

// Streams a header and a body the response keeps alive, without copying the
// body into the response.
template <typename Body>
void Stream(httplib::Response& response, const char* type, std::shared_ptr<const Body> body,
            const uint8_t* data, size_t size, std::string head) {
  auto prefix = std::make_shared<const std::string>(std::move(head));
  response.set_content_provider(
      prefix->size() + size, type,
      [body, prefix, data, size](size_t offset, size_t, httplib::DataSink& sink) {
        if (offset < prefix->size())
          return sink.write(prefix->data() + offset, prefix->size() - offset);
        const size_t at = offset - prefix->size();
        return sink.write(reinterpret_cast<const char*>(data) + at, size - at);
      });
}

}  // namespace

void AnswerImage(std::shared_ptr<const Image> image, const std::string& failure, Call& call) {
  const bool bytes = AcceptsImageBytes(call.request);
  if (!image) {
    const AlpacaError error(kInvalidOperation, failure.empty()
                                                   ? "no image is ready; take an exposure first"
                                                   : "the last exposure failed: " + failure);
    if (!bytes) throw error;
    const auto header =
        ImageBytesHeader(nullptr, error.Number(), call.clientTransaction, call.serverTransaction);
    std::string body(header.begin(), header.end());
    body += error.what();
    call.response.set_content(body, "application/imagebytes");
    call.answered = true;
    return;
  }
  if (bytes) {
    const auto header =
        ImageBytesHeader(image.get(), 0, call.clientTransaction, call.serverTransaction);
    Stream(call.response, "application/imagebytes", image, image->data.data(), image->data.size(),
           std::string(header.begin(), header.end()));
  } else {
    auto json = std::make_shared<const std::string>(
        ImageArrayJson(*image, call.clientTransaction, call.serverTransaction));
    Stream(call.response, "application/json", json, reinterpret_cast<const uint8_t*>(json->data()),
           json->size(), std::string());
  }
  call.answered = true;
}

}  // namespace tqalpaca
