// The setup pages: this server has nothing to configure, so each page shows
// the cameras and wheels it offers and their state.
#include <sstream>

#include "device.h"
#include "http_server.h"

namespace tqalpaca {
namespace {

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

const char* StateName(CameraState state) {
  static const char* const kNames[] = {"idle",    "waiting",     "exposing",
                                       "reading", "downloading", "error"};
  return kNames[static_cast<int>(state)];
}

std::string Row(const char* type, size_t number, const CameraUnit& unit, bool wheel) {
  std::ostringstream row;
  unit.With([&](const CameraStatus& s) {
    const bool connected = wheel ? s.wheelConnected : s.cameraConnected;
    row << "<tr><td>" << type << " " << number << "</td><td>" << Escaped(DeviceName(unit))
        << "</td><td>" << (connected ? "connected" : "not connected");
    if (s.open && !s.present) row << ", unplugged";
    if (connected && !wheel) {
      row << ", " << StateName(s.state);
      if (s.state == CameraState::Error) row << ": " << Escaped(s.errorText);
      if (s.readings.sensor) row << ", sensor " << *s.readings.sensor << " &deg;C";
    }
    if (connected && wheel)
      row << (s.wheelPosition < 0 ? ", moving" : ", position " + std::to_string(s.wheelPosition));
    row << "</td></tr>\n";
    return 0;
  });
  return row.str();
}

}  // namespace

bool AnswerSetup(const std::string& path, CameraBus& bus, httplib::Response& response) {
  std::string rows;
  const auto cameras = bus.Cameras();
  const auto wheels = bus.Wheels();
  if (path == "/setup") {
    for (size_t i = 0; i < cameras.size(); ++i) rows += Row("Camera", i, *cameras[i], false);
    for (size_t i = 0; i < wheels.size(); ++i) rows += Row("FilterWheel", i, *wheels[i], true);
  } else if (path.rfind("/setup/v1/", 0) == 0) {
    // /setup/v1/{device_type}/{device_number}/setup
    const std::string rest = path.substr(10);
    const size_t slash = rest.find('/');
    const std::string type = rest.substr(0, slash);
    const std::string tail = slash == std::string::npos ? "" : rest.substr(slash + 1);
    const size_t end = tail.find('/');
    if (end == std::string::npos || tail.substr(end) != "/setup") return false;
    const auto number = ParseUInt32(tail.substr(0, end));
    const bool wheel = type == "filterwheel";
    const auto& list = wheel ? wheels : cameras;
    if (!number || (type != "camera" && !wheel) || *number >= list.size()) {
      // The management interface answers an unknown device with 403.
      response.status = 403;
      response.set_content("<!DOCTYPE html>\n<html><body><p>No such device: " + Escaped(path) +
                               "</p></body></html>\n",
                           "text/html; charset=utf-8");
      return true;
    }
    rows = Row(wheel ? "FilterWheel" : "Camera", *number, *list[*number], wheel);
  } else {
    return false;
  }
  if (rows.empty()) rows = "<tr><td colspan=\"3\">no camera on the bus</td></tr>\n";
  response.set_content(
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>tqalpaca</title></head><body>\n"
      "<h1>tqalpaca</h1>\n<p>The cameras on the tqusb bus. There is nothing to configure: "
      "cameras appear when plugged in, settings are made by the client.</p>\n"
      "<table border=\"1\"><tr><th>Device</th><th>Name</th><th>State</th></tr>\n" +
          rows + "</table></body></html>\n",
      "text/html; charset=utf-8");
  return true;
}

}  // namespace tqalpaca
