// The shared library exports the camera interface, the tq* extensions and the
// runtime library's namespaces, and nothing of its internals.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

std::vector<std::string> DynamicSymbols() {
  std::string cmd = std::string("nm -D --defined-only -C '") + TQUSB_LIBRARY_PATH + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
  std::vector<std::string> names;
  if (!pipe) return names;
  std::array<char, 4096> line{};
  while (fgets(line.data(), line.size(), pipe.get()) != nullptr) {
    std::string s(line.data());
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    // "<address> <type> <name>"
    auto first = s.find(' ');
    auto second = s.find(' ', first + 1);
    if (second != std::string::npos) names.push_back(s.substr(second + 1));
  }
  return names;
}

}  // namespace

TEST(LibrarySymbols, OnlyPublicInterfacesAreExported) {
  const std::regex allowed(
      "^((typeinfo for |typeinfo name for |vtable for )?"
      "(Str|Lib|Storage|os|MATHLIB|vlist|vtree|vcom|vscan|FIO|FIOR)::.*"
      "|tq[A-Z][A-Za-z]*|camera[A-Z][A-Za-z0-9]*|[A-Z][A-Za-z0-9]*)$");
  auto names = DynamicSymbols();
  ASSERT_FALSE(names.empty()) << "nm gave no symbols for " << TQUSB_LIBRARY_PATH;
  for (const auto& name : names) {
    EXPECT_TRUE(std::regex_match(name, allowed)) << "unexpected export: " << name;
  }
}

TEST(LibrarySymbols, RuntimeNamespacesArePresent) {
  auto names = DynamicSymbols();
  auto has = [&](const std::string& prefix) {
    for (const auto& n : names)
      if (n.rfind(prefix, 0) == 0) return true;
    return false;
  };
  for (const char* prefix : {"Str::CopyA(", "Str::CopyW(", "Lib::Move(", "Storage::Allocate(",
                             "vlist::CList::Append(", "vtable for vlist::CListElem",
                             "tqPumpEvents"}) {
    EXPECT_TRUE(has(prefix)) << prefix;
  }
}
