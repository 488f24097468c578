// The exported thread-event functions (the notify-queue and debug-output
// exports live beside their implementations).
#include "platform/thread_queue.h"
#include "tqusb/tqusb_events.h"

unsigned tqPumpEvents(unsigned timeoutMs) {
  return platform::PumpThreadEvents(timeoutMs);
}

int tqEventFd(void) {
  auto queue = platform::ThreadQueue::Current();
  return queue ? queue->Fd() : -1;
}
