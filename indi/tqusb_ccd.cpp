#include "tqusb_ccd.h"

#include <algorithm>
#include <cstring>

#include "camera_bus.h"

namespace tqindi {

TqusbCcd::TqusbCcd(uint32_t id, const std::string& deviceName)
    : INDI::FilterInterface(this), id_(id) {
  setDeviceName(deviceName.c_str());
  setVersion(1, 0);
}

TqusbCcd::~TqusbCcd() {
  streamStop_ = true;
  worker_.Wait();
}

bool TqusbCcd::initProperties() {
  INDI::CCD::initProperties();
  INDI::FilterInterface::initProperties(FILTER_TAB);
  InitControlProperties();
  addCaptureFormat({"INDI_MONO", "Mono", 16, true});
  addDebugControl();
  addConfigurationControl();
  addPollPeriodControl();
  setDefaultPollingPeriod(1000);
  return true;
}

bool TqusbCcd::updateProperties() {
  INDI::CCD::updateProperties();
  if (isConnected()) {
    // A temperature without a set point cannot be ramped.
    if (traits_.temperature && !traits_.setPoint) deleteProperty(TemperatureRampNP.getName());
    DefineControls();
    if (traits_.filterCount > 0) {
      BuildFilterNames();
      INDI::FilterInterface::updateProperties();
      filtersDefined_ = true;
    }
    if (pollTimer_ < 0) pollTimer_ = SetTimer(getCurrentPollingPeriod());
  } else {
    DeleteControls();
    if (filtersDefined_) INDI::FilterInterface::updateProperties();
    filtersDefined_ = false;
  }
  return true;
}

bool TqusbCcd::ISNewNumber(const char* dev, const char* name, double values[], char* names[],
                           int n) {
  const bool mine = dev != nullptr && std::strcmp(dev, getDeviceName()) == 0;
  if (mine) {
    if (filtersDefined_ && std::strcmp(name, FilterSlotNP.name) == 0)
      return INDI::FilterInterface::processNumber(dev, name, values, names, n);
    if (HandleControlNumber(name, values, names, n)) return true;
  }
  const bool handled = INDI::CCD::ISNewNumber(dev, name, values, names, n);
  // A new stream exposure applies from the next frame on.
  if (mine && phase_ == Phase::Streaming && std::strcmp(name, "STREAMING_EXPOSURE") == 0)
    streamExposure_ = StreamExposure();
  return handled;
}

bool TqusbCcd::ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[],
                           int n) {
  if (dev != nullptr && std::strcmp(dev, getDeviceName()) == 0) {
    // Disconnecting an unplugged camera stops waiting for it to come back.
    if (unplugged_ && std::strcmp(name, "CONNECTION") == 0 &&
        IUFindOnSwitchName(states, names, n) == std::string("DISCONNECT")) {
      Disconnect();
      setConnected(false, IPS_IDLE);
      return true;
    }
    if (HandleControlSwitch(name, states, names, n)) return true;
  }
  return INDI::CCD::ISNewSwitch(dev, name, states, names, n);
}

bool TqusbCcd::ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) {
  if (dev != nullptr && std::strcmp(dev, getDeviceName()) == 0 && filtersDefined_ &&
      std::strcmp(name, FilterNameTP->name) == 0)
    return INDI::FilterInterface::processText(dev, name, texts, names, n);
  return INDI::CCD::ISNewText(dev, name, texts, names, n);
}

bool TqusbCcd::Connect() {
  unplugged_ = false;
  try {
    AttachCamera();
  } catch (const tqusb::Error& e) {
    LOGF_ERROR("Cannot connect camera %u: %s", id_, e.Text().c_str());
    camera_.reset();
    return false;
  }
  LOGF_INFO("Connected: %u x %u pixels, generation %d protocol", traits_.caps.width,
            traits_.caps.height, traits_.caps.generation);
  return true;
}

bool TqusbCcd::Disconnect() {
  // A running readout, filter move or stream has to end before the handle
  // goes away; a recording is closed with the frames it has.
  aborted_ = true;
  streamStop_ = true;
  worker_.Wait();
  EndStream();
  for (int* timer : {&exposureTimer_, &jobPollTimer_, &guideTimer_}) {
    if (*timer >= 0) IERmTimer(*timer);
    *timer = -1;
  }
  phase_ = Phase::Idle;
  unplugged_ = false;
  camera_.reset();
  return true;
}

