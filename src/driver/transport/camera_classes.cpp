#include "driver/transport/camera_classes.h"

#include <cstdio>

#include "driver/transport/command_channel.h"

namespace tQusb {
namespace {

// Class 1 gets its kind and generation from the product id afterwards.
constexpr TClassKind kInitOrder[] = {
    {2, 3, 1},   {3, 6, 1},   {1, kProductIdDefaultKind, kProductIdDefaultGeneration},
    {6, 8, 1},   {7, 1, 1},   {8, 2, 1},
    {9, 17, 0},  {11, 18, 0}, {12, 19, 0},
    {13, 20, 0}, {14, 21, 0}, {4, 4, 1},
    {5, 5, 1},
};

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
  return kInitOrder;
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
