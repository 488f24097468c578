// Ctrl-C handling. While the tool waits on its own (an exposure it times,
// a cooler it watches) Ctrl-C only raises a flag, so the command can end the
// exposure and release the camera. While a library call or a file write
// blocks, the handler removes the file being written, if any, and ends the
// process at once; the claim on the camera and its connections go with it.
#pragma once

namespace tqcam::interrupt {

void Install();
bool Requested();
// Sleeps up to `seconds`, returning early (true) when Ctrl-C was pressed.
bool SleepFor(double seconds);

// Ctrl-C during the lifetime of this object ends the process.
class Blocking {
 public:
  Blocking();
  ~Blocking();
  Blocking(const Blocking&) = delete;
  Blocking& operator=(const Blocking&) = delete;
};

// The file the handler removes before ending the process (null: none).
void SetPartialFile(const char* path);

}  // namespace tqcam::interrupt
