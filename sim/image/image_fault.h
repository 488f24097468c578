// Faults a simulated camera can inject into an image transfer.
#pragma once

#include <cstdint>

namespace tqsim::image {

struct ImageFault {
  enum class Kind {
    None,
    ShortBy,     // send a frame `bytes` shorter than the image
    CloseAfter,  // announce the whole image, send `bytes` of it, close the image pipe
    FailStatus,  // trailing status byte `status` instead of success (generations 2 to 5)
  };
  Kind kind = Kind::None;
  uint64_t bytes = 0;
  uint8_t status = 0x84;
};

}  // namespace tqsim::image