// Opens the camera and reads what it can do (a tqusb::Error says why not);
// the handle stays open for as long as the device is connected, so the
// library brings it back after an unplug. The periodic power reading stays
// off: the driver reads the cooler power itself, so no camera traffic happens
// behind its back.
void TqusbCcd::AttachCamera() {
  camera_.emplace(id_, tqusb::Camera::OpenMode::RequireConnected, false);
  ApplyTraits();
  camera_->Notify(NotifyWindow());
  ApplyReadMode();
  // The gain the client sees is the gain the camera uses.
  if (traits_.caps.gain) Attempt([&](tqusb::Camera& c) { c.SetGain(uint16_t(GainN[0].value)); });
}

void TqusbCcd::ApplyTraits() {
  traits_ = ReadTraits(*camera_);
  const tqusb::Caps& caps = traits_.caps;
  uint32_t abilities = CCD_CAN_ABORT | CCD_HAS_STREAMING;
  if (caps.maxBinX > 1 || caps.maxBinY > 1) abilities |= CCD_CAN_BIN;
  if (caps.subFrames) abilities |= CCD_CAN_SUBFRAME;
  if (traits_.temperature) abilities |= CCD_HAS_COOLER;
  if (caps.shutter) abilities |= CCD_HAS_SHUTTER;
  if (caps.guidePort) abilities |= CCD_HAS_ST4_PORT;
  SetCCDCapability(abilities);

  uint16_t interfaces = CCD_INTERFACE;
  if (caps.guidePort) interfaces |= GUIDER_INTERFACE;
  if (traits_.filterCount > 0) interfaces |= FILTER_INTERFACE;
  setDriverInterface(interfaces);
  syncDriverInfo();

  SetCCDParams(caps.width, caps.height, traits_.EightBit(ChosenReadMode()) ? 8 : 16,
               caps.pixelWidth, caps.pixelHeight);
  PrimaryCCD.setMinMaxStep("CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", caps.minExposure,
                           traits_.maxExposure, 0.001, false);
  PrimaryCCD.setMinMaxStep("CCD_BINNING", "HOR_BIN", 1, caps.maxBinX, 1, false);
  PrimaryCCD.setMinMaxStep("CCD_BINNING", "VER_BIN", 1, caps.maxBinY, 1, false);
  if (traits_.setPoint) {
    TemperatureN[0].min = caps.minSetPoint;
    TemperatureN[0].max = caps.maxSetPoint;
  } else {
    TemperatureNP.p = IP_RO;
  }
  if (traits_.filterCount > 0) {
    FilterSlotN[0].min = 1;
    FilterSlotN[0].max = traits_.filterCount;
  }
}

// A camera that was plugged in again starts from its power-on state; the
// driver sends it what the client had chosen. Each setting is sent on its
// own: one the camera refuses does not keep the others back.
void TqusbCcd::ReapplySettings() {
  Attempt([&](tqusb::Camera& c) { c.SetBinning(PrimaryCCD.getBinX(), PrimaryCCD.getBinY()); });
  ApplyReadMode();
  if (traits_.caps.gain) Attempt([&](tqusb::Camera& c) { c.SetGain(uint16_t(GainN[0].value)); });
  if (traits_.setPoint && coolerOn_)
    Attempt([&](tqusb::Camera& c) { c.SetTemperature(float(coolerTarget_)); });
  // Fan and heating only when the client had set them (their power-on values
  // are the camera's own).
  if (traits_.caps.fan && FanNP.s == IPS_OK)
    Attempt([&](tqusb::Camera& c) { c.SetFan(uint8_t(FanN[0].value)); });
  if (traits_.caps.windowHeater && HeaterNP.s == IPS_OK)
    Attempt([&](tqusb::Camera& c) { c.SetWindowHeating(uint8_t(HeaterN[0].value)); });
}

// The camera starts in a read mode of its own; it is set to the one the
// switch shows, on a first connection the one with the most bits per pixel.
void TqusbCcd::ApplyReadMode() {
  const int mode = ChosenReadMode();
  if (!traits_.readModes.empty()) {
    if (auto refused = Attempt([&](tqusb::Camera& c) { c.SetReadMode(uint32_t(mode)); }))
      LOGF_WARN("Read mode not set: %s", refused->Text().c_str());
  }
  eightBit_ = traits_.EightBit(mode);
  PrimaryCCD.setBPP(eightBit_ ? 8 : 16);
  SyncStreamFormat();
}

int TqusbCcd::ChosenReadMode() {
  const int shown =
      ReadModeS.size() == traits_.readModes.size() ? IUFindOnSwitchIndex(&ReadModeSP) : -1;
  return shown >= 0 ? shown : static_cast<int>(traits_.defaultReadMode);
}

