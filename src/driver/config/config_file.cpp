#include "driver/config/config_file.h"

#include <string>

#include "driver/camera/camera.h"
#include "driver/config/sensor_settings.h"
#include "driver/transport/text_high.h"
#include "platform/known_folders.h"
#include "platform/module_info.h"
#include "tqusb/files/fior.h"
#include "tqusb/runtime/str.h"
#include "tqusb/runtime/str_convert.h"
#include "tqusb/scan/vscan_text.h"

namespace tQusb {
namespace {

constexpr unsigned kNameHigh = 31;
constexpr const char* kSettingsFolder = "/QUIL/ini";
constexpr uint32_t kMiB = 1048576;
constexpr uint32_t kNoCrop = 0xFFFFFFFF;

using Scanner = vscan::CTextScanner;

// A known folder with the settings subfolder; empty when the desktop has none.
void SettingsFolder(const std::string& folder, unsigned high, char* path) {
  path[0] = '\0';
  if (folder.empty()) return;
  Str::CopyA(high, path, static_cast<unsigned>(folder.size()), folder.c_str());
  Str::AppendA(high, path, TextHigh(kSettingsFolder), kSettingsFolder);
}

bool OpenFirst(Scanner& scanner, int32_t id) {
  char documents[kConfigPathHigh + 1], publicDocuments[kConfigPathHigh + 1],
      library[kConfigPathHigh + 1];
  SettingsFolder(platform::DocumentsFolder(), kConfigPathHigh, documents);
  SettingsFolder(platform::PublicDocumentsFolder(), kConfigPathHigh, publicDocuments);
  LibraryDirectory(kConfigPathHigh, library);
  char cameraName[kNameHigh + 1];
  ConfigCameraName(id, kNameHigh, cameraName);

  const char* names[] = {cameraName, kConfigGeneralName};
  const char* folders[] = {documents, publicDocuments, library};
  for (const char* name : names) {
    for (const char* folder : folders) {
      char path[kConfigPathHigh + 1];
      FIOR::MakePathA(kConfigPathHigh, path, kConfigPathHigh, folder, kNameHigh, name);
      if (scanner.Init(kConfigPathHigh, path)) return true;
      scanner.Done();
    }
  }
  return false;
}

bool ReadBool(Scanner& s, const char* key, unsigned char* value) {
  return s.GetKeyBool(TextHigh(key), key, value) != 0;
}
bool ReadCard(Scanner& s, const char* key, uint32_t* value) {
  unsigned int v = 0;
  if (!s.GetKeyCard(TextHigh(key), key, &v)) return false;
  *value = v;
  return true;
}
bool ReadInt(Scanner& s, const char* key, int32_t* value) {
  int v = 0;
  if (!s.GetKeyInt(TextHigh(key), key, &v)) return false;
  *value = v;
  return true;
}

// The micrometre switch: the first of the four readings that succeeds
// decides; it can set the flag but never clears it.
void ReadMicrometerSwitch(Scanner& s, CCamera& camera) {
  for (const char* key : {"MicrometerFilterOffsets", "MicrometerFilterOffset"}) {
    unsigned char flag = 0;
    uint32_t number = 0;
    bool on = false;
    if (ReadBool(s, key, &flag)) on = flag != 0;
    else if (ReadCard(s, key, &number)) on = number != 0;
    else continue;
    if (on) camera.Flags |= kFlagMicrometerFilterOffsets;
    return;
  }
}

void ReadDriverSection(Scanner& s, CCamera& camera) {
  ReadMicrometerSwitch(s, camera);
  uint32_t megabytes = 0;
  if (ReadCard(s, "SingleReadLimitMB", &megabytes)) {
    if (megabytes < 1) megabytes = 1;
    if (megabytes > 32) megabytes = 32;
    camera.SingleReadLimit = megabytes * kMiB;
  }
  ReadCard(s, "ClockOverlapDelay", &camera.ClockOverlapDelay);
  ReadCard(s, "ClockDelay", &camera.ClockDelay);
  ReadInt(s, "Offset1", &camera.Offset1);
  ReadInt(s, "Offset2", &camera.Offset2);
  ReadInt(s, "Offset3", &camera.Offset3);
  ReadInt(s, "Offset4", &camera.Offset4);
  ReadInt(s, "OffsetCL", &camera.OffsetCL);
}

void ReadCropSection(Scanner& s, CCamera& camera) {
  ReadCard(s, "x", &camera.CropX);
  ReadCard(s, "y", &camera.CropY);
  ReadCard(s, "w", &camera.CropW);
  if (!ReadCard(s, "h", &camera.CropH)) ReadCard(s, "d", &camera.CropH);
}

bool SelectSection(Scanner& s, const char* name) {
  return s.SetSection(TextHigh(name), name) != 0;
}

}  // namespace

void ConfigCameraName(int32_t id, unsigned high, char* name) {
  char number[11] = {};
  unsigned char ok = 0;
  Str::CardToStrA(static_cast<uint32_t>(id), sizeof number - 1, number, 10, &ok);
  Str::CopyA(high, name, TextHigh("tqusb."), "tqusb.");
  Str::AppendA(high, name, sizeof number - 1, number);
  Str::AppendA(high, name, TextHigh(".ini"), ".ini");
}

void LibraryDirectory(unsigned high, char* directory) {
  const std::string module = platform::ModuleFileName();
  char name[kNameHigh + 1];
  FIOR::SplitPathA(static_cast<unsigned>(module.size()), module.c_str(), high, directory,
                   kNameHigh, name);
}

void ReadConfigurationFile(CCamera& camera) {
  Scanner scanner;
  if (!OpenFirst(scanner, camera.RequestedId)) return;
  if (SelectSection(scanner, "driver")) ReadDriverSection(scanner, camera);
  if (camera.Traits->FourOutputs) {
    // The four-output sensor is never cropped.
    camera.CropX = camera.CropY = camera.CropW = camera.CropH = kNoCrop;
  } else if (SelectSection(scanner, "crop")) {
    ReadCropSection(scanner, camera);
  }
  scanner.Done();
}

void SendConfiguredTiming(CCamera& camera) {
  const uint32_t overlap = camera.ClockOverlapDelay;
  const uint32_t delay = camera.ClockDelay;
  switch (camera.Traits->Timing) {
    case ETimingEncoding::OverlapAndDelay:
      if (overlap <= 255 && delay >= 3 && delay <= 255)
        SetTiming(camera, static_cast<uint8_t>(overlap), static_cast<uint8_t>(delay));
      break;
    case ETimingEncoding::DelayOnly:
      if (delay <= 255) SetTiming(camera, 0, static_cast<uint8_t>(delay));
      break;
    case ETimingEncoding::None:
      break;
  }
}

}  // namespace tQusb
