// The camera's parameter queries: they answer from the camera object alone,
// send nothing, ignore the connection state and never touch LastError.
#include "driver/camera/camera.h"
#include "driver/config/parameter_view.h"
#include "platform/module_info.h"

namespace tQusb {

TLibraryVersion DriverVersion() {
  const platform::TModuleVersion v = platform::ModuleVersion();
  return {v.major, v.minor, v.release};
}

TParameterView ParameterViewOf(const CCamera& camera) {
  TParameterView view;
  view.Generation = camera.Generation;
  view.Traits = camera.Traits;
  view.Flags = camera.Flags;
  view.Info = camera.Info;
  view.PackedInfo = camera.PackedInfo;
  view.Ver128Hi = camera.Ver128Hi;
  view.Ver128Lo = camera.Ver128Lo;
  view.Ver129Hi = camera.Ver129Hi;
  view.Ver130 = camera.Ver130;
  view.Ver131 = camera.Ver131;
  view.VerReserved = camera.VerReserved;
  view.CropW = camera.CropW;
  view.CropH = camera.CropH;
  view.HostBinningX = camera.HostBinningX;
  view.HostBinningY = camera.HostBinningY;
  view.ReadMode = camera.ReadMode;
  view.DriverVersion = DriverVersion();
  return view;
}

// A null result pointer gets no answer rather than a crash.
bool CCamera::GetIntegerParameter(uint32_t index, uint32_t* value) {
  if (value == nullptr) return false;
  return IntegerParameter(ParameterViewOf(*this), index, value);
}

bool CCamera::GetBooleanParameter(uint32_t index, bool* value) {
  if (value == nullptr) return false;
  return BooleanParameter(ParameterViewOf(*this), index, value);
}

bool CCamera::GetStringParameter(uint32_t index, uint32_t high, char* buffer) {
  if (buffer == nullptr) return false;
  return StringParameter(Info, index, high, buffer);
}

}  // namespace tQusb
