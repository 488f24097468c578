#pragma once
// Named claims: the system-wide named events that mark a device as in use.
// A claim is a lock file <root>/.claims/<name>, named by the claim name itself,
// held with an exclusive flock; a lock held by any open file description, in
// this process or another, means the name exists already. Closing the handle
// (platform::CloseHandle) or the end of the process releases it.
#include <string>
#include <string_view>

#include "platform/handles.h"

namespace platform {

enum class ClaimResult { Created, AlreadyExists, Failed };

// Takes the claim `name` on the bus at `root` (default: the trusted bus root).
// On Created, *handle holds it; otherwise *handle is kInvalidHandle. A name
// that cannot be a file name ("", ".", "..", a '/', too long) fails, and so
// does a .claims that is not a private directory or a lock file that is not a
// regular file; links are never followed.
ClaimResult CreateClaim(std::string_view name, THandle* handle);
ClaimResult CreateClaim(const std::string& root, std::string_view name, THandle* handle);

}  // namespace platform
