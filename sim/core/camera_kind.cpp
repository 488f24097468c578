#include "camera_kind.h"

#include <array>

namespace tqsim {
namespace {

struct ClassRow {
  int interfaceClass;
  KindAndGeneration kg;
};

// Classes other than 1. Class 10 is given the same answers as the generation-0
// family it is listed with.
constexpr std::array<ClassRow, 13> kClassTable{{
    {2, {3, 1}},
    {3, {6, 1}},
    {4, {4, 1}},
    {5, {5, 1}},
    {6, {8, 1}},
    {7, {1, 1}},
    {8, {2, 1}},
    {9, {17, 0}},
    {10, {17, 0}},
    {11, {18, 0}},
    {12, {19, 0}},
    {13, {20, 0}},
    {14, {21, 0}},
}};

struct ProductRow {
  std::uint16_t productId;
  KindAndGeneration kg;
};

constexpr std::array<ProductRow, 29> kProductTable{{
    {0x0C00, {9, 3}},  {0x0C13, {9, 3}},  {0x0C16, {9, 3}},  {0x0C03, {9, 2}},
    {0x0C04, {10, 2}}, {0x0C11, {10, 3}}, {0x0C14, {10, 3}}, {0x0C17, {10, 3}},
    {0x0C90, {11, 4}}, {0x0C93, {11, 4}}, {0x0C96, {11, 4}}, {0x0C91, {12, 4}},
    {0x0C94, {12, 4}}, {0x0C97, {12, 4}}, {0x0C92, {13, 4}}, {0x0C95, {13, 4}},
    {0x0C98, {13, 4}}, {0x0C02, {14, 5}}, {0x0C23, {14, 5}}, {0x0C26, {14, 5}},
    {0x0C2A, {14, 5}}, {0x0C21, {15, 5}}, {0x0C24, {15, 5}}, {0x0C27, {15, 5}},
    {0x0C2B, {15, 5}}, {0x0C22, {16, 5}}, {0x0C25, {16, 5}}, {0x0C28, {16, 5}},
    {0x0C2C, {16, 5}},
}};

}  // namespace

KindAndGeneration KindForClass(int interfaceClass, std::optional<std::uint16_t> productId) {
  if (interfaceClass == 1) {
    if (productId) {
      for (const ProductRow& row : kProductTable) {
        if (row.productId == *productId) return row.kg;
      }
    }
    return {9, 2};
  }
  for (const ClassRow& row : kClassTable) {
    if (row.interfaceClass == interfaceClass) return row.kg;
  }
  return {};
}

bool UsesPackedRecord(const KindAndGeneration& kg) {
  return kg.generation == 0 || kg.kind == 1 || kg.kind == 2;
}

bool IsMultiModeKind(int kind) { return kind == 9 || kind == 11 || kind == 14; }

}  // namespace tqsim
