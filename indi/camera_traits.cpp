#include "camera_traits.h"

namespace tqindi {
namespace {

// The model flags whose answers follow the operations of the protocol
// generations.
enum : uint32_t {
  kHasShutter = TQ_BOOL_MODEL_FLAG_3,        // open/close commands
  kHasGuidePort = TQ_BOOL_MODEL_FLAG_7,      // telescope guiding port
  kHasWindowHeating = TQ_BOOL_MODEL_FLAG_8,  // window heating
  kHasSetPoint = TQ_BOOL_MODEL_FLAG_12,      // cooling set point
  kHasGain = TQ_BOOL_MODEL_FLAG_13,          // programmable gain
  kHasReceiver = TQ_BOOL_MODEL_FLAG_16,      // time and position receiver
};

// The generations differ in which queries they define at all: only
// generation 0 lacks firmware word 4, only generation 1 constant 11, only
// generation 5 has 100 as constant 14; 4 and 3 are told apart from 2 by the
// model flags 4 and 5.
int RevealGeneration(const CameraHandle& c) {
  if (!c.Integer(TQ_INT_FIRMWARE_VERSION_4)) return 0;
  if (!c.Integer(TQ_INT_CONSTANT_11)) return 1;
  if (c.Integer(TQ_INT_CONSTANT_14).value_or(0) == 100) return 5;
  if (c.Boolean(TQ_BOOL_MODEL_FLAG_4).value_or(false)) return 4;
  if (c.Boolean(TQ_BOOL_MODEL_FLAG_5).value_or(false)) return 3;
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
  t.width = c.Integer(TQ_INT_WIDTH).value_or(0);
  t.height = c.Integer(TQ_INT_HEIGHT).value_or(0);
  t.maxBinX = c.Integer(TQ_INT_MAX_BINNING_X).value_or(1);
  t.maxBinY = c.Integer(TQ_INT_MAX_BINNING_Y).value_or(1);
  // Record words 3 and 4 hold the pixel pitch in hundredths of a micrometre.
  t.pixelSizeX = c.Integer(TQ_INT_RECORD_WORD3).value_or(0) / 100.0;
  t.pixelSizeY = c.Integer(TQ_INT_RECORD_WORD4).value_or(0) / 100.0;
  t.subFrames = Flag(c, TQ_BOOL_SUB_FRAMES);
  t.shutter = Flag(c, kHasShutter);
  // Generation 0 only knows the exposing readout, whose time field holds at
  // most 65535/8000 s.
  t.hostTimedExposure = t.generation != 0;
  t.maxExposure = t.hostTimedExposure ? 3600.0 : 65535.0 / 8000.0;

  float value = 0;
  t.temperature = Present(c, GetValue(h, TQ_VALUE_SENSOR_TEMPERATURE, &value));
  t.setPoint = t.temperature && Flag(c, kHasSetPoint);
  t.coolerPower = t.setPoint && (ReadPowerUtilization(h, &value) ||
                                 GetValue(h, TQ_VALUE_POWER_UTILIZATION, &value) ||
                                 !c.LastFailureIsUnsupported());
  // The fan command exists in generations 0, 2, 3 and 4; no query names it.
  t.fan = t.generation != 1 && t.generation != 5;
  t.windowHeating = Flag(c, kHasWindowHeating);

  double decibels = 0, factor = 0;
  t.gain = Flag(c, kHasGain) && ConvertGain(h, 0, &decibels, &factor);
  t.maxGain = c.Integer(TQ_INT_MAX_GAIN).value_or(0);

  bool moving = false;
  t.guidePort = Flag(c, kHasGuidePort) && Present(c, MoveInProgress(h, &moving));

  char name[40] = {};
  uint32_t colour = 0;
  const uint32_t positions = c.Integer(TQ_INT_FILTERS).value_or(0);
  if (positions > 0 && EnumerateFilters(h, 0, sizeof name - 1, name, &colour))
    t.filterCount = positions;

  if (Flag(c, kHasReceiver)) {
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
  // A mode's depth shows in the largest pixel value the library gives for
  // it (at binning 1, as the camera is at connect); the mode the driver
  // chooses afterwards is set again.
  for (uint32_t i = 0; i < t.readModes.size(); ++i) {
    const bool set = SetReadMode(h, i);
    const int bits = set && c.Integer(TQ_INT_MAX_PIXEL_VALUE).value_or(65535) <= 255 ? 8 : 16;
    t.readModeBits.push_back(bits);
    if (bits > t.readModeBits[t.defaultReadMode]) t.defaultReadMode = i;
  }
  return t;
}

bool EightBitReadMode(const CameraHandle& c, uint32_t binX, uint32_t binY) {
  const uint32_t maxPixel = c.Integer(TQ_INT_MAX_PIXEL_VALUE).value_or(65535);
  return maxPixel <= 255u * binX * binY;
}

}  // namespace tqindi
