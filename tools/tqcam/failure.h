// A failure that ends the command: main prints its text as one line on
// standard error and exits with its status. A call the camera refuses is a
// tqusb::Error, which main reports the same way with status 1.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "tqusb/tqusb.hpp"

namespace tqcam {

class Failure : public std::runtime_error {
 public:
  explicit Failure(const std::string& text, int status = 1)
      : std::runtime_error(text), status_(status) {}
  int Status() const { return status_; }

 private:
  int status_;
};

// Exit status of a command given arguments it cannot use: bad syntax, a
// value outside what the camera can do, an option missing its partner.
inline constexpr int kUsageStatus = 2;

// Exit status of a command ended by Ctrl-C (128 + SIGINT, as shells report it).
inline constexpr int kInterruptedStatus = 130;

// What a call returns, or nothing when the camera refuses it: for readings a
// command shows when the camera gives them and leaves out otherwise.
template <typename Call>
auto IfGiven(Call&& call) -> std::optional<decltype(call())> {
  try {
    return call();
  } catch (const tqusb::Error&) {
    return std::nullopt;
  }
}

}  // namespace tqcam
