// Lib::GetEnvironmentStringA and Lib::SetEnvironmentStringA: the process
// environment through bounded strings.
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/bounded_text.h"
#include "tqusb/runtime/lib.h"

namespace Lib {

void GetEnvironmentStringA(unsigned int nameHigh, const char* name, unsigned int valueHigh,
                           char* value) {
  if (value == nullptr) return;
  value[0] = '\0';
  const auto key = runtime::TerminatedText(nameHigh, name);
  if (!key || key->empty()) return;
  const char* found = std::getenv(std::string(*key).c_str());
  if (found == nullptr) return;
  const std::size_t length = std::strlen(found);
  if (length > valueHigh) return;  // the value and its terminator must fit
  std::memcpy(value, found, length + 1);
}

unsigned char SetEnvironmentStringA(unsigned int nameHigh, const char* name, unsigned int valueHigh,
                                    const char* value) {
  const auto key = runtime::TerminatedText(nameHigh, name);
  const auto text = runtime::TerminatedText(valueHigh, value);
  if (!key || !text || name == nullptr || value == nullptr) return 0;
  // setenv refuses an empty name or one containing '='.
  return setenv(name, value, 1) == 0 ? 1 : 0;
}

}  // namespace Lib
