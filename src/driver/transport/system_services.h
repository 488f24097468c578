#pragma once
// The two system services of the camera link besides the bus: the debugger
// output for diagnostic lines and the system-wide named claim of a device.

#include <cstdint>

namespace tQusb {

// Sends `length` characters of `line` to the debugger output.
void OutputDebugLine(const char* line, unsigned length);

// Creates the named claim; false when it cannot be made or another holder (in
// this or another process) has it already.
bool CreateSystemClaim(const char* name, unsigned length, uintptr_t* claim);
void CloseSystemClaim(uintptr_t claim);

}  // namespace tQusb
