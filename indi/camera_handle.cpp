#include "camera_handle.h"

namespace tqindi {

void CameraHandle::Open(uint32_t id) {
  Close();
  // Initialize2 leaves the periodic power reading off: the driver reads the
  // cooler power itself, so no camera traffic happens behind its back.
  camera_ = Initialize2(id);
}

void CameraHandle::Close() {
  if (camera_ != nullptr) Release(camera_);
  camera_ = nullptr;
}

bool CameraHandle::Connected() const {
  bool connected = false;
  return camera_ != nullptr && GetBooleanParameter(camera_, TQ_BOOL_CONNECTED, &connected) &&
         connected;
}

std::string CameraHandle::LastError() const {
  if (camera_ == nullptr) return "camera not open";
  char text[160] = {};
  GetLastErrorString(camera_, sizeof text - 1, text);
  return text;
}

std::string CameraHandle::OpenFailure() const {
  std::string text = LastError();
  if (text.empty())
    text = "no free camera with this id on the bus (unplugged, or opened by another program)";
  return text;
}

std::optional<uint32_t> CameraHandle::Integer(uint32_t index) const {
  uint32_t value = 0;
  if (camera_ == nullptr || !GetIntegerParameter(camera_, index, &value)) return std::nullopt;
  return value;
}

std::optional<bool> CameraHandle::Boolean(uint32_t index) const {
  bool value = false;
  if (camera_ == nullptr || !GetBooleanParameter(camera_, index, &value)) return std::nullopt;
  return value;
}

std::string CameraHandle::Text(uint32_t index) const {
  char text[64] = {};
  if (camera_ == nullptr || !GetStringParameter(camera_, index, sizeof text - 1, text)) return {};
  std::string s(text);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace tqindi
