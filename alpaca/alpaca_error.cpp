#include "alpaca_error.h"

#include "tqusb/tqusb.hpp"

namespace tqalpaca {

AlpacaError FromLibrary(const tqusb::Error& error) {
  switch (error.Kind()) {
    case tqusb::ErrorKind::NotConnected:
      return AlpacaError(kNotConnected, error.Text());
    case tqusb::ErrorKind::NotSupported:
      return AlpacaError(kNotImplemented, error.Text());
    case tqusb::ErrorKind::Failed:
      break;
  }
  return AlpacaError(kDriverError, error.Text());
}

}  // namespace tqalpaca
