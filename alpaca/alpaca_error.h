#pragma once
// The Alpaca error numbers this server answers, and the exception that
// carries one from a device member to the response (HTTP 200 with
// ErrorNumber and ErrorMessage set).
#include <stdexcept>
#include <string>

namespace tqusb {
class Error;
}

namespace tqalpaca {

enum AlpacaErrorNumber : int {
  kNotImplemented = 0x400,
  kInvalidValue = 0x401,
  kValueNotSet = 0x402,
  kNotConnected = 0x407,
  kInvalidOperation = 0x40B,
  kActionNotImplemented = 0x40C,
  kDriverError = 0x500,  // the camera refused; the message is the library's text
};

class AlpacaError : public std::runtime_error {
 public:
  AlpacaError(int number, const std::string& message)
      : std::runtime_error(message), number_(number) {}
  int Number() const { return number_; }

 private:
  int number_;
};

inline AlpacaError NotImplemented(const std::string& member) {
  return AlpacaError(kNotImplemented, member + " is not implemented by this camera");
}
inline AlpacaError InvalidValue(const std::string& what) {
  return AlpacaError(kInvalidValue, what);
}
inline AlpacaError ValueNotSet(const std::string& member) {
  return AlpacaError(kValueNotSet, member + " has not been set yet");
}

// A refusal of the library as the Alpaca error that tells the client most:
// an unplugged camera is "not connected", a feature the camera lacks "not
// implemented", anything else a driver error with the library's text.
AlpacaError FromLibrary(const tqusb::Error& error);

}  // namespace tqalpaca
