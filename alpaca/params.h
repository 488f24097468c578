#pragma once
// The parameters of one Alpaca request and the rules for reading them: names
// are case-insensitive, GET parameters come from the query string and PUT
// parameters from the form-encoded body, and a missing or malformed value is
// the client's fault (HTTP 400), not the device's.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tqalpaca {

// A request the server cannot interpret: answered with HTTP 400 and the text.
class BadRequest : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decodes a form-encoded text ("a=1&b=x%20y", '+' for a space). Names are
// folded to lower case; the first of repeated names wins. Malformed escapes
// are kept as they are.
std::unordered_map<std::string, std::string> ParseForm(std::string_view text);

// Strict value parsers: the whole text must be the value.
std::optional<int32_t> ParseInt32(std::string_view text);
std::optional<uint32_t> ParseUInt32(std::string_view text);
std::optional<double> ParseDouble(std::string_view text);  // finite only
std::optional<bool> ParseBool(std::string_view text);      // true/false, any case

class Params {
 public:
  explicit Params(std::unordered_map<std::string, std::string> values)
      : values_(std::move(values)) {}

  // name in any case; nullptr when absent.
  const std::string* Find(std::string_view name) const;

  // The required parameters: throw BadRequest when missing or malformed.
  int32_t Int(std::string_view name) const;
  double Double(std::string_view name) const;
  bool Bool(std::string_view name) const;
  const std::string& Text(std::string_view name) const;

  // The transaction id a client sent; 0 when absent or not a valid number.
  uint32_t ClientTransactionId() const;

 private:
  const std::string& Required(std::string_view name) const;
  std::unordered_map<std::string, std::string> values_;
};

}  // namespace tqalpaca
