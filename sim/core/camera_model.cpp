#include "camera_model.h"

#include <algorithm>

namespace tqsim {
namespace {

constexpr std::size_t kTextLength = 15;

void PutText(Bytes& out, const std::string& text) {
  for (std::size_t i = 0; i < kTextLength; ++i) {
    out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
  }
}

bool ValidDeviceName(const std::string& name) {
  if (name.empty() || name.size() > 100) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '.' || c == '&' ||
           c == '#' || c == '-';
  });
}

std::vector<std::uint8_t> DefaultReadModes(const CameraModel& m) {
  const int kind = m.Kind();
  switch (m.Generation()) {
    case 0:
      return {2, 16};
    case 1:
      return (kind == 7 || kind == 8) ? std::vector<std::uint8_t>{0, 1, 2}
                                      : std::vector<std::uint8_t>{0, 1};
    default:
      break;
  }
  if (!IsMultiModeKind(kind)) return {3};
  const bool extended = (m.versions[0] & 0xFF) >= 2 && m.versions[3] >= 2;
  return extended ? std::vector<std::uint8_t>{0, 1, 2, 3} : std::vector<std::uint8_t>{0, 1};
}

}  // namespace

void DeriveModel(CameraModel& m) {
  m.kg = KindForClass(m.interfaceClass, m.interfaceClass == 1 ? m.productId : std::nullopt);
  if (m.readModes.empty()) m.readModes = DefaultReadModes(m);
  if (m.Kind() == 4) m.maxBinY = 1;
  // Generation-5 firmware runs a time-stamp counter; the receiver that gives
  // it a time to count from is fitted where capability bit 2 or 3 says so
  // (the same bits a host reads as boolean parameter 16).
  m.image.gps.counter = m.Generation() == 5;
  m.image.gps.present = m.Generation() == 5 && (m.caps & 0x0C) != 0;
}

std::string ValidateModel(const CameraModel& m) {
  if (!ValidDeviceName(m.name)) return "device name \"" + m.name + "\" is not 1 to 100 of [a-z0-9_.&#-]";
  if (m.interfaceClass < 1 || m.interfaceClass > 14) return "interface class must be 1 to 14";
  if (m.width == 0 || m.height == 0) return "sensor width and height must not be 0";
  if (m.text0.size() > kTextLength || m.text2.size() > kTextLength || m.text3.size() > kTextLength)
    return "texts are at most 15 characters";
  if (m.caps > 0x0F) return "capability bits are 0 to 3";
  if (m.extra > 0x0F) return "extra is 4 bits";
  if (m.filterCount > 15) return "a filter wheel has at most 15 positions";
  if (m.packedFlagBits & ~0x00DAu) return "packed flag bits may only be 1, 3, 4, 6 and 7";
  if ((m.packedFlagBits & 0x02) && m.filterCount != 0)
    return "packed flag bit 1 cannot be combined with a filter wheel";
  if (m.maxBinX == 0 || m.maxBinY == 0) return "binning limits must be at least 1";
  if (m.readModes.empty()) return "a camera needs at least one read mode";
  if (m.physics.timeConstantS <= 0 || m.physics.coolingDepthC < 0 || m.physics.filterStepS < 0 ||
      m.physics.driftPeriodS <= 0)
    return "physical parameters out of range";
  return {};
}

std::uint16_t PackedFlags(const CameraModel& m) {
  std::uint16_t flags = 0;
  switch (m.filterCount) {
    case 0:
      break;
    case 5:
      flags |= 0x01;
      break;
    case 6:
      flags |= 0x02;
      break;
    default:
      flags |= static_cast<std::uint16_t>(0x03 | ((m.filterCount & 0x0F) << 8));
      break;
  }
  if (m.caps & 0x01) flags |= 0x04;
  if (m.caps & 0x02) flags |= 0x20;
  flags |= static_cast<std::uint16_t>((m.extra & 0x0F) << 12);
  return static_cast<std::uint16_t>(flags | m.packedFlagBits);
}

Bytes InfoRecord(const CameraModel& m) {
  Bytes out;
  PutU32(out, m.cameraId);
  if (UsesPackedRecord(m.kg)) {
    PutU16(out, PackedFlags(m));
    PutU16(out, m.width);
    PutU16(out, m.height);
    PutU16(out, m.infoWord3);
    PutU16(out, m.infoWord4);
    PutText(out, m.text0);
    PutText(out, m.text2);
    PutText(out, m.text3);
    out.push_back(0);
    return out;  // 60 bytes
  }
  out.push_back(m.caps);
  out.push_back(m.filterCount);
  PutU16(out, m.extra);
  PutU16(out, m.width);
  PutU16(out, m.height);
  PutU16(out, m.infoWord3);
  PutU16(out, m.infoWord4);
  PutText(out, m.text0);
  PutText(out, m.text2);
  PutText(out, m.text3);
  out.insert(out.end(), 3, 0);
  return out;  // 64 bytes
}

std::optional<Bytes> DeviceDescriptor(const CameraModel& m) {
  if (!m.productId) return std::nullopt;
  Bytes d;
  d.push_back(18);    // bLength
  d.push_back(0x01);  // bDescriptorType: device
  PutU16(d, m.bcdUsb);
  d.push_back(0xFF);  // vendor-specific device class
  d.push_back(0x00);
  d.push_back(0x00);
  d.push_back(64);  // bMaxPacketSize0
  PutU16(d, m.vendorId);
  PutU16(d, *m.productId);
  PutU16(d, m.versions[0]);  // bcdDevice
  d.push_back(1);            // iManufacturer
  d.push_back(2);            // iProduct
  d.push_back(3);            // iSerialNumber
  d.push_back(1);            // bNumConfigurations
  return d;
}

std::uint8_t DefaultReadMode(const CameraModel& m) {
  const int kind = m.Kind();
  switch (m.Generation()) {
    case 0:
      return 16;
    case 1:
      return (kind == 7 || kind == 8) ? 2 : 1;
    default:
      return IsMultiModeKind(kind) ? 0 : 3;
  }
}

}  // namespace tqsim
