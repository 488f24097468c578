// The setters through which tests, benchmarks and fuzz targets shorten the
// library's waits and replace its sources of time and transport. They are
// compiled only into the tqusb_internal archive: libtqusb.so reads these
// settings but contains nothing that changes them.
#include "driver/accessories/power_utilization.h"
#include "driver/transport/backend.h"
#include "platform/vbus_host.h"
#include "runtime/os_clock.h"

namespace platform::vbus {

void SetReplyTimeoutMs(unsigned timeoutMs) {
  g_replyTimeoutMs = timeoutMs;
}

void SetImageFloorMs(unsigned floorMs) {
  g_imageFloorMs = floorMs;
}

}  // namespace platform::vbus

namespace os::detail {

const TClockSource& SystemClockSource() {
  return kSystemClockSource;
}

const TClockSource& ExchangeClockSource(const TClockSource& source) {
  return *g_clockSource.exchange(&source, std::memory_order_acq_rel);
}

}  // namespace os::detail

namespace tQusb {

void SetPowerTimerPeriodMs(unsigned periodMs) {
  g_powerTimerPeriodMs = periodMs;
}

namespace transport {

void SetBackend(Backend* backend) {
  g_installedBackend = backend;
}

}  // namespace transport

}  // namespace tQusb
