#pragma once
// An Alpaca device as a table of members: name -> handler, one table for GET
// and one for PUT. A handler answers the member's value (or nothing for a
// method), throws AlpacaError for an Alpaca error and BadRequest for a
// request it cannot interpret; imagearray writes its own response.
#include <httplib.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <unordered_map>

#include "camera_unit.h"
#include "params.h"

namespace tqalpaca {

struct Call {
  const Params& params;
  const httplib::Request& request;
  httplib::Response& response;
  uint32_t clientTransaction = 0;
  uint32_t serverTransaction = 0;
  bool answered = false;  // the handler wrote the whole response
};

// A value to answer, or none (a method, or a property being set).
using Answer = std::optional<nlohmann::json>;
using Member = std::function<Answer(CameraUnit&, Call&)>;

struct DeviceKind {
  Role role;
  const char* type;  // lower-case device type of the URL
  int interfaceVersion;
  // Members that need the device connected.
  std::unordered_map<std::string, Member> get, put;
};

const DeviceKind& CameraDevice();
const DeviceKind& FilterWheelDevice();

// Answers a member of a device: the members common to every device, then
// the kind's own. Throws BadRequest for an unknown member.
Answer Dispatch(const DeviceKind& kind, CameraUnit& unit, const std::string& member, Call& call,
                bool put);

// Throws "not connected" unless the device's role is connected.
void RequireConnected(const CameraUnit& unit, Role role);

// DeviceState entry helpers: each member is asked, those that answer an
// error are left out.
nlohmann::json DeviceState(const DeviceKind& kind, CameraUnit& unit, Call& call,
                           std::initializer_list<const char*> members);

}  // namespace tqalpaca
