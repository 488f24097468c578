// Cooling, gain, read modes, fan, window heating and the time and position
// receiver: the properties INDI::CCD lacks, defined only for a camera that
// has the function.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tqusb_ccd.h"

namespace tqindi {
namespace {

// The camera has no cooler switch: "off" is a set point so warm that the
// cooler never has to work (the warmest the camera takes, if lower).
constexpr double kCoolerOffSetPoint = 50.0;
const char* const kGpsTab = "GPS";

}  // namespace

void TqusbCcd::InitControlProperties() {
  const char* dev = getDeviceName();
  IUFillSwitch(&CoolerS[0], "COOLER_ON", "On", ISS_OFF);
  IUFillSwitch(&CoolerS[1], "COOLER_OFF", "Off", ISS_ON);
  IUFillSwitchVector(&CoolerSP, CoolerS, 2, dev, "CCD_COOLER", "Cooler", MAIN_CONTROL_TAB, IP_RW,
                     ISR_1OFMANY, 60, IPS_IDLE);
  IUFillNumber(&CoolerPowerN[0], "CCD_COOLER_VALUE", "Power (%)", "%.1f", 0, 100, 1, 0);
  IUFillNumberVector(&CoolerPowerNP, CoolerPowerN, 1, dev, "CCD_COOLER_POWER", "Cooler power",
                     MAIN_CONTROL_TAB, IP_RO, 60, IPS_IDLE);
  IUFillNumber(&GainN[0], "GAIN", "Gain (0.1 dB)", "%.0f", 0, 240, 1, 0);
  IUFillNumberVector(&GainNP, GainN, 1, dev, "CCD_GAIN", "Gain", MAIN_CONTROL_TAB, IP_RW, 60,
                     IPS_IDLE);
  IUFillNumber(&FanN[0], "FAN_SPEED", "Speed", "%.0f", 0, 255, 1, 0);
  IUFillNumberVector(&FanNP, FanN, 1, dev, "CCD_FAN", "Fan", MAIN_CONTROL_TAB, IP_RW, 60, IPS_IDLE);
  IUFillNumber(&HeaterN[0], "HEATING_LEVEL", "Level", "%.0f", 0, 255, 1, 0);
  IUFillNumberVector(&HeaterNP, HeaterN, 1, dev, "CCD_WINDOW_HEATING", "Window heating",
                     MAIN_CONTROL_TAB, IP_RW, 60, IPS_IDLE);
  IUFillSwitchVector(&ReadModeSP, nullptr, 0, dev, "CCD_READ_MODE", "Read mode", MAIN_CONTROL_TAB,
                     IP_RW, ISR_1OFMANY, 60, IPS_IDLE);
  IUFillNumber(&GpsN[0], "LAT", "Latitude (deg)", "%010.6m", -90, 90, 0, 0);
  IUFillNumber(&GpsN[1], "LONG", "Longitude (deg)", "%010.6m", -180, 360, 0, 0);
  IUFillNumber(&GpsN[2], "ELEV", "Elevation (m)", "%.1f", -1000, 100000, 0, 0);
  IUFillNumberVector(&GpsNP, GpsN, 3, dev, "GEOGRAPHIC_COORD", "Location", kGpsTab, IP_RO, 60,
                     IPS_IDLE);
  IUFillText(&GpsTimeT[0], "UTC", "UTC time", "");
  IUFillTextVector(&GpsTimeTP, GpsTimeT, 1, dev, "TIME_UTC", "GPS time", kGpsTab, IP_RO, 60,
                   IPS_IDLE);
}

void TqusbCcd::DefineControls() {
  if (traits_.setPoint) {
    IUResetSwitch(&CoolerSP);
    CoolerS[coolerOn_ ? 0 : 1].s = ISS_ON;
    defineProperty(&CoolerSP);
  }
  if (traits_.coolerPower) defineProperty(&CoolerPowerNP);
  if (traits_.caps.gain) {
    GainN[0].max = traits_.caps.maxGain;
    defineProperty(&GainNP);
  }
  if (traits_.caps.fan) defineProperty(&FanNP);
  if (traits_.caps.windowHeater) defineProperty(&HeaterNP);
  if (!traits_.readModes.empty()) {
    const int chosen = ChosenReadMode();
    ReadModeS.assign(traits_.readModes.size(), ISwitch{});
    for (size_t i = 0; i < ReadModeS.size(); ++i) {
      const std::string name = "MODE_" + std::to_string(i);
      IUFillSwitch(&ReadModeS[i], name.c_str(), traits_.readModes[i].c_str(),
                   int(i) == chosen ? ISS_ON : ISS_OFF);
    }
    ReadModeSP.sp = ReadModeS.data();
    ReadModeSP.nsp = static_cast<int>(ReadModeS.size());
    defineProperty(&ReadModeSP);
  }
  if (traits_.caps.gps) {
    defineProperty(&GpsNP);
    defineProperty(&GpsTimeTP);
  }
}

void TqusbCcd::DeleteControls() {
  for (const char* name : {CoolerSP.name, CoolerPowerNP.name, GainNP.name, FanNP.name,
                           HeaterNP.name, ReadModeSP.name, GpsNP.name, GpsTimeTP.name})
    deleteProperty(name);
}

// Called when the library answers that the camera cannot do what the
// parameters promised (an operation not in this library build yet).
void TqusbCcd::DropCapability(bool& flag, const char* propertyName, const char* what) {
  flag = false;
  deleteProperty(propertyName);
  LOGF_WARN("This camera does not support %s.", what);
}

double TqusbCcd::CoolerOffSetPoint() const {
  return std::min<double>(kCoolerOffSetPoint, traits_.caps.maxSetPoint);
}

int TqusbCcd::SetTemperature(double temperature) {
  if (!traits_.setPoint || RefuseSettingWhileBusy("set the temperature")) return -1;
  if (auto refused =
          Setting([&](tqusb::Camera& c) { c.SetTemperature(static_cast<float>(temperature)); })) {
    LOGF_ERROR("Set point refused: %s", refused->Text().c_str());
    return -1;
  }
  coolerTarget_ = temperature;
  coolerOn_ = true;
  IUResetSwitch(&CoolerSP);
  CoolerS[0].s = ISS_ON;
  CoolerSP.s = IPS_BUSY;
  IDSetSwitch(&CoolerSP, nullptr);
  return 0;  // busy until the temperature gets there
}

bool TqusbCcd::HandleControlNumber(const char* name, double values[], char* names[], int n) {
  INumberVectorProperty* np = nullptr;
  std::optional<tqusb::Error> refused;
  if (traits_.caps.gain && std::strcmp(name, GainNP.name) == 0) {
    np = &GainNP;
    if (RefuseSettingWhileBusy("change the gain")) return true;
    refused = Setting([&](tqusb::Camera& c) { c.SetGain(static_cast<uint16_t>(values[0])); });
  } else if (traits_.caps.fan && std::strcmp(name, FanNP.name) == 0) {
    np = &FanNP;
    if (RefuseSettingWhileBusy("change the fan")) return true;
    refused = Setting([&](tqusb::Camera& c) { c.SetFan(static_cast<uint8_t>(values[0])); });
    if (refused && refused->Kind() == tqusb::ErrorKind::NotSupported) {
      DropCapability(traits_.caps.fan, FanNP.name, "fan control");
      return true;
    }
  } else if (traits_.caps.windowHeater && std::strcmp(name, HeaterNP.name) == 0) {
    np = &HeaterNP;
    if (RefuseSettingWhileBusy("change the window heating")) return true;
    refused =
        Setting([&](tqusb::Camera& c) { c.SetWindowHeating(static_cast<uint8_t>(values[0])); });
    if (refused && refused->Kind() == tqusb::ErrorKind::NotSupported) {
      DropCapability(traits_.caps.windowHeater, HeaterNP.name, "window heating");
      return true;
    }
  } else {
    return false;
  }
  if (!refused) IUUpdateNumber(np, values, names, n);
  np->s = refused ? IPS_ALERT : IPS_OK;
  IDSetNumber(np, refused ? "%s" : nullptr, refused ? refused->Text().c_str() : "");
  return true;
}

bool TqusbCcd::HandleControlSwitch(const char* name, ISState* states, char* names[], int n) {
  if (traits_.setPoint && std::strcmp(name, CoolerSP.name) == 0) {
    if (RefuseSettingWhileBusy("switch the cooler")) return true;
    const bool on = IUFindOnSwitchName(states, names, n) == std::string("COOLER_ON");
    const double setPoint = on ? m_TargetTemperature : CoolerOffSetPoint();
    const auto refused =
        Setting([&](tqusb::Camera& c) { c.SetTemperature(static_cast<float>(setPoint)); });
    if (!refused) {
      coolerOn_ = on;
      coolerTarget_ = setPoint;
      IUUpdateSwitch(&CoolerSP, states, names, n);
    }
    CoolerSP.s = refused ? IPS_ALERT : (on ? IPS_BUSY : IPS_IDLE);
    IDSetSwitch(&CoolerSP, refused ? "%s" : nullptr, refused ? refused->Text().c_str() : "");
    return true;
  }
  if (!ReadModeS.empty() && std::strcmp(name, ReadModeSP.name) == 0) {
    if (RefuseDuringExposure("change the read mode")) return true;
    const int previous = IUFindOnSwitchIndex(&ReadModeSP);
    IUUpdateSwitch(&ReadModeSP, states, names, n);
    const int mode = IUFindOnSwitchIndex(&ReadModeSP);
    std::optional<tqusb::Error> refused;
    if (mode < 0)
      refused = tqusb::Error("", "no read mode chosen", tqusb::ErrorKind::Failed);
    else
      refused = Attempt([&](tqusb::Camera& c) { c.SetReadMode(uint32_t(mode)); });
    if (refused) {
      IUResetSwitch(&ReadModeSP);
      if (previous >= 0) ReadModeS[previous].s = ISS_ON;
    } else {
      eightBit_ = traits_.EightBit(mode);
      PrimaryCCD.setBPP(eightBit_ ? 8 : 16);
      SyncStreamFormat();
    }
    ReadModeSP.s = refused ? IPS_ALERT : IPS_OK;
    IDSetSwitch(&ReadModeSP, refused ? "%s" : nullptr, refused ? refused->Text().c_str() : "");
    return true;
  }
  return false;
}

// Temperature, cooler power and the receiver, read while no job runs.
TqusbCcd::Readings TqusbCcd::WantedReadings() const {
  Readings wanted;
  wanted.temperatureWanted = traits_.temperature;
  wanted.powerWanted = traits_.coolerPower;
  wanted.gpsWanted = traits_.caps.gps;
  return wanted;
}

// Camera calls only: runs on whichever thread has the camera.
void TqusbCcd::TakeReadings(Readings& r) {
  if (r.temperatureWanted) {
    float value = 0;
    const auto refused =
        Attempt([&](tqusb::Camera& c) { value = c.Value(TQ_VALUE_SENSOR_TEMPERATURE); });
    if (!refused)
      r.temperature = value;
    else
      r.temperatureUnsupported = refused->Kind() == tqusb::ErrorKind::NotSupported;
  }
  if (r.powerWanted) {
    Attempt([&](tqusb::Camera& c) {
      r.power = c.PowerUtilization();
      if (!r.power) r.power = c.Value(TQ_VALUE_POWER_UTILIZATION);
    });
  }
  if (r.gpsWanted) {
    tqusb::GpsFix fix;
    if (!Attempt([&](tqusb::Camera& c) { fix = c.Gps(); })) r.gps = fix;
  }
}

// Driver thread. Readings taken before an unplug or a disconnect are dropped.
void TqusbCcd::PublishReadings(const Readings& r) {
  if (!isConnected()) return;
  if (r.temperature && traits_.temperature) {
    // INDI::CCD's own check turns the state to OK once the set point is reached.
    TemperatureN[0].value = *r.temperature;
    IDSetNumber(&TemperatureNP, nullptr);
    if (CoolerSP.s == IPS_BUSY && std::abs(*r.temperature - coolerTarget_) < 0.5) {
      CoolerSP.s = IPS_OK;
      IDSetSwitch(&CoolerSP, nullptr);
    }
  } else if (r.temperatureUnsupported && traits_.temperature) {
    DropCapability(traits_.temperature, TemperatureNP.name, "temperature readings");
  }
  if (r.power && traits_.coolerPower) {
    CoolerPowerN[0].value = *r.power < 0 ? 0 : *r.power * 100.0;
    CoolerPowerNP.s = IPS_OK;
    IDSetNumber(&CoolerPowerNP, nullptr);
  }
  if (r.gps) {
    const tqusb::GpsFix& fix = *r.gps;
    GpsN[0].value = fix.latitude;
    GpsN[1].value = fix.longitude < 0 ? fix.longitude + 360.0 : fix.longitude;
    GpsN[2].value = fix.altitude;
    GpsNP.s = fix.valid ? IPS_OK : IPS_BUSY;
    IDSetNumber(&GpsNP, nullptr);
    const tqusb::DateTime& t = fix.time;
    if (t.year > 0) {
      char text[40];
      std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02u:%02u:%02.0f", t.year, t.month, t.day,
                    t.hour, t.minute, t.second);
      IUSaveText(&GpsTimeT[0], text);
      GpsTimeTP.s = IPS_OK;
      IDSetText(&GpsTimeTP, nullptr);
    }
  }
}

void TqusbCcd::PollReadings() {
  Readings readings = WantedReadings();
  TakeReadings(readings);
  PublishReadings(readings);
}

}  // namespace tqindi
