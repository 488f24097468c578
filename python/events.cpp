// tqusb.events(): connection changes of the cameras this process has open,
// read from one notify queue. Device notices reach a camera only while the
// thread that opened it pumps (tqPumpEvents), so the iterator pumps the
// calling thread's notices while it waits: iterated on the thread that opened
// the cameras, an unplugged camera reconnects by itself when it comes back.
#include <pybind11/stl.h>

#include <chrono>
#include <deque>
#include <map>
#include <mutex>

#include "binding.h"

namespace tqpy {

namespace {

struct Event {
  bool connected = false;
  uint32_t cameraId = 0;
};

// The lock guards the handle table and the events taken off the queue when a
// camera closed. Messages name cameras by handle, and the library may hand
// out a closed camera's handle again: so a closing camera's messages are
// named while its handle still means it, and kept here in order.
std::mutex g_camerasLock;
std::map<TQCAMERA, uint32_t>& Cameras() {
  static std::map<TQCAMERA, uint32_t> cameras;
  return cameras;
}
std::deque<Event>& Taken() {
  static std::deque<Event> taken;
  return taken;
}

// Takes one message off the queue (waiting up to timeoutMs): false when none
// came. *event names its camera, nullopt for a message about no open camera.
// Lock held.
bool TakeLocked(unsigned timeoutMs, std::optional<Event>* event) {
  unsigned message = 0;
  uint64_t wparam = 0, lparam = 0;
  event->reset();
  if (!tqGetNotifyMessage(NotifyQueue(), timeoutMs, &message, &wparam, &lparam)) return false;
  auto found = Cameras().find(reinterpret_cast<TQCAMERA>(lparam));
  if (found != Cameras().end() &&
      (message == TQ_MSG_CAMERA_CONNECTED || message == TQ_MSG_CAMERA_NOT_CONNECTED))
    *event = Event{message == TQ_MSG_CAMERA_CONNECTED, found->second};
  return true;
}

// Waits for the next event; nullopt when timeout (seconds, negative: none)
// passes without one.
class EventIterator {
 public:
  explicit EventIterator(std::optional<double> timeout) : timeout_(timeout) {}

  Event Next() {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    for (;;) {
      std::optional<Event> event;
      {
        py::gil_scoped_release unlocked;
        tqPumpEvents(20);
        std::lock_guard<std::mutex> hold(g_camerasLock);
        if (!Taken().empty()) {
          event = Taken().front();
          Taken().pop_front();
        } else {
          TakeLocked(30, &event);
        }
      }
      if (event) return *event;
      if (PyErr_CheckSignals() != 0) throw py::error_already_set();
      if (timeout_ && std::chrono::duration<double>(Clock::now() - start).count() >= *timeout_)
        throw py::stop_iteration();
    }
  }

 private:
  std::optional<double> timeout_;
};

}  // namespace

void* NotifyQueue() {
  static void* queue = tqCreateNotifyWindow();
  return queue;
}

void RememberCamera(TQCAMERA handle, uint32_t id) {
  std::lock_guard<std::mutex> hold(g_camerasLock);
  Cameras()[handle] = id;
}

void ForgetCamera(TQCAMERA handle) {
  std::lock_guard<std::mutex> hold(g_camerasLock);
  std::optional<Event> event;
  while (TakeLocked(0, &event))
    if (event) Taken().push_back(*event);
  Cameras().erase(handle);
}

void DefineEvents(py::module_& m) {
  py::class_<Event>(m, "Event", "A camera of this process was connected or disconnected.")
      .def_readonly("connected", &Event::connected,
                    "True: the camera is connected now; False: it went away.")
      .def_readonly("camera_id", &Event::cameraId, "Id of the camera, as given to Camera(id).")
      .def_property_readonly(
          "kind", [](const Event& e) { return e.connected ? "connected" : "disconnected"; },
          "\"connected\" or \"disconnected\".")
      .def("__repr__", [](const Event& e) {
        return std::string("<tqusb.Event ") + (e.connected ? "connected" : "disconnected") +
               " camera " + std::to_string(e.cameraId) + ">";
      });

  py::class_<EventIterator>(m, "EventIterator", "Iterator returned by tqusb.events().")
      .def("__iter__", [](EventIterator& self) -> EventIterator& { return self; })
      .def("__next__", &EventIterator::Next);

  m.def(
      "events",
      [](std::optional<double> timeout) {
        if (timeout && !(*timeout >= 0))
          throw InvalidValue("timeout must be a number of seconds, at least 0");
        return EventIterator(timeout);
      },
      py::arg("timeout") = py::none(),
      R"(Iterate over connection changes of the cameras this process has open.

Each item is an Event (connected or disconnected, camera_id). Opening a
camera posts its current state at once, so the first event of a camera is
"connected". Iteration waits for the next event; with ``timeout`` (seconds)
it ends when none comes within that time, without it only Ctrl-C ends it.

Iterate on the thread that opened the cameras: while it waits it pumps that
thread's device notices, which is what lets an unplugged camera reconnect
by itself when it is plugged in again.)");
}

}  // namespace tqpy
