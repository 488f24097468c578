// Lib::Delay and the sound services. There is no tone generator to program
// here: Speaker rings the terminal bell and takes as long as the tone would.
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tqusb/runtime/lib.h"

namespace Lib {

void Delay(unsigned int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void Speaker(unsigned int, unsigned int duration) {
  if (isatty(STDERR_FILENO) == 1) {
    // Nothing useful can be done when the bell cannot be written.
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, "\a", 1);
  }
  Delay(duration);
}

void Sound(unsigned int) {}

void NoSound() {}

}  // namespace Lib
