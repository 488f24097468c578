#pragma once
// One opened camera of libtqusb: the handle, its last-error text and the
// parameter queries, so the driver never deals with raw buffers.
#include <cstdint>
#include <optional>
#include <string>

#include "tqusb/tqusb.h"

namespace tqindi {

// The text the library leaves when a camera's protocol lacks an operation.
inline constexpr const char* kNotSupportedText = "Camera does not support this feature";

class CameraHandle {
 public:
  CameraHandle() = default;
  ~CameraHandle() { Close(); }
  CameraHandle(const CameraHandle&) = delete;
  CameraHandle& operator=(const CameraHandle&) = delete;

  // Opens the camera with this id on the calling thread (whose event pump
  // then carries its plug notices). The handle exists even when the camera is
  // not on the bus; Connected() tells.
  void Open(uint32_t id);
  void Close();

  TQCAMERA Get() const { return camera_; }
  bool IsOpen() const { return camera_ != nullptr; }
  bool Connected() const;

  std::string LastError() const;
  // Why Open left the camera unconnected: the library's text, or (when it
  // gives none) the reasons it may have.
  std::string OpenFailure() const;
  // True when the last failure was "this camera cannot do that".
  bool LastFailureIsUnsupported() const { return LastError() == kNotSupportedText; }

  std::optional<uint32_t> Integer(uint32_t index) const;
  std::optional<bool> Boolean(uint32_t index) const;
  std::string Text(uint32_t index) const;

 private:
  TQCAMERA camera_ = nullptr;
};

}  // namespace tqindi