void TqusbCcd::OnCameraNotice(bool connected) {
  if (!isConnected() && !unplugged_) return;
  if (!connected) {
    if (unplugged_) return;
    unplugged_ = true;
    aborted_ = true;
    ShowUnplugged();
    return;
  }
  // Handled when the job has been collected (asking a busy camera whether it
  // is connected would wait for its call).
  if (!unplugged_ || worker_.Busy() || !CameraConnected()) return;
  unplugged_ = false;
  aborted_ = false;
  // Reading the traits again resets INDI's frame; the client's choice stays.
  const int bx = PrimaryCCD.getBinX(), by = PrimaryCCD.getBinY();
  const int x = PrimaryCCD.getSubX(), y = PrimaryCCD.getSubY();
  const int w = PrimaryCCD.getSubW(), h = PrimaryCCD.getSubH();
  try {
    ApplyTraits();
  } catch (const tqusb::Error& e) {
    LOGF_ERROR("Camera plugged in again, but not usable: %s", e.Text().c_str());
    return;
  }
  PrimaryCCD.setBin(bx, by);
  PrimaryCCD.setFrame(x, y, w, h);
  ReapplySettings();
  setConnected(true, IPS_OK);
  updateProperties();
  LOG_INFO("Camera plugged in again; connected.");
}

void TqusbCcd::ShowUnplugged() {
  if (exposureTimer_ >= 0) IERmTimer(exposureTimer_);
  exposureTimer_ = -1;
  // A running readout ends with a failed transfer; its result is dropped.
  if (phase_ == Phase::Integrating || phase_ == Phase::Reading || phase_ == Phase::CameraTimed)
    PrimaryCCD.setExposureFailed();
  if (phase_ == Phase::Integrating) phase_ = Phase::Idle;
  EndStream();
  setConnected(false, IPS_ALERT);
  updateProperties();
  LOG_WARN("Camera unplugged; waiting for it to be plugged in again.");
}

// Readouts and filter moves take seconds at most; exposures and stream
// frames as long as the client asks.
bool TqusbCcd::HoldsCameraLong() const {
  constexpr double kShortCallSeconds = 2.0;
  if (!worker_.Busy()) return false;
  if (phase_ == Phase::CameraTimed) return exposureSeconds_ > kShortCallSeconds;
  if (phase_ == Phase::Streaming) return streamExposure_ > kShortCallSeconds;
  return false;
}

void TqusbCcd::TimerHit() {
  pollTimer_ = -1;
  if (!isConnected()) return;
  if (phase_ == Phase::Integrating || phase_ == Phase::CameraTimed) {
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - exposureStart_).count();
    PrimaryCCD.setExposureLeft(std::max(0.0, exposureSeconds_ - elapsed));
  }
  PublishTakenReadings();
  if (!worker_.Busy())
    PollReadings();
  else
    RequestReadings();
  pollTimer_ = SetTimer(getCurrentPollingPeriod());
}

bool TqusbCcd::saveConfigItems(FILE* fp) {
  INDI::CCD::saveConfigItems(fp);
  if (filtersDefined_) INDI::FilterInterface::saveConfigItems(fp);
  if (traits_.caps.gain) IUSaveConfigNumber(fp, &GainNP);
  if (!ReadModeS.empty()) IUSaveConfigSwitch(fp, &ReadModeSP);
  return true;
}

void TqusbCcd::addFITSKeywords(INDI::CCDChip* chip) {
  completion_.Enter();
  INDI::CCD::addFITSKeywords(chip);
  fitsfile* fits = *chip->fitsFilePointer();
  int status = 0;
  if (traits_.caps.gain) {
    int gain = static_cast<int>(GainN[0].value);
    fits_update_key_lng(fits, "GAIN", gain, "Gain, 0.1 dB steps", &status);
  }
  const int mode = IUFindOnSwitchIndex(&ReadModeSP);
  if (!ReadModeS.empty() && mode >= 0)
    fits_update_key_str(fits, "READMODE", ReadModeS[mode].label, "Read mode", &status);
  if (filtersDefined_ && CurrentFilter >= 1 && CurrentFilter <= FilterNameTP->ntp)
    fits_update_key_str(fits, "FILTER", FilterNameT[CurrentFilter - 1].text, "Filter", &status);
  if (!imageTime_.empty())
    fits_update_key_str(fits, "DATE-OBS", imageTime_.c_str(), "UTC time stamp of the camera",
                        &status);
}

}  // namespace tqindi
