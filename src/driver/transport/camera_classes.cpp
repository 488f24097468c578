#include "driver/transport/camera_classes.h"

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

// Kinds whose read mode 3 (generations 2 to 5) or 2 (generation 1) is the
// default; every other camera of those generations starts in mode 0 or 1.
struct TReadModeDefault {
  int32_t Generation;
  uint32_t Kind;
  uint32_t Mode;
};

constexpr TReadModeDefault kSpecialModes[] = {
    {1, 7, 2}, {1, 8, 2}, {2, 10, 3}, {3, 10, 3}, {4, 12, 3}, {4, 13, 3}, {5, 15, 3}, {5, 16, 3},
};

}  // namespace

std::span<const TClassKind> CameraInitClassOrder() {
  return kInitOrder;
}

bool KindByProductId(uint16_t productId, uint32_t& kind, int32_t& generation) {
  if (productId < 0x0C00 || productId > 0x0C98) return false;
  for (const TProductKind& p : kProducts) {
    if (p.ProductId == productId) {
      kind = p.Kind;
      generation = p.Generation;
      return true;
    }
  }
  return false;
}

uint32_t DefaultReadMode(int32_t generation, uint32_t kind) {
  if (generation == 0) return 16;
  for (const TReadModeDefault& d : kSpecialModes)
    if (d.Generation == generation && d.Kind == kind) return d.Mode;
  return generation == 1 ? 1 : 0;
}

}  // namespace tQusb
