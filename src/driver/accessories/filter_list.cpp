#include "driver/accessories/filter_list.h"

#include "driver/camera/camera.h"
#include "driver/config/config_file.h"
#include "driver/transport/text_high.h"
#include "tqusb/files/fior.h"
#include "tqusb/runtime/str.h"
#include "tqusb/runtime/str_convert.h"
#include "tqusb/scan/vscan_registry.h"
#include "tqusb/scan/vscan_text.h"

namespace tQusb {
namespace {

constexpr unsigned kItemHigh = 15;
constexpr unsigned kNumberHigh = 10;
constexpr const char* kRegistryKey = "Software\\Kestoral Instruments\\Tq Camera Filters";
constexpr const char* kUndefined = "<undefined>";

struct TColourName {
  const char* Name;
  uint32_t Value;
};

constexpr TColourName kColours[] = {
    {"BLACK", 0x000000},   {"BLUE", 0x7F0000},     {"GREEN", 0x007F00},  {"CYAN", 0x7F7F00},
    {"RED", 0x00007F},     {"MAGENTA", 0x7F007F},  {"YELLOW", 0x007F7F}, {"LGRAY", 0xBFBFBF},
    {"DGRAY", 0x7F7F7F},   {"LBLUE", 0xFF0000},    {"LGREEN", 0x00FF00}, {"LCYAN", 0xFFFF00},
    {"LRED", 0x0000FF},    {"LMAGENTA", 0xFF00FF}, {"LYELLOW", 0x00FFFF}, {"WHITE", 0xFFFFFF},
};

void Item(unsigned high, const char* line, unsigned n, unsigned itemHigh, char* item) {
  Str::ItemSA(itemHigh, item, high, line, 0, ",", n);
  Str::TrimA(itemHigh, item);
}

uint32_t ColourOf(const char* text) {
  unsigned char ok = 0;
  const uint32_t number = Str::StrToCardA(kItemHigh, text, 10, &ok);
  if (ok) return number;
  for (const TColourName& c : kColours)
    if (Str::SameA(kItemHigh, text, TextHigh(c.Name), c.Name)) return c.Value;
  return 0;
}

void AppendLine(CCamera& camera, unsigned high, const char* line) {
  auto* elem = new CFilterListElem;
  ParseFilterLine(high, line, *elem);
  camera.Filters.Append(elem);
}

void AppendUndefined(CCamera& camera) {
  auto* elem = new CFilterListElem;
  Str::CopyA(kFilterNameHigh, elem->Name, TextHigh(kUndefined), kUndefined);
  camera.Filters.Append(elem);
}

void NumberText(uint32_t value, char (&text)[kNumberHigh + 1]) {
  unsigned char ok = 0;
  text[0] = '\0';
  Str::CardToStrA(value, kNumberHigh, text, 10, &ok);
}

// The registry source; a subkey of the camera's id when there is one, else
// the values directly under the key.
void LoadFromRegistry(CCamera& camera, uint32_t count) {
  vscan::CRegScannerA registry;
  if (!registry.Init(0, "", TextHigh(kRegistryKey), kRegistryKey, vscan::HKEY_CURRENT_USER))
    return;
  char id[kNumberHigh + 1];
  NumberText(static_cast<uint32_t>(camera.RequestedId), id);
  registry.SetSection(kNumberHigh, id);
  unsigned char micrometres = 0;
  if (registry.GetKeyBool(TextHigh("MicrometerFilterOffset"), "MicrometerFilterOffset",
                          &micrometres) &&
      micrometres)
    camera.Flags |= kFlagMicrometerFilterOffsets;
  for (uint32_t i = 1; i <= count; ++i) {
    char name[kNumberHigh + 1];
    NumberText(i, name);
    char line[kFilterLineHigh + 1] = {};
    if (!registry.GetKeyStr(kNumberHigh, name, kFilterLineHigh, line)) break;
    if (Str::LengthA(kFilterLineHigh, line) == 0) continue;
    AppendLine(camera, kFilterLineHigh, line);
  }
  registry.Done();
}

bool OpenBesideLibrary(vscan::CTextScanner& scanner, int32_t id) {
  char directory[kConfigPathHigh + 1];
  LibraryDirectory(kConfigPathHigh, directory);
  char cameraName[kFilterNameHigh + 1];
  ConfigCameraName(id, kFilterNameHigh, cameraName);
  for (const char* name : {static_cast<const char*>(cameraName), kConfigGeneralName}) {
    char path[kConfigPathHigh + 1];
    FIOR::MakePathA(kConfigPathHigh, path, kConfigPathHigh, directory, TextHigh(name), name);
    if (scanner.Init(kConfigPathHigh, path)) return true;
    scanner.Done();
  }
  return false;
}

// The file source: the entries of section "filters" in file order, at most
// `count` of them, empty ones counted but skipped. Only the key text (the
// whole line for a line without '=') describes the filter.
void LoadFromFile(CCamera& camera, uint32_t count) {
  vscan::CTextScanner scanner;
  if (!OpenBesideLibrary(scanner, camera.RequestedId)) return;
  if (scanner.SetSection(TextHigh("filters"), "filters")) {
    char key[kFilterLineHigh + 1] = {};
    char value[vscan::TextValueHigh + 1] = {};
    uint32_t counter = 1;
    for (unsigned char more = scanner.GetFirstLine(kFilterLineHigh, key, vscan::TextValueHigh, value);
         more && counter <= count;
         more = scanner.GetNextLine(kFilterLineHigh, key, vscan::TextValueHigh, value), ++counter) {
      if (Str::LengthA(kFilterLineHigh, key) != 0) AppendLine(camera, kFilterLineHigh, key);
    }
  }
  scanner.Done();
}

}  // namespace

void ParseFilterLine(unsigned high, const char* line, CFilterListElem& elem) {
  char item[kFilterNameHigh + 1];
  Item(high, line, 0, kFilterNameHigh, item);
  Str::CopyA(kFilterNameHigh, elem.Name, kFilterNameHigh, item);

  char colour[kItemHigh + 1];
  Item(high, line, 1, kItemHigh, colour);
  Str::CapsA(kItemHigh, colour);
  elem.Colour = ColourOf(colour);

  char offset[kItemHigh + 1];
  Item(high, line, 2, kItemHigh, offset);
  unsigned char ok = 0;
  const int32_t value = Str::StrToIntA(kItemHigh, offset, 10, &ok);
  elem.Offset = ok ? value : 0;
}

void LoadFilterList(CCamera& camera) {
  camera.Filters.DisposeList();
  uint32_t count = 0;
  if (!camera.GetIntegerParameter(8, &count) || count < 1) return;
  LoadFromRegistry(camera, count);
  if (camera.Filters.count == 0) LoadFromFile(camera, count);
  while (camera.Filters.count < count) AppendUndefined(camera);
}

}  // namespace tQusb
