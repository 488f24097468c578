// The capability export: what a connected camera is and can do, gathered
// from the answers the library already holds (parameter queries, read-mode
// list, per-generation operation tables), so it sends nothing to the camera.
#include <cstring>

#include "driver/accessories/value_scales.h"
#include "driver/acquisition/read_modes.h"
#include "driver/acquisition/readout.h"
#include "driver/api/export_frame.h"
#include "driver/camera/kind_traits.h"
#include "tqusb/tqusb.h"

using tQusb::CCamera;

namespace {

// Which accessory commands each protocol generation has; the exports of the
// other generations fail with "Camera does not support this feature".
struct TGenerationFeatures {
  bool Cooler;        // SetTemperature
  bool Fan;           // SetFan
  bool WindowHeater;  // SetWindowHeating
  bool GuidePort;     // MoveTelescope, MoveInProgress
  bool Shutter;       // Open, Close
  double MaxExposure; // the longest exposure the camera times itself, seconds
};

// Generation 0 encodes the time in 1/8000 s in 16 bits, generation 1 in
// milliseconds in 16 bits, the others in 1/8000 s in 32 bits (0xFFFFFFFF is
// never sent).
constexpr TGenerationFeatures kFeatures[] = {
    {false, true, false, true, false, 65535.0 / 8000.0},
    {true, false, true, false, true, 65.535},
    {false, true, false, true, false, 4294967294.0 / 8000.0},
    {false, true, false, true, false, 4294967294.0 / 8000.0},
    {true, true, false, true, false, 4294967294.0 / 8000.0},
    {true, false, true, false, true, 4294967294.0 / 8000.0},
};

// Generation-5 cameras with capability bit 2 or 3 carry a GPS receiver.
constexpr uint32_t kBoolReceiver = 16;
constexpr uint32_t kIntMaxGain = 16;

uint32_t Integer(CCamera& c, uint32_t index) {
  uint32_t value = 0;
  return c.GetIntegerParameter(index, &value) ? value : 0;
}

bool Boolean(CCamera& c, uint32_t index) {
  bool value = false;
  return c.GetBooleanParameter(index, &value) && value;
}

// Generations 2 to 5 send one byte per pixel in the codes 0 and 2; every other
// mode delivers 16-bit pixels.
uint8_t ReadModeBits(int32_t generation, uint32_t code) {
  return generation >= 2 && tQusb::IsEightBitMode(code) ? 8 : 16;
}

void FillReadModes(CCamera& c, TQCAMERACAPS& caps) {
  const auto list = tQusb::ReadModeList(c.Generation, c.CameraKind, c.Ver128Lo, c.Ver131);
  caps.readModes = static_cast<uint32_t>(list.size());
  const uint32_t current = c.Generation == 0 ? c.ReadModeG0 : c.ReadMode;
  for (size_t i = 0; i < list.size(); ++i) {
    if (i < TQ_CAPS_READ_MODES) caps.readModeBits[i] = ReadModeBits(c.Generation, list[i].Code);
    if (list[i].Code == current) caps.readMode = static_cast<uint32_t>(i);
  }
}

// The set-point range is what the set-point word encodes: the temperature
// reading scale of the kind at raw 0 and at raw 65535.
void FillCooling(CCamera& c, TQCAMERACAPS& caps) {
  const auto scale = c.Traits->CoarseScales ? tQusb::EValueScale::TemperatureCoarse
                                        : tQusb::EValueScale::TemperatureFine;
  caps.minSetPoint = tQusb::ConvertRaw(scale, 0);
  caps.maxSetPoint = tQusb::ConvertRaw(scale, 0xFFFF);
}

bool FillCaps(CCamera& c, TQCAMERACAPS* out) {
  if (out == nullptr || out->size < sizeof(TQCAMERACAPS)) {
    c.SetLastError(tQusb::readout::kTextBufferTooSmall);
    return false;
  }
  if (c.Generation < 0 || c.Generation > 5) return false;  // no protocol known
  const TGenerationFeatures& g = kFeatures[c.Generation];
  TQCAMERACAPS caps{};
  caps.size = out->size;
  caps.id = Integer(c, TQ_INT_CAMERA_ID);
  caps.generation = c.Generation;
  caps.kind = c.CameraKind;
  c.GetStringParameter(TQ_STRING_MODEL_TEXT, sizeof caps.model - 1, caps.model);
  caps.model[sizeof caps.model - 1] = '\0';
  caps.width = Integer(c, TQ_INT_WIDTH);
  caps.height = Integer(c, TQ_INT_HEIGHT);
  // The information record gives no pixel size.
  caps.pixelWidth = caps.pixelHeight = 0.0f;
  caps.maxBinX = Integer(c, TQ_INT_MAX_BINNING_X);
  caps.maxBinY = Integer(c, TQ_INT_MAX_BINNING_Y);
  caps.subFrames = Boolean(c, TQ_BOOL_SUB_FRAMES);
  caps.minExposure = 0.0;
  caps.maxExposure = g.MaxExposure;
  FillReadModes(c, caps);
  // Generations 2 to 5 scale the largest value by the driver's binning.
  caps.maxPixelValue = Integer(c, TQ_INT_MAX_PIXEL_VALUE);
  if (c.Generation >= 2) caps.maxPixelValue /= c.HostBinningX * c.HostBinningY;
  caps.cooler = g.Cooler;
  if (caps.cooler) FillCooling(c, caps);
  caps.fan = g.Fan;
  caps.windowHeater = g.WindowHeater;
  caps.guidePort = g.GuidePort;
  caps.filters = Integer(c, TQ_INT_FILTERS);
  caps.filterWheel = caps.filters != 0;
  caps.gps = Boolean(c, kBoolReceiver);
  caps.shutter = g.Shutter;
  caps.gain = c.GetIntegerParameter(kIntMaxGain, &caps.maxGain);
  std::memcpy(out, &caps, sizeof caps);
  return true;
}

bool DoGetCameraCaps(TQCAMERA camera, TQCAMERACAPS* caps) {
  return tQusb::Guarded(camera, [caps](CCamera& c) { return FillCaps(c, caps); });
}

}  // namespace

bool tqGetCameraCaps(TQCAMERA camera, TQCAMERACAPS* caps) {
  return DoGetCameraCaps(camera, caps);
}
