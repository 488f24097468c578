#pragma once
// The debugger output of the library: every debug line goes through
// DebugOutput to the sink set with tqSetDebugOutput (default: standard error
// when TQUSB_DEBUG=1, else nowhere).

namespace platform {

// Sends one text, as given (debug lines carry their own line feed).
void DebugOutput(const char* text);

}  // namespace platform
