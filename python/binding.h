// Shared pieces of the Python module: the error classes, the open-camera
// registry the event queue reports against, and value conversions.
#ifndef TQUSB_PYTHON_BINDING_H
#define TQUSB_PYTHON_BINDING_H

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

#include "tqusb/tqusb.hpp"

namespace tqpy {

namespace py = pybind11;

// A value refused before anything reaches the camera; raised as
// tqusb.InvalidValueError.
struct InvalidValue : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A use of a closed camera object; raised as tqusb.Error.
struct Closed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Defines tqusb.Error and its subclasses and turns the C++ errors into them.
void DefineErrors(py::module_& m);

// The process's notify queue, made at import, to which every open camera
// posts its connection changes; the handle-to-id table names the camera.
void* NotifyQueue();
void RememberCamera(TQCAMERA handle, uint32_t id);
// Before the handle is released: its pending messages are kept as events.
void ForgetCamera(TQCAMERA handle);
void DefineEvents(py::module_& m);

// Camera, CameraInfo, ReadMode, Filter, GpsFix.
void DefineCamera(py::module_& m);
void DefineValues(py::module_& m);

// A UTC date and time from the library as datetime.datetime (tz UTC).
py::object UtcDateTime(const tqusb::DateTime& t);

}  // namespace tqpy

#endif
