#pragma once
// Everything the parameter queries read of a camera, gathered in one plain
// record. The answer tables are evaluated over this record, so they can be
// checked without a camera object, a connection or a bus.
#include <cstdint>

#include "driver/camera/kind_traits.h"
#include "driver/transport/camera_info.h"

namespace tQusb {

class CCamera;

// Major, minor and release word of the library's own file version.
struct TLibraryVersion {
  uint16_t Major = 0;
  uint16_t Minor = 0;
  uint16_t Release = 0;
};

struct TParameterView {
  int32_t Generation = -1;
  const TKindTraits* Traits = &KindTraitsOf(0);
  uint32_t Flags = 0;
  TCameraInfo Info{};
  TCameraInfoPacked PackedInfo{};
  uint16_t Ver128Hi = 0, Ver128Lo = 0, Ver129Hi = 0, Ver130 = 0, Ver131 = 0;
  uint32_t VerReserved = 0;
  uint32_t CropW = 0xFFFFFFFF, CropH = 0xFFFFFFFF;
  uint32_t HostBinningX = 1, HostBinningY = 1;
  uint32_t ReadMode = 1;
  TLibraryVersion DriverVersion;
};

// The view of a camera object as it is at this moment.
TParameterView ParameterViewOf(const CCamera& camera);

// The library version the queries report (indices 131 to 133).
TLibraryVersion DriverVersion();

// The three queries. False (and nothing written) for an index the camera's
// generation, or its kind where the tables say so, does not define.
bool IntegerParameter(const TParameterView& view, uint32_t index, uint32_t* value);
bool BooleanParameter(const TParameterView& view, uint32_t index, bool* value);
bool StringParameter(const TCameraInfo& info, uint32_t index, uint32_t high, char* buffer);

}  // namespace tQusb
