// What the shared library exports, from one `nm -D` run: with C linkage
// exactly the camera functions and the tq* extensions; with C++ linkage only
// the runtime library's namespaces, nothing of the driver's internals. And
// what it contains at all, from its whole symbol table: nothing of the bus's
// device side and none of the setters that only tests use.
#include <cxxabi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::set<std::string> kCExports = {
    "AdjustSubFrame", "BeginExposure", "ClearCCD", "ClearSensor", "Close", "ConvertGain",
    "EndExposure", "Enumerate", "EnumerateFilters", "EnumerateFilters2", "EnumerateReadModes",
    "GetBooleanParameter", "GetGPSData", "GetImage", "GetImage16b", "GetImage8b",
    "GetImageExposure", "GetImageExposure16b", "GetImageExposure8b", "GetImageTimeStamp",
    "GetIntegerParameter", "GetLastErrorString", "GetStringParameter", "GetValue", "Initialize",
    "Initialize2", "MoveInProgress", "MoveTelescope", "Open", "ReadPowerUtilization",
    "RegisterNotifyHWND", "ReinitFilterWheel", "Release", "SetBinning", "SetFan", "SetFilter",
    "SetGain", "SetPreflash", "SetReadMode", "SetTemperature", "SetWindowHeating",
    "cameraAdjustSubFrame", "cameraBeginExposure", "cameraClearSensor", "cameraClose",
    "cameraConvertGain", "cameraEndExposure", "cameraEnumerate", "cameraEnumerateFilters",
    "cameraEnumerateFilters2", "cameraEnumerateReadModes", "cameraGetBoolean", "cameraGetGPSData",
    "cameraGetImage", "cameraGetImage16b", "cameraGetImage8b", "cameraGetImageExposure",
    "cameraGetImageExposure16b", "cameraGetImageExposure8b", "cameraGetImageTimeStamp",
    "cameraGetInteger", "cameraGetLastErrorString", "cameraGetString", "cameraGetValue",
    "cameraInitialize", "cameraMoveInProgress", "cameraMoveTelescope", "cameraOpen",
    "cameraRegisterNotifyHWND", "cameraReinitFilterWheel", "cameraRelease", "cameraSetBinning",
    "cameraSetFan", "cameraSetFilter", "cameraSetGain", "cameraSetPreflash", "cameraSetReadMode",
    "cameraSetTemperature", "cameraSetWindowHeating",
    // the platform extensions
    "tqPumpEvents", "tqEventFd", "tqCreateNotifyWindow", "tqGetNotifyMessage",
    "tqDestroyNotifyWindow", "tqSetDebugOutput",
    // the capability call
    "tqGetCameraCaps"};

struct Exports {
  std::set<std::string> c;       // C linkage, version suffix removed
  std::vector<std::string> cxx;  // demangled
};

// The defined symbols of the dynamic table, or with `dynamic` false of the
// whole symbol table (local and hidden ones included).
Exports DefinedSymbols(bool dynamic = true) {
  const std::string command =
      std::string("nm ") + (dynamic ? "-D " : "") + "--defined-only '" + TQUSB_LIBRARY_PATH + "'";
  Exports out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char line[4096];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (!(fields >> address >> type >> name)) continue;
    if (type == "A" || name == "_init" || name == "_fini") continue;
    name = name.substr(0, name.find('@'));
    if (name.rfind("_Z", 0) != 0) {
      out.c.insert(name);
      continue;
    }
    int status = 0;
    char* plain = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
    out.cxx.push_back(status == 0 ? plain : name);
    std::free(plain);
  }
  EXPECT_EQ(pclose(pipe), 0) << command;
  return out;
}

TEST(ExportedSymbols, CameraInterfaceExtensionsAndRuntimeOnly) {
  ASSERT_EQ(kCExports.size(), 79u + 6u + 1u);
  const Exports exports = DefinedSymbols();
  EXPECT_EQ(exports.c, kCExports);

  const std::regex runtime(
      "^(typeinfo for |typeinfo name for |vtable for )?"
      "(Str|Lib|Storage|os|MATHLIB|vlist|vtree|vcom|vscan|FIO|FIOR)::.*");
  for (const std::string& name : exports.cxx)
    EXPECT_TRUE(std::regex_match(name, runtime)) << "unexpected export: " << name;
  for (const std::string prefix :
       {"Str::CopyA(", "Str::CopyW(", "Lib::Move(", "Storage::Allocate(", "vlist::CList::Append(",
        "vtable for vlist::CListElem", "vtree::CAVLTree2::Insert(", "vtable for vtree::CAVLTree",
        "vcom::CRect::Init(", "vcom::ConvertBuffer(", "vcom::Dummy", "FIO::OpenReadA(",
        "FIO::IOresult(", "FIOR::SplitPathA(", "vtable for FIOR::CRed2A",
        "vcom::ParseLongPathNameA(", "vscan::CTextScanner::Init(",
        "vtable for vscan::CRegScannerA"}) {
    EXPECT_TRUE(std::any_of(exports.cxx.begin(), exports.cxx.end(), [&](const std::string& n) {
      return n.rfind(prefix, 0) == 0;
    })) << prefix;
  }
}

TEST(ExportedSymbols, NoDeviceSideOfTheBusAndNoTestSeams) {
  const std::vector<std::string> all = DefinedSymbols(false).cxx;
  // The table is read at all: an internal function of the bus's host side.
  ASSERT_TRUE(std::any_of(all.begin(), all.end(), [](const std::string& n) {
    return n.rfind("platform::vbus::ReplyTimeoutMs(", 0) == 0;
  }));
  for (const std::string part :
       {"busdevice::", "PublishedDevice", "DeviceEndpoints", "ListenStream", "sock::Accept(",
        "SetReplyTimeoutMs(", "SetImageFloorMs(", "ExchangeClockSource(", "SystemClockSource(",
        "transport::SetBackend(", "SetPowerTimerPeriodMs("}) {
    for (const std::string& name : all)
      EXPECT_EQ(name.find(part), std::string::npos) << "in the library: " << name;
  }
}

}  // namespace
