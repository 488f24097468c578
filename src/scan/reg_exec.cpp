// The command line that opens files of an extension, and filling in the
// placeholders of such a command.
#include <cstdarg>
#include <string>
#include <vector>

#include "scan/scan_text.h"
#include "tqusb/scan/vscan_registry.h"

namespace vscan {

namespace {

constexpr unsigned kTextHigh = 255;  // type names, templates and results: 256 characters

template <class Scanner, class Char>
unsigned char ExecStrByExt(unsigned extHigh, const Char* ext, unsigned cmdHigh, Char* cmd) {
  using T = detail::Text<Char>;
  if (cmd == nullptr || T::Length(extHigh, ext) == 0) return 0;
  const Char none[1] = {};
  Scanner scanner;
  if (!scanner.Init(0, none, extHigh, ext, HKEY_CLASSES_ROOT)) return 0;
  Char type[kTextHigh + 1] = {};
  if (!scanner.GetKeyStr(0, none, kTextHigh, type)) {
    scanner.Done();
    return 0;
  }
  std::basic_string<Char> base(ext, T::Length(extHigh, ext));
  if (T::Length(kTextHigh, type) > 0 && scanner.Init(0, none, kTextHigh, type, HKEY_CLASSES_ROOT))
    base.assign(type, T::Length(kTextHigh, type));
  std::basic_string<Char> path = base + T::Literal("\\shell\\Open\\command");
  unsigned char ok =
      scanner.Init(0, none, static_cast<unsigned>(path.size()), path.c_str(), HKEY_CLASSES_ROOT) &&
      scanner.GetKeyStr(0, none, cmdHigh, cmd);
  scanner.Done();
  return ok;
}

// Items of the template are cut at '%' (runs count as one); the first
// character of every item after the first picks the argument put in its place.
template <class Char>
unsigned CompleteExecStr(Char* result, const Char* templ, const std::vector<const Char*>& args) {
  using T = detail::Text<Char>;
  if (result == nullptr || templ == nullptr || templ[0] == Char{}) return 0xFFFFFFFFu;
  Char text[kTextHigh + 1] = {};
  T::Copy(kTextHigh, text, kTextHigh, templ);
  if (T::CharPos(kTextHigh, text, Char('%')) == Str::NotFound) {
    T::Copy(kTextHigh, result, kTextHigh, text);
    return 0;
  }
  Char item[kTextHigh + 1] = {};
  T::Item(kTextHigh, item, kTextHigh, text, "%", 0);
  T::Copy(kTextHigh, result, kTextHigh, item);
  size_t sequential = 0;
  for (unsigned n = 1;; ++n) {
    T::Item(kTextHigh, item, kTextHigh, text, "%", n);
    if (item[0] == Char{}) return n;
    Char selector = item[0];
    const Char* arg = nullptr;
    if (selector == Char('s') || selector == Char('S')) {
      if (sequential < args.size()) arg = args[sequential++];
    } else if (selector >= Char('1') && selector <= Char('9')) {
      size_t index = static_cast<size_t>(selector - Char('1'));
      if (index < args.size()) arg = args[index];
    }
    if (arg == nullptr) return n;
    T::Append(kTextHigh, result, kTextHigh, arg);
    T::Append(kTextHigh, result, kTextHigh - 1, item + 1);
  }
}

template <class Char>
std::vector<const Char*> CollectArgs(va_list args) {
  std::vector<const Char*> out;
  while (const Char* a = va_arg(args, const Char*)) out.push_back(a);
  return out;
}

}  // namespace

unsigned char GetExecStrByExtA(unsigned int extHigh, const char* ext, unsigned int cmdHigh,
                               char* cmd) {
  return ExecStrByExt<CRegScannerA>(extHigh, ext, cmdHigh, cmd);
}

unsigned char GetExecStrByExtW(unsigned int extHigh, const char16_t* ext, unsigned int cmdHigh,
                               char16_t* cmd) {
  return ExecStrByExt<CRegScannerW>(extHigh, ext, cmdHigh, cmd);
}

unsigned int CompleteExecStrA(char* result, const char* templ, ...) {
  va_list args;
  va_start(args, templ);
  std::vector<const char*> list = CollectArgs<char>(args);
  va_end(args);
  return CompleteExecStr(result, templ, list);
}

unsigned int CompleteExecStrW(char16_t* result, const char16_t* templ, ...) {
  va_list args;
  va_start(args, templ);
  std::vector<const char16_t*> list = CollectArgs<char16_t>(args);
  va_end(args);
  return CompleteExecStr(result, templ, list);
}

}  // namespace vscan
