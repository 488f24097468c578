#include "params.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tqalpaca {
namespace {

std::string Lower(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
               HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

template <typename T>
std::optional<T> ParseInteger(std::string_view text) {
  std::string_view t = text;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  T value{};
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || error != std::errc() || end != t.data() + t.size()) return std::nullopt;
  return value;
}

}  // namespace

std::unordered_map<std::string, std::string> ParseForm(std::string_view text) {
  std::unordered_map<std::string, std::string> values;
  while (!text.empty()) {
    const size_t amp = text.find('&');
    const std::string_view pair = text.substr(0, amp);
    text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
    if (pair.empty()) continue;
    const size_t eq = pair.find('=');
    const std::string name = Lower(Decode(pair.substr(0, eq)));
    const std::string value =
        eq == std::string_view::npos ? std::string() : Decode(pair.substr(eq + 1));
    values.emplace(name, value);
  }
  return values;
}

std::optional<int32_t> ParseInt32(std::string_view text) {
  return ParseInteger<int32_t>(text);
}

std::optional<uint32_t> ParseUInt32(std::string_view text) {
  if (!text.empty() && text.front() == '-') return std::nullopt;
  return ParseInteger<uint32_t>(text);
}

std::optional<double> ParseDouble(std::string_view text) {
  const std::string s(text);
  if (s.empty() || std::isspace(static_cast<unsigned char>(s.front()))) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(s.c_str(), &end);
  while (end && *end == ' ') ++end;
  if (end != s.c_str() + s.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<bool> ParseBool(std::string_view text) {
  const std::string s = Lower(text);
  if (s == "true") return true;
  if (s == "false") return false;
  return std::nullopt;
}

const std::string* Params::Find(std::string_view name) const {
  const auto it = values_.find(Lower(name));
  return it == values_.end() ? nullptr : &it->second;
}

const std::string& Params::Required(std::string_view name) const {
  const std::string* value = Find(name);
  if (!value) throw BadRequest("missing parameter " + std::string(name));
  return *value;
}

int32_t Params::Int(std::string_view name) const {
  const auto value = ParseInt32(Required(name));
  if (!value) throw BadRequest("parameter " + std::string(name) + " is not a 32-bit integer");
  return *value;
}

double Params::Double(std::string_view name) const {
  const auto value = ParseDouble(Required(name));
  if (!value) throw BadRequest("parameter " + std::string(name) + " is not a number");
  return *value;
}

bool Params::Bool(std::string_view name) const {
  const auto value = ParseBool(Required(name));
  if (!value) throw BadRequest("parameter " + std::string(name) + " is not true or false");
  return *value;
}

const std::string& Params::Text(std::string_view name) const {
  return Required(name);
}

uint32_t Params::ClientTransactionId() const {
  const std::string* text = Find("ClientTransactionID");
  if (!text) return 0;
  return ParseUInt32(*text).value_or(0);
}

}  // namespace tqalpaca
