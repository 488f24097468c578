#include "driver/transport/system_services.h"

#include <string_view>

#include "platform/claims.h"
#include "platform/debug_output.h"
#include "platform/handles.h"

namespace tQusb {

void OutputDebugLine(const char* line, unsigned length) {
  // Debug lines are at most 128 characters and may come without terminator.
  char text[129];
  if (length > 128) length = 128;
  for (unsigned i = 0; i < length; ++i) text[i] = line[i];
  text[length] = '\0';
  platform::DebugOutput(text);
}

bool CreateSystemClaim(const char* name, unsigned length, uintptr_t* claim) {
  platform::THandle handle = platform::kInvalidHandle;
  if (platform::CreateClaim(std::string_view(name, length), &handle) !=
      platform::ClaimResult::Created)
    return false;
  *claim = handle;
  return true;
}

void CloseSystemClaim(uintptr_t claim) {
  platform::CloseHandle(claim);
}

}  // namespace tQusb
