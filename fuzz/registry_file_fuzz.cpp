// The registry file parser on any text: no crash, no leak, and whatever
// parses is written in a form that parses again to the same text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace platform::registry;
  Store store;
  if (!ParseStore(std::string_view(reinterpret_cast<const char*>(data), size), &store, nullptr))
    return 0;
  const std::string text = FormatStore(store);
  Store again;
  if (!ParseStore(text, &again, nullptr) || FormatStore(again) != text) std::abort();
  return 0;
}
