// Operations whose camera protocol is not part of this library build yet:
// they answer "Camera does not support this feature" for every camera. Each
// one moves out of this file when its protocol is implemented.
#include "driver/camera/camera.h"

namespace tQusb {

bool CCamera::EnumerateFilters(uint32_t, uint32_t, char*, uint32_t*) {
  return Unsupported();
}
bool CCamera::EnumerateFilters2(uint32_t, uint32_t, char*, uint32_t*, uint32_t*) {
  return Unsupported();
}
bool CCamera::ReinitFilterWheel() {
  return Unsupported();
}
bool CCamera::SetFilter(uint8_t) {
  return Unsupported();
}

}  // namespace tQusb
