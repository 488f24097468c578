// tqcam watch: report cameras as they come and go.
//
// A pump thread owns the camera handles: it initializes every free camera it
// finds, registers a notify queue with each, and pumps its own events, which
// is where the library handles device notices and reconnects a camera that
// is plugged back in. The main thread reads the notify queue and prints.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "commands.h"
#include "failure.h"
#include "interrupt.h"
#include "parameters.h"

namespace tqcam {

namespace {

struct Known {
  std::mutex mutex;
  std::map<uint64_t, uint32_t> idOf;  // handle -> camera id
  std::set<uint32_t> ids;
  std::set<uint32_t> connected;  // as last reported
};

void Say(const char* what, uint32_t id) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&t, &local);
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%H:%M:%S", &local);
  std::printf("%s camera %u %s\n", stamp, id, what);
  std::fflush(stdout);
}

// The cameras are released when the pump ends, on the thread that opened them.
void Pump(void* queue, Known& known, const std::atomic<bool>& stop) {
  std::vector<tqusb::Camera> cameras;
  while (!stop.load()) {
    for (uint32_t id : tqusb::FreeCameraIds()) {
      {
        std::lock_guard lock(known.mutex);
        if (known.ids.count(id)) continue;  // ours; it reconnects by itself
      }
      std::optional<tqusb::Camera> camera;
      try {
        camera.emplace(id);
      } catch (const tqusb::Error&) {
        continue;  // taken or gone since the listing; a later one finds it again
      }
      camera->Notify(queue);
      std::lock_guard lock(known.mutex);
      known.idOf[reinterpret_cast<uint64_t>(camera->Handle())] = id;
      known.ids.insert(id);
      known.connected.insert(id);
      Say("present", id);
      cameras.push_back(std::move(*camera));
    }
    tqPumpEvents(250);
  }
}

}  // namespace

int Watch(double seconds) {
  void* queue = tqCreateNotifyWindow();
  if (!queue) throw Failure("watch: the library could not make a notify queue");
  Known known;
  std::atomic<bool> stop{false};
  std::thread pump(Pump, queue, std::ref(known), std::cref(stop));
  const auto start = std::chrono::steady_clock::now();
  while (!interrupt::Requested() &&
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() <
             seconds) {
    unsigned message = 0;
    uint64_t wparam = 0, lparam = 0;
    if (!tqGetNotifyMessage(queue, 200, &message, &wparam, &lparam)) continue;
    std::lock_guard lock(known.mutex);
    const auto it = known.idOf.find(lparam);
    if (it == known.idOf.end()) continue;
    const uint32_t id = it->second;
    // Only changes are news: the first connection was reported as present.
    if (message == TQ_MSG_CAMERA_CONNECTED && known.connected.insert(id).second)
      Say("connected", id);
    if (message == TQ_MSG_CAMERA_NOT_CONNECTED && known.connected.erase(id) == 1)
      Say("disconnected", id);
  }
  stop.store(true);
  pump.join();
  tqDestroyNotifyWindow(queue);
  return 0;
}

}  // namespace tqcam
