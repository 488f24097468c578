#include "driver/camera/camera.h"

namespace tQusb {

bool CEventHandler::HandleMessage(uint32_t, uint64_t, uint64_t, uint64_t*) {
  return false;
}

void CEventHandler::Attach() {
  if (Window != nullptr) ClosePeerWindow(Window);
  Window = OpenPeerWindow(this);
}

void CEventHandler::Detach() {
  if (Window == nullptr) return;
  ClosePeerWindow(Window);
  Window = nullptr;
}

void CEventHandler::Done() {
  Detach();
}

}  // namespace tQusb
