#pragma once
// Which interface classes a camera can be found in, and what kind of camera
// and protocol generation each class means.
#include <cstdint>
#include <span>

namespace tQusb {

inline constexpr int kInterfaceClassCount = 14;

struct TClassKind {
  int ClassNumber;
  uint32_t CameraKind;
  int32_t Generation;
};

// The classes in the order CameraInit tries them (class 10 is never opened).
std::span<const TClassKind> CameraInitClassOrder();

inline constexpr int kProductIdClass = 1;

// Kind and generation of a class-1 device by its USB product id; false, with
// a debug line, when the id is not one of the known products (the caller
// keeps what the class gave: kind 9 in generation 2).
bool KindByProductId(uint16_t productId, uint32_t& kind, int32_t& generation);

}  // namespace tQusb
