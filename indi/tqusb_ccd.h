#pragma once
// One INDI camera device per tqusb camera on the bus: exposures with abort,
// binning and sub-frames, video streaming and recording, cooling, gain, read
// modes, fan, window heating, the guide port, the filter wheel and the time
// and position receiver, each shown only when the camera has it.
#include <indiccd.h>
#include <indifilterinterface.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "camera_traits.h"
#include "camera_worker.h"
#include "completion_gate.h"

namespace tqindi {

class TqusbCcd : public INDI::CCD, public INDI::FilterInterface {
 public:
  TqusbCcd(uint32_t id, const std::string& deviceName);
  ~TqusbCcd() override;

  const char* getDefaultName() override { return "tQusb CCD"; }
  bool initProperties() override;
  bool updateProperties() override;
  bool ISNewNumber(const char* dev, const char* name, double values[], char* names[],
                   int n) override;
  bool ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[],
                   int n) override;
  bool ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) override;

  // True while the worker is in a camera call that can last longer than a
  // couple of seconds (a long camera-timed exposure or stream frame); the bus
  // holds back its event pump meanwhile (camera_bus.cpp).
  bool HoldsCameraLong() const;
  TQCAMERA Camera() const { return camera_ ? camera_->Handle() : nullptr; }
  uint32_t Id() const { return id_; }
  // A connection message of the library for this camera (unplug, plug).
  void OnCameraNotice(bool connected);

 protected:
  bool Connect() override;
  bool Disconnect() override;
  void TimerHit() override;
  bool saveConfigItems(FILE* fp) override;
  void addFITSKeywords(INDI::CCDChip* chip) override;

  // Exposure (tqusb_ccd_exposure.cpp).
  bool StartExposure(float duration) override;
  bool ExposureComplete(INDI::CCDChip* chip) override;
  bool processFastExposure(INDI::CCDChip* chip) override;
  bool AbortExposure() override;
  bool UpdateCCDFrame(int x, int y, int w, int h) override;
  bool UpdateCCDBin(int hor, int ver) override;

  // Video streaming (tqusb_ccd_stream.cpp).
  bool StartStreaming() override;
  bool StopStreaming() override;

  // Cooling, gain, read modes, fan, heating, receiver (tqusb_ccd_controls.cpp).
  int SetTemperature(double temperature) override;

  // Guide port and filter wheel (tqusb_ccd_accessories.cpp).
  IPState GuideNorth(uint32_t ms) override;
  IPState GuideSouth(uint32_t ms) override;
  IPState GuideEast(uint32_t ms) override;
  IPState GuideWest(uint32_t ms) override;
  int QueryFilter() override { return CurrentFilter; }
  bool SelectFilter(int position) override;
  bool GetFilterNames() override;

 private:
  enum class Phase { Idle, Integrating, Reading, CameraTimed, FilterMove, Streaming };
  enum Axis { kRa = 0, kDec = 1 };

  // Connection.
  void AttachCamera();
  void ApplyTraits();
  void ReapplySettings();
  void ApplyReadMode();
  int ChosenReadMode();
  void ShowUnplugged();

  // Runs calls on the open camera; their refusal (or no open camera) comes
  // back as the library's error, nothing when they succeeded.
  template <typename Calls>
  std::optional<tqusb::Error> Attempt(Calls&& calls) {
    if (!camera_) return tqusb::Error("", tqusb::kNotConnectedText, tqusb::ErrorKind::NotConnected);
    try {
      calls(*camera_);
      return std::nullopt;
    } catch (const tqusb::Error& e) {
      return e;
    }
  }
  bool CameraConnected() const { return camera_ && camera_->Connected(); }
  // A setting (gain, fan, heating, set point): made at once, or while a
  // stream runs by the worker between two frames (tqusb_ccd_stream.cpp).
  using CameraCalls = std::function<void(tqusb::Camera&)>;
  std::optional<tqusb::Error> Setting(const CameraCalls& calls);
  bool RefuseSettingWhileBusy(const char* what);

  // Exposure.
  tqusb::Window ReadoutWindow() const;
  bool StartReadout(bool exposeToo, double seconds);
  static void OnExposureDue(void* self);
  void ExposureDue();
  static void OnJobPoll(void* self);
  void FinishJob(const JobResult& result);
  void FinishExposure(const JobResult& result);
  void ArmJobPoll();
  bool ShutterOpenFor() const;
  bool RefuseWhileBusy(const char* what);
  bool RefuseDuringExposure(const char* what);

  // Streaming.
  void SyncStreamFormat();
  void SettleStoppedStream();
  void RunQueuedSetting(bool last);
  double StreamExposure();
  JobResult StreamFrames(const tqusb::Window& w, bool eightBit, bool shutter);
  void FinishStream(const JobResult& result);
  void EndStream();

  // Controls.
  void InitControlProperties();
  void DefineControls();
  void DeleteControls();
  bool HandleControlNumber(const char* name, double values[], char* names[], int n);
  bool HandleControlSwitch(const char* name, ISState* states, char* names[], int n);
  // What a poll reads: taken on the thread that has the camera (the driver
  // thread, or the streaming worker between two frames), published by the
  // driver thread. The wanted flags are copied from the traits on the driver
  // thread, so the worker never reads the traits.
  struct Readings {
    bool temperatureWanted = false, powerWanted = false, gpsWanted = false;
    std::optional<float> temperature;
    bool temperatureUnsupported = false;
    std::optional<float> power;
    std::optional<tqusb::GpsFix> gps;
  };
  Readings WantedReadings() const;
  void TakeReadings(Readings& readings);
  void PublishReadings(const Readings& readings);
  void PollReadings();
  void RequestReadings();
  void PublishTakenReadings();
  double CoolerOffSetPoint() const;
  void DropCapability(bool& flag, const char* propertyName, const char* what);

  // Accessories.
  IPState Pulse(Axis axis, int32_t signedMs);
  static void OnGuideDue(void* self);
  void CheckGuidePulses();
  void BuildFilterNames();
  void FinishFilterMove(const JobResult& result);

  uint32_t id_;
  std::optional<tqusb::Camera> camera_;  // open while the device is connected
  CameraTraits traits_;
  CameraWorker worker_;
  CompletionGate completion_;
  Phase phase_ = Phase::Idle;
  bool aborted_ = false;
  bool unplugged_ = false;  // connected in INDI terms, waiting for the camera to come back
  bool eightBit_ = false;
  bool filtersDefined_ = false;
  int exposureTimer_ = -1;
  int jobPollTimer_ = -1;
  int guideTimer_ = -1;
  int pollTimer_ = -1;
  int targetFilter_ = 1;
  double exposureSeconds_ = 0;
  std::chrono::steady_clock::time_point exposureStart_;
  std::vector<uint8_t> image_;
  std::string imageTime_;  // DATE-OBS from the camera's time stamp, when it has one
  std::string stampError_;
  std::vector<uint8_t> streamFrame_;       // the worker's frame buffer while streaming
  std::atomic<bool> streamStop_{false};    // set from any thread: the stream ends after its frame
  std::atomic<double> streamExposure_{0};  // seconds per frame, changed while streaming
  bool recordClosing_ = false;             // a recording was stopped and waits for a frame to close
  // A setting handed to the streaming worker, and its outcome.
  std::mutex settingLock_;
  std::condition_variable settingDone_;
  bool streamLoop_ = false;  // the worker's frame loop takes settings
  const CameraCalls* queuedSetting_ = nullptr;
  std::optional<tqusb::Error> settingResult_;
  // A poll handed to the streaming worker, and the readings it took.
  std::optional<Readings> readingsRequest_;
  std::optional<Readings> readingsTaken_;

  struct GuidePulse {
    bool active = false;
    int32_t signedMs = 0;
    std::chrono::steady_clock::time_point end;
  } pulses_[2];

  // Properties INDI::CCD does not have.
  ISwitch CoolerS[2];
  ISwitchVectorProperty CoolerSP;
  INumber CoolerPowerN[1];
  INumberVectorProperty CoolerPowerNP;
  INumber GainN[1];
  INumberVectorProperty GainNP;
  INumber FanN[1];
  INumberVectorProperty FanNP;
  INumber HeaterN[1];
  INumberVectorProperty HeaterNP;
  std::vector<ISwitch> ReadModeS;
  ISwitchVectorProperty ReadModeSP;
  INumber GpsN[3];
  INumberVectorProperty GpsNP;
  IText GpsTimeT[1]{};
  ITextVectorProperty GpsTimeTP;
  double coolerTarget_ = 0;
  bool coolerOn_ = false;
};

}  // namespace tqindi
