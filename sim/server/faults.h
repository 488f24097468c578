#pragma once
// Faults a device can be told to show, for testing how hosts cope with
// failing cameras.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/image_fault.h"

namespace tqsim {

struct FaultPlan {
  std::uint32_t statusCount = 0;  // answer this many next requests with `status`
  std::uint8_t status = 0x84;
  double delayMs = 0;               // hold back each reply this long (real time)
  std::uint32_t delayCount = 0;     // ... for this many requests; 0 = until cleared
  bool closeReply = false;          // at the next request close the reply connection
  bool closeImage = false;          // at the next request close the image connection
  std::optional<std::uint32_t> unplugAfter;  // unplug once this many more requests were answered
  std::optional<image::ImageFault> imageFault;  // shown by the next image transfer

  bool Any() const {
    return statusCount != 0 || delayMs > 0 || closeReply || closeImage || unplugAfter.has_value() ||
           imageFault.has_value();
  }
};

// Applies one fault command to a plan. Words:
//   status CODE [COUNT]   delay MS [COUNT]   close-reply   close-image
//   unplug-after N        clear
//   image-short K         the next image is K bytes short
//   image-cut K           the next image stops after K bytes and its connection closes
//   image-status CODE     the next image is followed by status CODE (generations 2 to 5)
// Returns an empty text on success, else the reason.
std::string ApplyFaultCommand(FaultPlan& plan, const std::vector<std::string>& words);

// One line describing the plan ("none" when empty).
std::string DescribeFaults(const FaultPlan& plan);

}  // namespace tqsim
