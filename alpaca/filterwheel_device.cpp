// The FilterWheel device (interface version 3) of a camera with a wheel:
// names and focus offsets from the camera's filter list, and the position,
// -1 while the wheel moves.
#include "alpaca_error.h"
#include "device.h"

namespace tqalpaca {
namespace {

using nlohmann::json;

// The positions the camera reports, named where the camera names them.
std::vector<std::string> Names(const CameraStatus& s) {
  std::vector<std::string> names;
  for (uint32_t i = 0; i < s.caps.filters; ++i) {
    std::string name = i < s.filters.size() ? s.filters[i].name : "";
    if (name.empty() || name == "<undefined>") name = "Filter " + std::to_string(i + 1);
    names.push_back(name);
  }
  return names;
}

DeviceKind MakeWheel() {
  DeviceKind k{Role::Wheel, "filterwheel", 3, {}, {}};
  k.get["names"] = [](CameraUnit& u, Call&) -> Answer {
    return json(u.With([](const CameraStatus& s) { return Names(s); }));
  };
  k.get["focusoffsets"] = [](CameraUnit& u, Call&) -> Answer {
    return u.With([](const CameraStatus& s) {
      json offsets = json::array();
      for (uint32_t i = 0; i < s.caps.filters; ++i)
        offsets.push_back(i < s.filters.size() ? s.filters[i].offset : 0);
      return offsets;
    });
  };
  k.get["position"] = [](CameraUnit& u, Call&) -> Answer {
    return u.Change([](CameraStatus& s) {
      if (!s.wheelError.empty()) {
        const std::string why = std::move(s.wheelError);
        s.wheelError.clear();
        throw AlpacaError(kDriverError, "the filter wheel did not move: " + why);
      }
      return json(s.wheelPosition);
    });
  };
  k.get["devicestate"] = [](CameraUnit& u, Call& call) -> Answer {
    return DeviceState(FilterWheelDevice(), u, call, {"Position"});
  };
  k.put["position"] = [](CameraUnit& u, Call& call) -> Answer {
    const uint32_t count = u.With([](const CameraStatus& s) { return s.caps.filters; });
    const int32_t position = call.params.Int("Position");
    if (position < 0 || uint32_t(position) >= count)
      throw InvalidValue("Position " + std::to_string(position) + " is outside 0.." +
                         std::to_string(int64_t{count} - 1));
    u.MoveWheel(position);
    return std::nullopt;
  };
  return k;
}

}  // namespace

const DeviceKind& FilterWheelDevice() {
  static const DeviceKind kind = MakeWheel();
  return kind;
}

}  // namespace tqalpaca
