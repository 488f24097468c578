#pragma once
// Named claims: the system-wide named events that mark a device as in use.
// A claim is a lock file <root>/.claims/<file> held with an exclusive flock;
// a lock held by any open file description, in this process or another,
// means the name exists already. Closing the handle (platform::CloseHandle)
// or the end of the process releases it.
#include <string>
#include <string_view>

#include "platform/handles.h"

namespace platform {

enum class ClaimResult { Created, AlreadyExists, Failed };

// Takes the claim `name` on the bus at `root` (default: the resolved bus
// root). On Created, *handle holds it; otherwise *handle is kInvalidHandle.
ClaimResult CreateClaim(std::string_view name, THandle* handle);
ClaimResult CreateClaim(const std::string& root, std::string_view name, THandle* handle);

// The lock file name of a claim: letters, digits, '.', '_' and '-' stay (a
// leading '.' does not), every other byte becomes %XX; a result longer than
// a file name may be is cut and given a hash of the whole name.
std::string ClaimFileName(std::string_view name);

}  // namespace platform
