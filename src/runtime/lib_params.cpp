// Lib::ParamCount and Lib::ParamStrA over this process's command line.
#include "runtime/command_line.h"
#include "tqusb/runtime/lib.h"

namespace Lib {

unsigned int ParamCount() {
  const auto args = runtime::SplitCommandLine(runtime::ProcessCommandLine());
  return args.empty() ? 0 : static_cast<unsigned int>(args.size() - 1);
}

void ParamStrA(unsigned int high, char* buffer, unsigned int n) {
  const auto args = runtime::SplitCommandLine(runtime::ProcessCommandLine());
  runtime::CopyArgument(n < args.size() ? args[n] : std::string_view{}, high, buffer);
}

}  // namespace Lib
