#include "driver/transport/camera_classes.h"

#include <array>
#include <bit>
#include <cstdio>

#include "driver/camera/kind_traits.h"
#include "driver/transport/command_channel.h"

namespace tQusb {
namespace {

// The interface classes in the order CameraInit tries them. Each class's kind
// is the traits row that names the class, in the oldest generation of that
// kind; class 1 gets its kind and generation from the product id afterwards.
constexpr int kInitClassOrder[] = {2, 3, 1, 6, 7, 8, 9, 11, 12, 13, 14, 4, 5};

TClassKind KindOfClass(int classNumber) {
  for (uint32_t kind = 1; kind < kKindCount; ++kind) {
    const TKindTraits& traits = KindTraitsOf(kind);
    if (traits.InterfaceClass == classNumber)
      return {classNumber, kind, std::countr_zero(traits.Generations)};
  }
  return {classNumber, 0, -1};
}

struct TProductKind {
  uint16_t ProductId;
  uint8_t Kind;
  uint8_t Generation;
};

constexpr TProductKind kProducts[] = {
    {0x0C00, 9, 3},  {0x0C13, 9, 3},  {0x0C16, 9, 3},  {0x0C03, 9, 2},  {0x0C04, 10, 2},
    {0x0C11, 10, 3}, {0x0C14, 10, 3}, {0x0C17, 10, 3}, {0x0C90, 11, 4}, {0x0C93, 11, 4},
    {0x0C96, 11, 4}, {0x0C91, 12, 4}, {0x0C94, 12, 4}, {0x0C97, 12, 4}, {0x0C92, 13, 4},
    {0x0C95, 13, 4}, {0x0C98, 13, 4}, {0x0C02, 14, 5}, {0x0C23, 14, 5}, {0x0C26, 14, 5},
    {0x0C2A, 14, 5}, {0x0C21, 15, 5}, {0x0C24, 15, 5}, {0x0C27, 15, 5}, {0x0C2B, 15, 5},
    {0x0C22, 16, 5}, {0x0C25, 16, 5}, {0x0C28, 16, 5}, {0x0C2C, 16, 5},
};

}  // namespace

std::span<const TClassKind> CameraInitClassOrder() {
  static const auto order = [] {
    std::array<TClassKind, std::size(kInitClassOrder)> rows{};
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = KindOfClass(kInitClassOrder[i]);
    return rows;
  }();
  return order;
}

bool KindByProductId(uint16_t productId, uint32_t& kind, int32_t& generation) {
  for (const TProductKind& p : kProducts) {
    if (p.ProductId == productId) {
      kind = p.Kind;
      generation = p.Generation;
      return true;
    }
  }
  char line[64];
  std::snprintf(line, sizeof line, "CameraInit: unknown product id 0x%04X, kind %u kept",
                static_cast<unsigned>(productId), static_cast<unsigned>(kind));
  DebugLine(line);
  return false;
}

}  // namespace tQusb
