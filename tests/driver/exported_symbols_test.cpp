// The shared library exports exactly the camera functions and the platform
// extensions with C linkage; everything else it exports is C++ (mangled).
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

const std::set<std::string> kCameraExports = {
    // plain family
    "AdjustSubFrame",
    "BeginExposure",
    "ClearCCD",
    "ClearSensor",
    "Close",
    "ConvertGain",
    "EndExposure",
    "Enumerate",
    "EnumerateFilters",
    "EnumerateFilters2",
    "EnumerateReadModes",
    "GetBooleanParameter",
    "GetGPSData",
    "GetImage",
    "GetImage16b",
    "GetImage8b",
    "GetImageExposure",
    "GetImageExposure16b",
    "GetImageExposure8b",
    "GetImageTimeStamp",
    "GetIntegerParameter",
    "GetLastErrorString",
    "GetStringParameter",
    "GetValue",
    "Initialize",
    "Initialize2",
    "MoveInProgress",
    "MoveTelescope",
    "Open",
    "ReadPowerUtilization",
    "RegisterNotifyHWND",
    "ReinitFilterWheel",
    "Release",
    "SetBinning",
    "SetFan",
    "SetFilter",
    "SetGain",
    "SetPreflash",
    "SetReadMode",
    "SetTemperature",
    "SetWindowHeating",
    // camera family
    "cameraAdjustSubFrame",
    "cameraBeginExposure",
    "cameraClearSensor",
    "cameraClose",
    "cameraConvertGain",
    "cameraEndExposure",
    "cameraEnumerate",
    "cameraEnumerateFilters",
    "cameraEnumerateFilters2",
    "cameraEnumerateReadModes",
    "cameraGetBoolean",
    "cameraGetGPSData",
    "cameraGetImage",
    "cameraGetImage16b",
    "cameraGetImage8b",
    "cameraGetImageExposure",
    "cameraGetImageExposure16b",
    "cameraGetImageExposure8b",
    "cameraGetImageTimeStamp",
    "cameraGetInteger",
    "cameraGetLastErrorString",
    "cameraGetString",
    "cameraGetValue",
    "cameraInitialize",
    "cameraMoveInProgress",
    "cameraMoveTelescope",
    "cameraOpen",
    "cameraRegisterNotifyHWND",
    "cameraReinitFilterWheel",
    "cameraRelease",
    "cameraSetBinning",
    "cameraSetFan",
    "cameraSetFilter",
    "cameraSetGain",
    "cameraSetPreflash",
    "cameraSetReadMode",
    "cameraSetTemperature",
    "cameraSetWindowHeating",
};

const std::set<std::string> kPlatformExtensions = {
    "tqPumpEvents",          "tqEventFd",        "tqCreateNotifyWindow", "tqGetNotifyMessage",
    "tqDestroyNotifyWindow", "tqSetDebugOutput",
};

// Defined dynamic symbols with C linkage (not mangled, not linker-made).
std::set<std::string> CLinkageExports(const std::string& library) {
  const std::string command = "nm -D --defined-only '" + library + "'";
  FILE* pipe = popen(command.c_str(), "r");
  std::set<std::string> names;
  if (pipe == nullptr) return names;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (!(fields >> address >> type >> name)) continue;
    if (name.rfind("_Z", 0) == 0) continue;
    if (type == "A" || name == "_init" || name == "_fini") continue;
    names.insert(name.substr(0, name.find('@')));
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return names;
}

TEST(ExportedSymbols, CameraExportsAndPlatformExtensionsOnly) {
  ASSERT_EQ(kCameraExports.size(), 79u);
  std::set<std::string> expected = kCameraExports;
  expected.insert(kPlatformExtensions.begin(), kPlatformExtensions.end());
  EXPECT_EQ(CLinkageExports(TQUSB_LIBRARY_PATH), expected);
}

}  // namespace
