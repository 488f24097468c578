// The module tqusb: cameras on the bus, opening one, and the version.
#include <pybind11/stl.h>

#include "values.h"

namespace tqpy {
namespace {

std::vector<CameraInfo> ListCameras() {
  std::vector<CameraInfo> found;
  py::gil_scoped_release unlocked;
  for (uint32_t id : tqusb::FreeCameraIds()) {
    // A camera taken by another program between listing and opening is left out.
    try {
      tqusb::Camera camera(id);
      found.push_back(InfoOf(camera));
    } catch (const tqusb::Error&) {
    }
  }
  return found;
}

}  // namespace
}  // namespace tqpy

PYBIND11_MODULE(tqusb, m) {
  using namespace tqpy;
  m.doc() = R"(Cooled astronomical USB cameras from Python.

    import tqusb
    for info in tqusb.cameras():
        print(info.id, info.model, info.width, info.height)
    with tqusb.Camera(info.id) as cam:
        frame = cam.expose(1.0, bin=2)      # numpy array (height, width)

Frames are numpy arrays with row 0 at the top; windows are (x, y, width,
height) in binned pixels from the top-left corner; times in seconds,
temperatures in degrees Celsius. Refusals raise tqusb.Error (or one of its
subclasses) carrying the library's text.)";
  m.attr("version") = TQUSB_VERSION_STRING;
  m.attr("__version__") = TQUSB_VERSION_STRING;
  DefineErrors(m);
  DefineValues(m);
  DefineEvents(m);
  DefineCamera(m);
  m.def("cameras", &ListCameras,
        "The cameras on the bus that no program has open, in bus order: a list of CameraInfo. "
        "Each is opened briefly to read what it can do.");
  // The queue exists before the first camera is opened.
  NotifyQueue();
}
