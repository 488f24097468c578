#include "camera_traits.h"

namespace tqindi {
namespace {

// Boolean parameters whose answers follow the operations of the protocol
// generations: 1 windows can be read, 3 shutter (open/close commands),
// 7 telescope guiding port, 8 window heating, 12 cooling set point,
// 13 programmable gain, 16 time and position receiver.
enum : uint32_t {
  kCanReadSubFrames = 1,
  kHasShutter = 3,
  kHasGuidePort = 7,
  kHasWindowHeating = 8,
  kHasSetPoint = 12,
  kHasGain = 13,
  kHasGps = 16,
};

// Integer parameters: 1, 2 image size; 3, 4 pixel pitch in hundredths of a
// micrometre; 5, 6 largest binning; 8 filter positions; 16 largest gain;
// 17 largest pixel value in the current read mode and binning.
enum : uint32_t {
  kWidth = 1,
  kHeight = 2,
  kPixelPitchX = 3,
  kPixelPitchY = 4,
  kMaxBinX = 5,
  kMaxBinY = 6,
  kFilterCount = 8,
  kMaxGain = 16,
  kMaxPixelValue = 17,
};

// The generations differ in which queries they define at all: only
// generation 0 lacks the firmware word 134, only generation 1 the constant 11,
// only generation 5 has the value 100 at 14; 4 and 3 are told apart from 2 by
// boolean 4 and 5.
int RevealGeneration(const CameraHandle& c) {
  if (!c.Integer(134)) return 0;
  if (!c.Integer(11)) return 1;
  if (c.Integer(14).value_or(0) == 100) return 5;
  if (c.Boolean(4).value_or(false)) return 4;
  if (c.Boolean(5).value_or(false)) return 3;
  return 2;
}

bool Flag(const CameraHandle& c, uint32_t index) {
  return c.Boolean(index).value_or(false);
}

// An operation is present unless the library says the camera cannot do it;
// other failures (no fix yet, a busy wheel) still mean it exists.
bool Present(const CameraHandle& c, bool succeeded) {
  return succeeded || !c.LastFailureIsUnsupported();
}

}  // namespace

CameraTraits ReadTraits(const CameraHandle& c) {
  CameraTraits t;
  TQCAMERA h = c.Get();
  t.generation = RevealGeneration(c);
  t.width = c.Integer(kWidth).value_or(0);
  t.height = c.Integer(kHeight).value_or(0);
  t.maxBinX = c.Integer(kMaxBinX).value_or(1);
  t.maxBinY = c.Integer(kMaxBinY).value_or(1);
  t.pixelSizeX = c.Integer(kPixelPitchX).value_or(0) / 100.0;
  t.pixelSizeY = c.Integer(kPixelPitchY).value_or(0) / 100.0;
  t.subFrames = Flag(c, kCanReadSubFrames);
  t.shutter = Flag(c, kHasShutter);
  // Generation 0 only knows the exposing readout, whose time field holds at
  // most 65535/8000 s.
  t.hostTimedExposure = t.generation != 0;
  t.maxExposure = t.hostTimedExposure ? 3600.0 : 65535.0 / 8000.0;

  float value = 0;
  t.temperature = Present(c, GetValue(h, 0, &value));
  t.setPoint = t.temperature && Flag(c, kHasSetPoint);
  t.coolerPower = t.setPoint && (ReadPowerUtilization(h, &value) || GetValue(h, 11, &value) ||
                                 !c.LastFailureIsUnsupported());
  // The fan command exists in generations 0, 2, 3 and 4; no query names it.
  t.fan = t.generation != 1 && t.generation != 5;
  t.windowHeating = Flag(c, kHasWindowHeating);

  double decibels = 0, factor = 0;
  t.gain = Flag(c, kHasGain) && ConvertGain(h, 0, &decibels, &factor);
  t.maxGain = c.Integer(kMaxGain).value_or(0);

  bool moving = false;
  t.guidePort = Flag(c, kHasGuidePort) && Present(c, MoveInProgress(h, &moving));

  char name[40] = {};
  uint32_t colour = 0;
  const uint32_t positions = c.Integer(kFilterCount).value_or(0);
  if (positions > 0 && EnumerateFilters(h, 0, sizeof name - 1, name, &colour))
    t.filterCount = positions;

  if (Flag(c, kHasGps)) {
    double lat = 0, lon = 0, alt = 0, second = 0;
    int32_t year = 0, month = 0, day = 0;
    uint32_t hour = 0, minute = 0, satellites = 0;
    bool valid = false;
    t.gps = Present(c, GetGPSData(h, &lat, &lon, &alt, &year, &month, &day, &hour, &minute, &second,
                                  &satellites, &valid));
  }

  for (uint32_t i = 0;; ++i) {
    char mode[40] = {};
    if (!EnumerateReadModes(h, i, sizeof mode - 1, mode)) break;
    t.readModes.emplace_back(mode);
  }
  return t;
}

bool EightBitReadMode(const CameraHandle& c, uint32_t binX, uint32_t binY) {
  const uint32_t maxPixel = c.Integer(kMaxPixelValue).value_or(65535);
  return maxPixel <= 255u * binX * binY;
}

}  // namespace tqindi
