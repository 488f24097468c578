#pragma once
// Texts the camera leaves in LastError that more than one layer uses.

namespace tQusb {

inline constexpr const char* kTextNotConnected = "CCD camera not connected to USB";
inline constexpr const char* kTextNotSupported = "Camera does not support this feature";

}  // namespace tQusb
