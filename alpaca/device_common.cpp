// The members every Alpaca device has: connection, names, versions and the
// device-specific actions this server does not offer.
#include <chrono>

#include "alpaca_error.h"
#include "camera_bus.h"
#include "device.h"
#include "tqusb/version.h"

namespace tqalpaca {
namespace {

using nlohmann::json;

bool IsConnected(const CameraUnit& unit, Role role) {
  return unit.With([role](const CameraStatus& s) {
    return role == Role::Camera ? s.cameraConnected : s.wheelConnected;
  });
}

void SetConnected(CameraUnit& unit, Role role, bool on) {
  if (on) {
    unit.Connect(role);
    // A wheel whose position is unknown goes to its first position, so
    // Position always names the filter in the light path.
    if (role == Role::Wheel && unit.With([](const CameraStatus& s) { return s.wheelPosition; }) < 0)
      unit.MoveWheel(0);
  } else {
    unit.Disconnect(role);
  }
}

Answer NoActions(CameraUnit&, Call&) {
  throw AlpacaError(kNotImplemented, "this device offers no actions or commands");
}

struct Common {
  std::unordered_map<std::string, std::function<Answer(const DeviceKind&, CameraUnit&, Call&)>> get,
      put;
};

const Common& CommonMembers() {
  static const Common common = [] {
    Common c;
    c.get["connected"] = [](const DeviceKind& k, CameraUnit& u, Call&) -> Answer {
      return IsConnected(u, k.role);
    };
    c.get["connecting"] = [](const DeviceKind&, CameraUnit&, Call&) -> Answer { return false; };
    c.get["description"] = [](const DeviceKind& k, CameraUnit& u, Call&) -> Answer {
      return std::string(k.role == Role::Camera ? "camera " : "filter wheel of camera ") +
             DeviceName(u) + " on the tqusb bus";
    };
    c.get["driverinfo"] = [](const DeviceKind&, CameraUnit&, Call&) -> Answer {
      return "tqalpaca, the Alpaca server of tqusb " TQUSB_VERSION_STRING;
    };
    c.get["driverversion"] = [](const DeviceKind&, CameraUnit&, Call&) -> Answer {
      return TQUSB_VERSION_STRING;
    };
    c.get["interfaceversion"] = [](const DeviceKind& k, CameraUnit&, Call&) -> Answer {
      return k.interfaceVersion;
    };
    c.get["name"] = [](const DeviceKind&, CameraUnit& u, Call&) -> Answer { return DeviceName(u); };
    c.get["supportedactions"] = [](const DeviceKind&, CameraUnit&, Call&) -> Answer {
      return json::array();
    };
    c.put["connected"] = [](const DeviceKind& k, CameraUnit& u, Call& call) -> Answer {
      SetConnected(u, k.role, call.params.Bool("Connected"));
      return std::nullopt;
    };
    c.put["connect"] = [](const DeviceKind& k, CameraUnit& u, Call&) -> Answer {
      SetConnected(u, k.role, true);
      return std::nullopt;
    };
    c.put["disconnect"] = [](const DeviceKind& k, CameraUnit& u, Call&) -> Answer {
      SetConnected(u, k.role, false);
      return std::nullopt;
    };
    for (const char* name : {"action", "commandblind", "commandbool", "commandstring"})
      c.put[name] = [](const DeviceKind&, CameraUnit& u, Call& call) { return NoActions(u, call); };
    return c;
  }();
  return common;
}

}  // namespace

void RequireConnected(const CameraUnit& unit, Role role) {
  if (!IsConnected(unit, role))
    throw AlpacaError(kNotConnected, std::string(role == Role::Camera ? "camera" : "filter wheel") +
                                         " is not connected; set Connected to true first");
}

Answer Dispatch(const DeviceKind& kind, CameraUnit& unit, const std::string& member, Call& call,
                bool put) {
  const Common& common = CommonMembers();
  const auto& commonTable = put ? common.put : common.get;
  if (auto it = commonTable.find(member); it != commonTable.end())
    return it->second(kind, unit, call);
  const auto& table = put ? kind.put : kind.get;
  const auto it = table.find(member);
  if (it == table.end()) {
    const auto& other = put ? kind.get : kind.put;
    const auto& otherCommon = put ? common.get : common.put;
    if (other.count(member) || otherCommon.count(member))
      throw BadRequest(std::string(put ? "PUT" : "GET") + " is not allowed for " + member);
    throw BadRequest("unknown " + std::string(kind.type) + " member " + member);
  }
  RequireConnected(unit, kind.role);
  return it->second(unit, call);
}

json DeviceState(const DeviceKind& kind, CameraUnit& unit, Call& call,
                 std::initializer_list<const char*> members) {
  json state = json::array();
  for (const char* name : members) {
    std::string key(name);
    for (char& ch : key) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    try {
      if (Answer value = kind.get.at(key)(unit, call))
        state.push_back({{"Name", name}, {"Value", *value}});
    } catch (const AlpacaError&) {
      // Not available on this camera or not now: left out.
    }
  }
  state.push_back(
      {{"Name", "TimeStamp"}, {"Value", tqusb::IsoText(tqusb::UtcDateTime(std::chrono::system_clock::now())) + "Z"}});
  return state;
}

}  // namespace tqalpaca
