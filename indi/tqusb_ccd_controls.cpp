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
  if (traits_.gain) {
    GainN[0].max = traits_.maxGain;
    defineProperty(&GainNP);
  }
  if (traits_.fan) defineProperty(&FanNP);
  if (traits_.windowHeating) defineProperty(&HeaterNP);
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
  if (traits_.gps) {
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
  return std::min(kCoolerOffSetPoint, traits_.maxSetPoint);
}

int TqusbCcd::SetTemperature(double temperature) {
  if (!traits_.setPoint || RefuseWhileBusy("set the temperature")) return -1;
  if (!::SetTemperature(camera_.Get(), static_cast<float>(temperature))) {
    LOGF_ERROR("Set point refused: %s", camera_.LastError().c_str());
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
  bool ok = false;
  if (traits_.gain && std::strcmp(name, GainNP.name) == 0) {
    np = &GainNP;
    if (RefuseWhileBusy("change the gain")) return true;
    ok = SetGain(camera_.Get(), static_cast<uint16_t>(values[0]));
  } else if (traits_.fan && std::strcmp(name, FanNP.name) == 0) {
    np = &FanNP;
    if (RefuseWhileBusy("change the fan")) return true;
    ok = SetFan(camera_.Get(), static_cast<uint8_t>(values[0]));
    if (!ok && camera_.LastFailureIsUnsupported()) {
      DropCapability(traits_.fan, FanNP.name, "fan control");
      return true;
    }
  } else if (traits_.windowHeating && std::strcmp(name, HeaterNP.name) == 0) {
    np = &HeaterNP;
    if (RefuseWhileBusy("change the window heating")) return true;
    ok = SetWindowHeating(camera_.Get(), static_cast<uint8_t>(values[0]));
    if (!ok && camera_.LastFailureIsUnsupported()) {
      DropCapability(traits_.windowHeating, HeaterNP.name, "window heating");
      return true;
    }
  } else {
    return false;
  }
  if (ok) IUUpdateNumber(np, values, names, n);
  np->s = ok ? IPS_OK : IPS_ALERT;
  IDSetNumber(np, ok ? nullptr : "%s", camera_.LastError().c_str());
  return true;
}

bool TqusbCcd::HandleControlSwitch(const char* name, ISState* states, char* names[], int n) {
  if (traits_.setPoint && std::strcmp(name, CoolerSP.name) == 0) {
    if (RefuseWhileBusy("switch the cooler")) return true;
    const bool on = IUFindOnSwitchName(states, names, n) == std::string("COOLER_ON");
    const double setPoint = on ? m_TargetTemperature : CoolerOffSetPoint();
    const bool ok = ::SetTemperature(camera_.Get(), static_cast<float>(setPoint));
    if (ok) {
      coolerOn_ = on;
      coolerTarget_ = setPoint;
      IUUpdateSwitch(&CoolerSP, states, names, n);
    }
    CoolerSP.s = ok ? (on ? IPS_BUSY : IPS_IDLE) : IPS_ALERT;
    IDSetSwitch(&CoolerSP, ok ? nullptr : "%s", camera_.LastError().c_str());
    return true;
  }
  if (!ReadModeS.empty() && std::strcmp(name, ReadModeSP.name) == 0) {
    if (RefuseDuringExposure("change the read mode")) return true;
    const int previous = IUFindOnSwitchIndex(&ReadModeSP);
    IUUpdateSwitch(&ReadModeSP, states, names, n);
    const int mode = IUFindOnSwitchIndex(&ReadModeSP);
    const bool ok = mode >= 0 && SetReadMode(camera_.Get(), mode);
    if (!ok) {
      IUResetSwitch(&ReadModeSP);
      if (previous >= 0) ReadModeS[previous].s = ISS_ON;
    } else {
      eightBit_ = traits_.EightBit(mode);
      PrimaryCCD.setBPP(eightBit_ ? 8 : 16);
    }
    ReadModeSP.s = ok ? IPS_OK : IPS_ALERT;
    IDSetSwitch(&ReadModeSP, ok ? nullptr : "%s", camera_.LastError().c_str());
    return true;
  }
  return false;
}

// Temperature, cooler power and the receiver, read while no job runs.
void TqusbCcd::PollReadings() {
  TQCAMERA camera = camera_.Get();
  float value = 0;
  if (traits_.temperature) {
    if (GetValue(camera, TQ_VALUE_SENSOR_TEMPERATURE, &value)) {
      // INDI::CCD's own check turns the state to OK once the set point is reached.
      TemperatureN[0].value = value;
      IDSetNumber(&TemperatureNP, nullptr);
      if (CoolerSP.s == IPS_BUSY && std::abs(value - coolerTarget_) < 0.5) {
        CoolerSP.s = IPS_OK;
        IDSetSwitch(&CoolerSP, nullptr);
      }
    } else if (camera_.LastFailureIsUnsupported()) {
      DropCapability(traits_.temperature, TemperatureNP.name, "temperature readings");
    }
  }
  if (traits_.coolerPower) {
    if (ReadPowerUtilization(camera, &value) ||
        GetValue(camera, TQ_VALUE_POWER_UTILIZATION, &value)) {
      CoolerPowerN[0].value = value < 0 ? 0 : value * 100.0;
      CoolerPowerNP.s = IPS_OK;
      IDSetNumber(&CoolerPowerNP, nullptr);
    }
  }
  if (traits_.gps) {
    double lat = 0, lon = 0, alt = 0, second = 0;
    int32_t year = 0, month = 0, day = 0;
    uint32_t hour = 0, minute = 0, satellites = 0;
    bool valid = false;
    if (GetGPSData(camera, &lat, &lon, &alt, &year, &month, &day, &hour, &minute, &second,
                   &satellites, &valid)) {
      GpsN[0].value = lat;
      GpsN[1].value = lon < 0 ? lon + 360.0 : lon;
      GpsN[2].value = alt;
      GpsNP.s = valid ? IPS_OK : IPS_BUSY;
      IDSetNumber(&GpsNP, nullptr);
      if (year > 0) {
        char text[40];
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02u:%02u:%02.0f", year, month, day, hour,
                      minute, second);
        IUSaveText(&GpsTimeT[0], text);
        GpsTimeTP.s = IPS_OK;
        IDSetText(&GpsTimeTP, nullptr);
      }
    }
  }
}

}  // namespace tqindi
