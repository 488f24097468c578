// The guide port (camera-timed pulses on two axes) and the filter wheel
// (moves on the worker, names from the camera's filter list).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tqusb_ccd.h"

namespace tqindi {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kGuideRecheckMs = 10;

}  // namespace

// The camera takes both axes in one request, signed milliseconds each
// (first axis right ascension, west positive; second declination, north
// positive); a new request replaces the running one, so the other axis is
// sent again with the time it has left.
IPState TqusbCcd::Pulse(Axis axis, int32_t signedMs) {
  if (!traits_.caps.guidePort || RefuseWhileBusy("guide")) return IPS_ALERT;
  const auto now = Clock::now();
  int32_t values[2] = {0, 0};
  values[axis] = signedMs;
  const GuidePulse& other = pulses_[1 - axis];
  if (other.active && other.end > now) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(other.end - now).count();
    values[1 - axis] = other.signedMs < 0 ? -int32_t(left) : int32_t(left);
  }
  if (auto refused = Attempt([&](tqusb::Camera& c) {
        c.Guide(static_cast<uint16_t>(int16_t(values[kRa])),
                static_cast<uint16_t>(int16_t(values[kDec])));
      })) {
    LOGF_ERROR("Guide pulse refused: %s", refused->Text().c_str());
    return IPS_ALERT;
  }
  const uint32_t ms = std::abs(signedMs);
  pulses_[axis] = {true, signedMs, now + std::chrono::milliseconds(ms)};
  if (guideTimer_ >= 0) IERmTimer(guideTimer_);
  guideTimer_ = IEAddTimer(static_cast<int>(ms), OnGuideDue, this);
  return IPS_BUSY;
}

IPState TqusbCcd::GuideNorth(uint32_t ms) {
  return Pulse(kDec, int32_t(std::min(ms, 32767u)));
}
IPState TqusbCcd::GuideSouth(uint32_t ms) {
  return Pulse(kDec, -int32_t(std::min(ms, 32767u)));
}
IPState TqusbCcd::GuideWest(uint32_t ms) {
  return Pulse(kRa, int32_t(std::min(ms, 32767u)));
}
IPState TqusbCcd::GuideEast(uint32_t ms) {
  return Pulse(kRa, -int32_t(std::min(ms, 32767u)));
}

void TqusbCcd::OnGuideDue(void* self) {
  auto* ccd = static_cast<TqusbCcd*>(self);
  ccd->guideTimer_ = -1;
  ccd->CheckGuidePulses();
}

// A pulse is complete when its time is over and the camera reports no move
// still running (or only the other axis's).
void TqusbCcd::CheckGuidePulses() {
  const auto now = Clock::now();
  bool moving = false;
  if (!worker_.Busy()) Attempt([&](tqusb::Camera& c) { moving = c.Guiding(); });
  Clock::time_point next = Clock::time_point::max();
  for (int axis : {kRa, kDec}) {
    GuidePulse& p = pulses_[axis];
    if (!p.active) continue;
    const GuidePulse& other = pulses_[1 - axis];
    const bool otherRunning = other.active && other.end > now;
    if (p.end <= now && (!moving || otherRunning)) {
      p.active = false;
      GuideComplete(axis == kRa ? AXIS_RA : AXIS_DE);
    } else {
      next = std::min(next, std::max(p.end, now + std::chrono::milliseconds(kGuideRecheckMs)));
    }
  }
  if (next != Clock::time_point::max()) {
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
    guideTimer_ = IEAddTimer(static_cast<int>(std::max<long long>(wait, 1)), OnGuideDue, this);
  }
}

// The filter names come from the camera's filter list; a client may rename
// them for this session (INDI keeps its own names in its configuration).
bool TqusbCcd::GetFilterNames() {
  BuildFilterNames();
  return true;
}

void TqusbCcd::BuildFilterNames() {
  const int count = static_cast<int>(traits_.filterCount);
  if (FilterNameT != nullptr) {
    for (int i = 0; i < FilterNameTP->ntp; ++i) free(FilterNameT[i].text);
    delete[] FilterNameT;
  }
  FilterNameT = new IText[count];
  std::memset(FilterNameT, 0, sizeof(IText) * count);
  std::vector<tqusb::Filter> described;
  if (camera_) described = camera_->Filters();
  for (int i = 0; i < count; ++i) {
    // A position without a description gets a plain name clients can show.
    std::string name = size_t(i) < described.size() ? described[i].name : "";
    if (name.empty() || name == "<undefined>") name = "Filter " + std::to_string(i + 1);
    const std::string element = "FILTER_SLOT_NAME_" + std::to_string(i + 1);
    const std::string label = "Filter #" + std::to_string(i + 1);
    IUFillText(&FilterNameT[i], element.c_str(), label.c_str(), name.c_str());
  }
  IUFillTextVector(FilterNameTP, FilterNameT, count, getDeviceName(), "FILTER_NAME", "Filters",
                   FilterSlotNP.group, IP_RW, 0, IPS_IDLE);
}

bool TqusbCcd::SelectFilter(int position) {
  if (position < 1 || position > int(traits_.filterCount) || RefuseWhileBusy("move the filter"))
    return false;
  targetFilter_ = position;
  const bool started = worker_.Start([this, position] {
    return Attempt([&](tqusb::Camera& c) { c.SetFilter(static_cast<uint8_t>(position - 1)); });
  });
  if (!started) return false;
  phase_ = Phase::FilterMove;
  ArmJobPoll();
  return true;
}

void TqusbCcd::FinishFilterMove(const JobResult& refused) {
  if (!isConnected()) return;
  if (refused) {
    if (refused->Kind() == tqusb::ErrorKind::NotSupported) {
      DropCapability(filtersDefined_, FilterSlotNP.name, "a filter wheel");
      deleteProperty(FilterNameTP->name);
      traits_.filterCount = 0;
      return;
    }
    LOGF_ERROR("Filter move failed: %s", refused->Text().c_str());
    FilterSlotNP.s = IPS_ALERT;
    IDSetNumber(&FilterSlotNP, nullptr);
    return;
  }
  CurrentFilter = targetFilter_;
  SelectFilterDone(targetFilter_);
}

}  // namespace tqindi
