// Operations whose camera protocol is not part of this library build yet:
// they answer "Camera does not support this feature" for every camera. Each
// one moves out of this file when its protocol is implemented.
#include "driver/camera/camera.h"

namespace tQusb {

bool CCamera::ConvertGain(uint32_t, double*, double*) {
  return Unsupported();
}
bool CCamera::GetValue(uint32_t, float*) {
  return Unsupported();
}
bool CCamera::MoveInProgress(bool*) {
  return Unsupported();
}
bool CCamera::MoveTelescope(uint16_t, uint16_t) {
  return Unsupported();
}
bool CCamera::ReadPowerUtilization(float*) {
  return Unsupported();
}
bool CCamera::SetFan(uint8_t) {
  return Unsupported();
}
bool CCamera::SetGain(uint16_t) {
  return Unsupported();
}
bool CCamera::SetTemperature(float) {
  return Unsupported();
}
bool CCamera::SetWindowHeating(uint8_t) {
  return Unsupported();
}

}  // namespace tQusb
