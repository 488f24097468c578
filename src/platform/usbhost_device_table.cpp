#include "platform/usbhost_device_table.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <unordered_set>

#include "platform/debug_output.h"
#include "platform/settings_file.h"

namespace platform::usbhost {
namespace {

bool ParseNumber(const std::string& text, int base, unsigned long max, unsigned long* value) {
  std::string digits = text;
  if (base == 16 && digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    digits = digits.substr(2);
  if (digits.empty() || digits.size() > 8) return false;
  char* end = nullptr;
  unsigned long v = std::strtoul(digits.c_str(), &end, base);
  if (*end != '\0' || digits[0] == '-' || digits[0] == '+' || v > max) return false;
  *value = v;
  return true;
}

bool ParseLine(const std::string& line, TUsbModel* model) {
  std::istringstream in(line);
  std::vector<std::string> fields;
  for (std::string field; in >> field;) fields.push_back(field);
  if (fields.size() != 3 && fields.size() != 4 && fields.size() != 7) return false;
  unsigned long vendor, product, classNumber, value;
  if (!ParseNumber(fields[0], 16, 0xFFFF, &vendor) || !ParseNumber(fields[1], 16, 0xFFFF, &product) ||
      !ParseNumber(fields[2], 10, 14, &classNumber) || classNumber < 1)
    return false;
  model->vendor = static_cast<uint16_t>(vendor);
  model->product = static_cast<uint16_t>(product);
  model->classNumber = static_cast<int>(classNumber);
  if (fields.size() >= 4) {
    if (!ParseNumber(fields[3], 10, 255, &value)) return false;
    model->interface = static_cast<int>(value);
  }
  if (fields.size() == 7) {
    uint8_t* pipes[3] = {&model->command, &model->reply, &model->image};
    for (int i = 0; i < 3; ++i) {
      if (!ParseNumber(fields[4 + i], 16, 0xFF, &value) || (value & 0x0F) == 0) return false;
      *pipes[i] = static_cast<uint8_t>(value);
    }
    // The command pipe goes to the device, the other two come from it.
    if ((model->command & 0x80) != 0 || (model->reply & 0x80) == 0 || (model->image & 0x80) == 0)
      return false;
  }
  return true;
}

std::vector<TUsbModel> LoadTables() {
  std::vector<TUsbModel> models;
  std::unordered_set<uint32_t> known;  // vendor << 16 | product
  for (const std::string& file : DeviceTableFiles()) {
    int fd = -1;
    if (OpenSettingsFile(file, kTextSettingsLimit, &fd) != SettingsOpen::kOpened) continue;
    std::string text;
    bool read = ReadSettingsFile(fd, file, kTextSettingsLimit, &text);
    close(fd);
    if (!read) continue;
    for (const TUsbModel& m : ParseDeviceTable(text))
      if (known.insert(uint32_t{m.vendor} << 16 | m.product).second) models.push_back(m);
  }
  return models;
}

}  // namespace

std::vector<TUsbModel> ParseDeviceTable(std::string_view text) {
  std::vector<TUsbModel> models;
  std::istringstream in{std::string(text)};
  unsigned number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    TUsbModel model;
    if (ParseLine(line, &model))
      models.push_back(model);
    else
      DebugOutput(("USB device table: line " + std::to_string(number) + " skipped\n").c_str());
  }
  return models;
}

std::vector<std::string> DeviceTableFiles() {
  std::string config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/')
    config = xdg;
  else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0')
    config = std::string(home) + "/.config";
  std::vector<std::string> files;
  if (!config.empty()) files.push_back(config + "/tqusb/devices.conf");
  files.push_back("/etc/tqusb/devices.conf");
  return files;
}

bool DeviceTableExists() {
  for (const std::string& file : DeviceTableFiles()) {
    struct stat st;
    if (stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return true;
  }
  return false;
}

const std::vector<TUsbModel>& DeviceTable() {
  // Never destroyed: libusb's event thread looks devices up here from its
  // hotplug callback until the context ends, which can be after the static
  // objects of this library are gone.
  static const auto* table = new std::vector<TUsbModel>(LoadTables());
  return *table;
}

const TUsbModel* FindModel(uint16_t vendor, uint16_t product) {
  for (const TUsbModel& m : DeviceTable())
    if (m.vendor == vendor && m.product == product) return &m;
  return nullptr;
}

}  // namespace platform::usbhost
