#include "platform/registry_store.h"

#include <algorithm>
#include <cstdio>

#include "runtime/str_utf.h"

namespace platform::registry {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr size_t kWrapColumn = 76;  // hex data lines are wrapped like exports do

struct RootEntry {
  uint32_t handle;
  std::string_view name;
  std::string_view shortName;
};
constexpr RootEntry kRoots[] = {
    {kClassesRoot, "HKEY_CLASSES_ROOT", "HKCR"},     {kCurrentUser, "HKEY_CURRENT_USER", "HKCU"},
    {kLocalMachine, "HKEY_LOCAL_MACHINE", "HKLM"},   {kUsers, "HKEY_USERS", "HKU"},
    {kCurrentConfig, "HKEY_CURRENT_CONFIG", "HKCC"},
};

char Fold(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to `maxDigits` hex digits, nothing else.
bool ParseHex(std::string_view s, size_t maxDigits, uint32_t* out) {
  if (s.empty() || s.size() > maxDigits) return false;
  uint32_t v = 0;
  for (char c : s) {
    int d = HexDigit(c);
    if (d < 0) return false;
    v = v << 4 | static_cast<uint32_t>(d);
  }
  *out = v;
  return true;
}

bool ValidKeyName(std::string_view n) {
  if (n.empty() || n.size() > kMaxKeyName) return false;
  return std::none_of(n.begin(), n.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

const RootEntry* FindRoot(std::string_view name) {
  for (const RootEntry& r : kRoots)
    if (SameName(name, r.name) || SameName(name, r.shortName)) return &r;
  return nullptr;
}

std::vector<uint8_t> Utf8ToStringData(std::string_view text) {
  std::size_t units = Str::detail::Utf8ToUtf16(text.data(), text.size(), nullptr, 0);
  std::vector<char16_t> w(units + 1, u'\0');
  Str::detail::Utf8ToUtf16(text.data(), text.size(), w.data(), units);
  std::vector<uint8_t> data(w.size() * 2);
  for (size_t i = 0; i < w.size(); ++i) {
    data[2 * i] = static_cast<uint8_t>(w[i] & 0xFF);
    data[2 * i + 1] = static_cast<uint8_t>(w[i] >> 8);
  }
  return data;
}

// Reads a quoted text starting at s[0] == '"'; on success s is left behind
// the closing quote. Escapes: \\ \" \n \r \0; any other backslash stays.
bool ParseQuoted(std::string_view& s, std::string* out) {
  out->clear();
  size_t i = 1;
  while (i < s.size()) {
    char c = s[i++];
    if (c == '"') {
      s.remove_prefix(i);
      return true;
    }
    if (c == '\\' && i < s.size()) {
      char e = s[i];
      const char* mapped = e == '\\'  ? "\\"
                           : e == '"' ? "\""
                           : e == 'n' ? "\n"
                           : e == 'r' ? "\r"
                                      : nullptr;
      if (mapped != nullptr) {
        *out += *mapped;
        ++i;
        continue;
      }
      if (e == '0') {
        *out += '\0';
        ++i;
        continue;
      }
    }
    *out += c;
  }
  return false;
}

bool ParseByteList(std::string_view s, std::vector<uint8_t>* out) {
  s = Trim(s);
  if (!s.empty() && s.back() == ',') s.remove_suffix(1);  // tolerated after the last byte
  if (Trim(s).empty()) return true;
  while (true) {
    size_t comma = s.find(',');
    uint32_t b = 0;
    if (!ParseHex(Trim(s.substr(0, comma)), 2, &b)) return false;
    out->push_back(static_cast<uint8_t>(b));
    if (comma == std::string_view::npos) return true;
    s.remove_prefix(comma + 1);
  }
}

class Parser {
 public:
  Parser(std::string_view text, Store* store) : text_(text), store_(store) {}

  bool Run(size_t* errorLine) {
    bool headerSeen = false;
    std::string_view line;
    while (NextLine(&line)) {
      line = Trim(line);
      if (line.empty()) continue;
      bool ok = !headerSeen ? (headerSeen = line == kHeader) : ParseLine(line);
      if (!ok) {
        if (errorLine != nullptr) *errorLine = lineNo_;
        return false;
      }
    }
    return true;
  }

 private:
  bool NextLine(std::string_view* line) {
    if (pos_ >= text_.size()) return false;
    size_t end = text_.find('\n', pos_);
    if (end == std::string_view::npos) end = text_.size();
    *line = text_.substr(pos_, end - pos_);
    pos_ = end + 1;
    ++lineNo_;
    return true;
  }

  bool ParseLine(std::string_view line) {
    if (line.front() == ';') return true;
    if (line.front() == '[') return ParseKeyLine(line);
    if (line.front() == '"' || line.front() == '@') return ParseValueLine(line);
    return false;
  }

  bool ParseKeyLine(std::string_view line) {
    if (line.back() != ']') return false;
    std::string_view inner = line.substr(1, line.size() - 2);
    bool remove = !inner.empty() && inner.front() == '-';
    if (remove) inner.remove_prefix(1);
    std::vector<std::string> path = SplitPath(inner);
    if (path.empty() || path.size() > kMaxDepth + 1) return false;
    const RootEntry* root = FindRoot(path.front());
    if (root == nullptr) return false;
    path.erase(path.begin());
    if (!std::all_of(path.begin(), path.end(), ValidKeyName)) return false;
    current_ = nullptr;
    if (remove) {
      if (path.empty()) return false;
      std::string leaf = path.back();
      path.pop_back();
      Key* parent = Store::Walk(store_->Root(root->handle, true), path);
      if (parent != nullptr) parent->DeleteSubkey(leaf);
      return true;
    }
    current_ = store_->Root(root->handle, true);
    for (const std::string& n : path) current_ = current_->AddSubkey(n);
    return true;
  }

  bool ParseValueLine(std::string_view line) {
    if (current_ == nullptr) return false;
    std::string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else if (!ParseQuoted(line, &name) || name.size() > kMaxValueName) {
      return false;
    }
    line = Trim(line);
    if (line.empty() || line.front() != '=') return false;
    line = Trim(line.substr(1));
    if (line == "-") {
      current_->DeleteValue(name);
      return true;
    }
    if (!line.empty() && line.front() == '"') {
      std::string text;
      if (!ParseQuoted(line, &text) || !Trim(line).empty()) return false;
      current_->SetValue(name, kTypeString, Utf8ToStringData(text));
      return true;
    }
    if (line.substr(0, 6) == "dword:") {
      uint32_t v = 0;
      if (!ParseHex(line.substr(6), 8, &v)) return false;
      current_->SetValue(name, kTypeDword,
                         {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)});
      return true;
    }
    return ParseHexValue(name, line);
  }

  // hex:bytes (REG_BINARY) or hex(type):bytes, continued over lines ending in '\'.
  bool ParseHexValue(const std::string& name, std::string_view line) {
    uint32_t type = kTypeBinary;
    if (line.substr(0, 4) == "hex(") {
      size_t close = line.find("):");
      if (close == std::string_view::npos || !ParseHex(line.substr(4, close - 4), 8, &type))
        return false;
      line.remove_prefix(close + 2);
    } else if (line.substr(0, 4) == "hex:") {
      line.remove_prefix(4);
    } else {
      return false;
    }
    std::string joined;
    std::string_view more;
    while (!line.empty() && line.back() == '\\') {
      joined.append(line.substr(0, line.size() - 1));
      if (!NextLine(&more)) break;
      line = Trim(more);
    }
    if (line.empty() || line.back() != '\\') joined.append(line);
    std::vector<uint8_t> data;
    if (!ParseByteList(joined, &data)) return false;
    current_->SetValue(name, type, std::move(data));
    return true;
  }

  std::string_view text_;
  Store* store_;
  size_t pos_ = 0;
  size_t lineNo_ = 0;
  Key* current_ = nullptr;
};

// --- Writing -------------------------------------------------------------------

void AppendQuoted(std::string* out, std::string_view text) {
  *out += '"';
  for (char c : text) {
    switch (c) {
      case '\\':
        *out += "\\\\";
        break;
      case '"':
        *out += "\\\"";
        break;
      case '\n':
        *out += "\\n";
        break;
      case '\r':
        *out += "\\r";
        break;
      case '\0':
        *out += "\\0";
        break;
      default:
        *out += c;
    }
  }
  *out += '"';
}

// The text of a REG_SZ value when it is one terminated UTF-16 string without
// control characters that converts to UTF-8 and back unchanged; else false.
bool StringDataAsText(const std::vector<uint8_t>& data, std::string* text) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  std::vector<char16_t> w(data.size() / 2);
  for (size_t i = 0; i < w.size(); ++i)
    w[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  if (w.back() != u'\0') return false;
  w.pop_back();
  if (std::any_of(w.begin(), w.end(), [](char16_t u) { return u < 0x20; })) return false;
  size_t n = Str::detail::Utf16ToUtf8(w.data(), w.size(), nullptr, 0);
  text->assign(n, '\0');
  Str::detail::Utf16ToUtf8(w.data(), w.size(), text->data(), n);
  return Utf8ToStringData(*text) == data;
}

void AppendValue(std::string* out, const Value& v) {
  size_t start = out->size();
  if (v.name.empty()) {
    *out += '@';
  } else {
    AppendQuoted(out, v.name);
  }
  *out += '=';
  std::string text;
  char prefix[24];
  if (v.type == kTypeString && StringDataAsText(v.data, &text)) {
    AppendQuoted(out, text);
  } else if (v.type == kTypeDword && v.data.size() == 4) {
    std::snprintf(prefix, sizeof prefix, "dword:%08x",
                  static_cast<unsigned>(v.data[0] | v.data[1] << 8 | v.data[2] << 16 |
                                        static_cast<uint32_t>(v.data[3]) << 24));
    *out += prefix;
  } else {
    if (v.type == kTypeBinary) {
      *out += "hex:";
    } else {
      std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(v.type));
      *out += prefix;
    }
    size_t column = out->size() - start;
    for (size_t i = 0; i < v.data.size(); ++i) {
      if (i > 0) {
        *out += ',';
        if (++column > kWrapColumn) {
          *out += "\\\n  ";
          column = 2;
        }
      }
      std::snprintf(prefix, sizeof prefix, "%02x", v.data[i]);
      *out += prefix;
      column += 2;
    }
  }
  *out += '\n';
}

void AppendKey(std::string* out, const Key& key, const std::string& path, bool isRoot) {
  if (!key.values.empty() || (key.subkeys.empty() && !isRoot)) {
    *out += '[' + path + "]\n";
    for (const Value& v : key.values) AppendValue(out, v);
    *out += '\n';
  }
  for (const auto& sub : key.subkeys) AppendKey(out, *sub, path + '\\' + sub->name, false);
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  while (!path.empty()) {
    size_t sep = path.find('\\');
    std::string_view part = path.substr(0, sep);
    if (!part.empty()) parts.emplace_back(part);
    if (sep == std::string_view::npos) break;
    path.remove_prefix(sep + 1);
  }
  return parts;
}

std::string_view RootName(uint32_t root) {
  for (const RootEntry& r : kRoots)
    if (r.handle == root) return r.name;
  return {};
}

namespace {

std::string Folded(std::string_view n) {
  std::string folded(n);
  for (char& c : folded) c = Fold(c);
  return folded;
}

// Drops `n` from an index and moves the positions behind it down by one.
void Unindex(std::unordered_map<std::string, size_t>& index, const std::string& folded) {
  auto it = index.find(folded);
  size_t at = it->second;
  index.erase(it);
  for (auto& entry : index)
    if (entry.second > at) --entry.second;
}

}  // namespace

Key* Key::FindSubkey(std::string_view n) const {
  auto it = subkeyIndex.find(Folded(n));
  return it == subkeyIndex.end() ? nullptr : subkeys[it->second].get();
}

Value* Key::FindValue(std::string_view n) {
  auto it = valueIndex.find(Folded(n));
  return it == valueIndex.end() ? nullptr : &values[it->second];
}

const Value* Key::FindValue(std::string_view n) const {
  auto it = valueIndex.find(Folded(n));
  return it == valueIndex.end() ? nullptr : &values[it->second];
}

Key* Key::AddSubkey(std::string_view n) {
  auto [it, added] = subkeyIndex.emplace(Folded(n), subkeys.size());
  if (!added) return subkeys[it->second].get();
  subkeys.push_back(std::make_unique<Key>());
  subkeys.back()->name = std::string(n);
  return subkeys.back().get();
}

void Key::SetValue(std::string_view n, uint32_t type, std::vector<uint8_t> data) {
  auto [it, added] = valueIndex.emplace(Folded(n), values.size());
  if (added) {
    values.emplace_back();
    values.back().name = std::string(n);
  }
  Value& v = values[it->second];
  v.type = type;
  v.data = std::move(data);
}

bool Key::DeleteValue(std::string_view n) {
  std::string folded = Folded(n);
  auto it = valueIndex.find(folded);
  if (it == valueIndex.end()) return false;
  values.erase(values.begin() + static_cast<std::ptrdiff_t>(it->second));
  Unindex(valueIndex, folded);
  return true;
}

bool Key::DeleteSubkey(std::string_view n) {
  std::string folded = Folded(n);
  auto it = subkeyIndex.find(folded);
  if (it == subkeyIndex.end()) return false;
  subkeys.erase(subkeys.begin() + static_cast<std::ptrdiff_t>(it->second));
  Unindex(subkeyIndex, folded);
  return true;
}

Key* Store::Root(uint32_t root, bool create) {
  std::string_view name = RootName(root);
  if (name.empty()) return nullptr;
  for (const auto& k : roots)
    if (k->name == name) return k.get();
  if (!create) return nullptr;
  roots.push_back(std::make_unique<Key>());
  roots.back()->name = std::string(name);
  return roots.back().get();
}

Key* Store::Walk(Key* from, const std::vector<std::string>& path) {
  for (const std::string& n : path) {
    if (from == nullptr) break;
    from = from->FindSubkey(n);
  }
  return from;
}

bool ParseStore(std::string_view text, Store* store, size_t* errorLine) {
  if (errorLine != nullptr) *errorLine = 0;
  std::string converted;
  if (text.size() >= 2 && static_cast<uint8_t>(text[0]) == 0xFF &&
      static_cast<uint8_t>(text[1]) == 0xFE) {
    // UTF-16LE with its mark, as some editors save the file
    if (text.size() % 2 != 0) return false;
    std::vector<char16_t> w((text.size() - 2) / 2);
    for (size_t i = 0; i < w.size(); ++i)
      w[i] = static_cast<char16_t>(static_cast<uint8_t>(text[2 + 2 * i]) |
                                   static_cast<uint8_t>(text[3 + 2 * i]) << 8);
    converted.resize(Str::detail::Utf16ToUtf8(w.data(), w.size(), nullptr, 0));
    Str::detail::Utf16ToUtf8(w.data(), w.size(), converted.data(), converted.size());
    text = converted;
  } else if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
  }
  return Parser(text, store).Run(errorLine);
}

std::string FormatStore(const Store& store) {
  std::string out = std::string(kHeader) + "\n\n";
  for (const RootEntry& r : kRoots) {
    for (const auto& k : store.roots)
      if (k->name == r.name) AppendKey(&out, *k, k->name, true);
  }
  return out;
}

}  // namespace platform::registry
