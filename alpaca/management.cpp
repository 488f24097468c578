// The Alpaca management API: the API versions, the server's description and
// the devices it offers.
#include <unistd.h>

#include "http_server.h"
#include "params.h"
#include "tqusb/version.h"

namespace tqalpaca {
namespace {

using nlohmann::json;

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return "";
  return name;
}

json ConfiguredDevices(const CameraBus& bus) {
  json devices = json::array();
  const std::vector<CameraUnit*> cameras = bus.Cameras();
  for (size_t i = 0; i < cameras.size(); ++i)
    devices.push_back({{"DeviceName", DeviceName(*cameras[i])},
                       {"DeviceType", "Camera"},
                       {"DeviceNumber", i},
                       {"UniqueID", "tqusb-camera-" + std::to_string(cameras[i]->Id())}});
  const std::vector<CameraUnit*> wheels = bus.Wheels();
  for (size_t i = 0; i < wheels.size(); ++i)
    devices.push_back({{"DeviceName", DeviceName(*wheels[i])},
                       {"DeviceType", "FilterWheel"},
                       {"DeviceNumber", i},
                       {"UniqueID", "tqusb-filterwheel-" + std::to_string(wheels[i]->Id())}});
  return devices;
}

}  // namespace

bool AnswerManagement(const std::string& path, CameraBus& bus, const httplib::Request& request,
                      httplib::Response& response, HttpServer& server) {
  json value;
  if (path == "/management/apiversions") {
    value = json::array({1});
  } else if (path == "/management/v1/description") {
    value = {{"ServerName", "tqalpaca"},
             {"Manufacturer", "tqusb"},
             {"ManufacturerVersion", TQUSB_VERSION_STRING},
             {"Location", HostName()}};
  } else if (path == "/management/v1/configureddevices") {
    value = ConfiguredDevices(bus);
  } else {
    return false;
  }
  uint32_t client = 0;
  for (const auto& [name, text] : request.params) {
    std::string key = name;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (key == "clienttransactionid") {
      client = ParseUInt32(text).value_or(0);
      break;
    }
  }
  AnswerJson(response, value, client, server.NextTransaction());
  return true;
}

}  // namespace tqalpaca
