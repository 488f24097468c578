// tqusb.Error and its subclasses. They are plain Python classes (defined from
// source below) so that InvalidValueError can also be a ValueError and every
// error carries the library's text and the operation as attributes.
#include <pybind11/eval.h>

#include "binding.h"

namespace tqpy {

namespace {

constexpr const char* kErrorClasses = R"(
class Error(Exception):
    """A call the camera library refused.

    str(error) is "<operation>: <text>". ``text`` is the library's own reason
    (for example "CCD camera not connected to USB"), ``operation`` what was
    asked ("exposure", "filter", ...; empty where there is none)."""

    def __init__(self, message, text=None, operation=""):
        super().__init__(message)
        self.text = message if text is None else text
        self.operation = operation


class NotConnectedError(Error):
    """The camera is not connected: unplugged, taken by another process, or
    gone after a failed transfer. It comes back when it is plugged in again
    and its opening thread pumps events (see tqusb.events)."""


class NotSupportedError(Error):
    """The camera does not have the function asked for."""


class InvalidValueError(Error, ValueError):
    """A value outside what the camera accepts; nothing was sent."""
)";

py::handle g_module;

// Sets the Python error of class cls (of this module) as the current one.
void SetError(const char* cls, const std::string& message, const std::string& text,
              const std::string& operation) {
  py::object type = g_module.attr(cls);
  py::object error = type(message, text, operation);
  PyErr_SetObject(type.ptr(), error.ptr());
}

const char* ClassOf(tqusb::ErrorKind kind) {
  switch (kind) {
    case tqusb::ErrorKind::NotConnected:
      return "NotConnectedError";
    case tqusb::ErrorKind::NotSupported:
      return "NotSupportedError";
    case tqusb::ErrorKind::Failed:
      break;
  }
  return "Error";
}

}  // namespace

void DefineErrors(py::module_& m) {
  py::exec(kErrorClasses, m.attr("__dict__"));
  g_module = m.inc_ref();  // lives as long as the interpreter
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const tqusb::Error& e) {
      // what() is "<operation>: <text>" or just the text.
      const std::string message = e.what();
      std::string operation;
      if (message.size() > e.Text().size() + 2)
        operation = message.substr(0, message.size() - e.Text().size() - 2);
      SetError(ClassOf(e.Kind()), message, e.Text(), operation);
    } catch (const InvalidValue& e) {
      SetError("InvalidValueError", e.what(), e.what(), "");
    } catch (const Closed& e) {
      SetError("Error", e.what(), e.what(), "");
    }
  });
}

}  // namespace tqpy
