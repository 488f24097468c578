#pragma once
// The configuration step of camera initialisation: the optional settings file
// tqusb.<id>.ini or tqusb.ini (section "driver" for transfer and clock tuning
// and the kind-4 output offsets, section "crop"), then the sensor timing.
#include <cstdint>

namespace tQusb {

class CCamera;

inline constexpr const char* kConfigGeneralName = "tqusb.ini";
inline constexpr unsigned kConfigPathHigh = 259;

// The per-camera name, "tqusb.<id>.ini" with the id as an unsigned number.
void ConfigCameraName(int32_t id, unsigned high, char* name);
// The directory of the loaded library (bound 259); empty when unknown.
void LibraryDirectory(unsigned high, char* directory);

// Reads the first settings file that opens, in this order: the per-camera
// file in Documents/QUIL/ini, in Public Documents/QUIL/ini, beside the
// library, then the general file in the same three places.
void ReadConfigurationFile(CCamera& camera);
// Sends the sensor timing that the configuration asks for (kinds 3 to 8).
void SendConfiguredTiming(CCamera& camera);

}  // namespace tQusb
