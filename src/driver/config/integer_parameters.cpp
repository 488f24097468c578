// The integer parameter table.
#include <optional>

#include "driver/camera/camera.h"
#include "driver/config/parameter_table.h"

namespace tQusb {
namespace {

using Answer = std::optional<uint32_t>;
using V = const TParameterView&;

// Identifier, sizes and record words: generation 1 reads the expanded record,
// every other generation the packed copy (both hold the same values).
struct TRecordWords {
  uint32_t Id, Width, Height, Word3, Word4;
};
TRecordWords Record(V v) {
  if (v.Generation == 1) {
    return {v.Info.CameraId, v.Info.Width, v.Info.Height, v.Info.InfoWord3, v.Info.InfoWord4};
  }
  return {v.PackedInfo.CameraId, v.PackedInfo.Width, v.PackedInfo.Height,
          v.PackedInfo.InfoWord3, v.PackedInfo.InfoWord4};
}

// A crop value of all bits set means no crop; otherwise the smaller of crop and
// chip, compared as signed numbers.
uint32_t CropLimited(uint32_t chip, uint32_t crop) {
  if (crop == 0xFFFFFFFF) return chip;
  return static_cast<int32_t>(crop) < static_cast<int32_t>(chip) ? crop : chip;
}

bool IsMultiMode(V v) { return IsMultiModeIn(*v.Traits, v.Generation); }
// The 8-bit read modes of the multi-mode models.
bool EightBit(V v) { return IsMultiMode(v) && IsEightBitMode(v.ReadMode); }
uint32_t HostBins(V v) { return v.HostBinningX * v.HostBinningY; }

Answer CameraId(V v) { return Record(v).Id; }
Answer Width(V v) { return Record(v).Width; }
Answer Height(V v) { return Record(v).Height; }
Answer Word3(V v) { return Record(v).Word3; }
Answer Word4(V v) { return Record(v).Word4; }
Answer Gen1Width(V v) {
  return v.Traits->FourOutputs ? 2 * Record(v).Width : CropLimited(Record(v).Width, v.CropW);
}
Answer Gen1Height(V v) {
  return v.Traits->FourOutputs ? 2 * Record(v).Height : CropLimited(Record(v).Height, v.CropH);
}
Answer SubFrameBinning(V v) { return (v.Flags & kFlagCanReadSubFrames) ? 4u : 1u; }
Answer Gen1VerticalBinning(V v) { return v.Traits->FourOutputs ? 1u : 4u; }
Answer Gen1ReadModeCount(V v) { return uint32_t{v.Traits->Generation1ReadModes}; }
Answer MultiModeReadModeCount(V v) {
  if (!IsMultiMode(v)) return std::nullopt;
  return (v.Ver128Lo < 2 || v.Ver131 < 2) ? 2u : 4u;
}
Answer FilterCount(V v) { return v.Info.FilterCount; }
Answer Gen1Model(V v) {
  if (!(v.Info.Caps & 0x01)) return 100000u;
  if (v.Traits->PackedRecord && !(v.PackedInfo.PackedFlags & 0x40)) return 250000u;
  return 200000u;
}
Answer Gen1Index13(V v) { return v.Traits->Generation1ReadModes == 3 ? 2u : 1u; }
Answer Gen1Index14(V v) {
  return (v.Traits->CapsTimingIndex && (v.Info.Caps & 0x08)) ? 2u : 1u;
}
Answer LargestPixel(V v) { return HostBins(v) * (EightBit(v) ? 254u : 4094u); }
Answer Binned512(V v) { return HostBins(v) * 512u; }
Answer BinnedScaled(V v) { return HostBins(v) * (EightBit(v) ? 15u : 240u); }
Answer Version128Hi(V v) { return v.Ver128Hi; }
Answer Version128Lo(V v) { return v.Ver128Lo; }
Answer Version129Hi(V v) { return v.Ver129Hi; }
Answer Version130(V v) { return v.Ver130; }
Answer Version131(V v) { return v.Ver131; }
Answer Reserved(V v) { return v.VerReserved; }
Answer LibraryMajor(V v) { return v.DriverVersion.Major; }
Answer LibraryMinor(V v) { return v.DriverVersion.Minor; }
Answer LibraryRelease(V v) { return v.DriverVersion.Release; }

// clang-format off
const TParameterRow<uint32_t> kIntegerParameters[] = {
  //        Gen 0             Gen 1                Gen 2                   Gen 3                   Gen 4                   Gen 5
  {0,   {CameraId,        CameraId,            CameraId,               CameraId,               CameraId,               CameraId}},
  {1,   {Width,           Gen1Width,           Width,                  Width,                  Width,                  Width}},
  {2,   {Height,          Gen1Height,          Height,                 Height,                 Height,                 Height}},
  {3,   {Word3,           Word3,               Word3,                  Word3,                  Word3,                  Word3}},
  {4,   {Word4,           Word4,               Word4,                  Word4,                  Word4,                  Word4}},
  {5,   {SubFrameBinning, 4u,                  4u,                     4u,                     4u,                     4u}},
  {6,   {SubFrameBinning, Gen1VerticalBinning, 4u,                     4u,                     4u,                     4u}},
  {7,   {2u,              Gen1ReadModeCount,   MultiModeReadModeCount, MultiModeReadModeCount, MultiModeReadModeCount, MultiModeReadModeCount}},
  {8,   {0u,              FilterCount,         0u,                     0u,                     FilterCount,            FilterCount}},
  {9,   {125u,            Gen1Model,           125u,                   125u,                   125u,                   125u}},
  {10,  {fail,            fail,                fail,                   fail,                   fail,                   fail}},
  {11,  {32767u,          fail,                32767u,                 32767u,                 32767u,                 32767u}},
  {12,  {1u,              0u,                  0u,                     0u,                     0u,                     0u}},
  {13,  {0u,              Gen1Index13,         0u,                     0u,                     0u,                     0u}},
  {14,  {fail,            Gen1Index14,         fail,                   fail,                   fail,                   100u}},
  {15,  {1u,              fail,                1u,                     1u,                     1u,                     1u}},
  {16,  {fail,            fail,                240u,                   240u,                   240u,                   240u}},
  {17,  {65535u,          65535u,              LargestPixel,           LargestPixel,           LargestPixel,           LargestPixel}},
  {18,  {fail,            fail,                fail,                   fail,                   fail,                   fail}},
  {19,  {Binned512,       Binned512,           BinnedScaled,           BinnedScaled,           BinnedScaled,           BinnedScaled}},
  // 20 to 127 fail everywhere.
  {128, {Version128Hi,    Version128Hi,        Version128Hi,           Version128Hi,           Version128Hi,           Version128Hi}},
  {129, {Version128Lo,    Version128Lo,        Version128Lo,           Version128Lo,           Version128Lo,           Version128Lo}},
  {130, {Version129Hi,    Version129Hi,        Version129Hi,           Version129Hi,           Version129Hi,           Version129Hi}},
  {131, {LibraryMajor,    LibraryMajor,        LibraryMajor,           LibraryMajor,           LibraryMajor,           LibraryMajor}},
  {132, {LibraryMinor,    LibraryMinor,        LibraryMinor,           LibraryMinor,           LibraryMinor,           LibraryMinor}},
  {133, {LibraryRelease,  LibraryRelease,      LibraryRelease,         LibraryRelease,         LibraryRelease,         LibraryRelease}},
  {134, {fail,            Version130,          Version130,             Version130,             Version130,             Version130}},
  {135, {fail,            Version131,          Version131,             Version131,             Version131,             Version131}},
  {136, {fail,            Reserved,            Reserved,               Reserved,               Reserved,               Reserved}},
  // 137 and above fail everywhere.
};
// clang-format on

}  // namespace

bool IntegerParameter(const TParameterView& view, uint32_t index, uint32_t* value) {
  const std::optional<uint32_t> answer =
      LookUp<uint32_t>(kIntegerParameters, view, index);
  if (!answer) return false;
  *value = *answer;
  return true;
}

}  // namespace tQusb
