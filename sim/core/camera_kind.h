#pragma once
// How a connection decides a camera's kind and protocol generation: by its
// interface class, and for class 1 by the USB product id of its descriptor.
// The simulator derives its firmware behaviour from the same decision, so a
// model always plays the generation the host will speak to it.
#include <cstdint>
#include <optional>

namespace tqsim {

struct KindAndGeneration {
  int kind = 0;
  int generation = 0;
};

// Interface classes are numbered 1 to 14. Class 10 cameras are listed but never
// opened; they are still given a generation so the simulator can answer them.
KindAndGeneration KindForClass(int interfaceClass, std::optional<std::uint16_t> productId);

// Whether the information record of opcode 0x00 is the 60-byte packed form.
bool UsesPackedRecord(const KindAndGeneration& kg);

// The kind of the generation's multi-mode model: the one with a read-mode list.
bool IsMultiModeKind(int kind);

}  // namespace tqsim
