#include "driver/camera/kind_traits.h"

namespace tQusb {
namespace {

constexpr uint8_t G0 = 1u << 0, G1 = 1u << 1, G2 = 1u << 2, G3 = 1u << 3, G4 = 1u << 4,
                  G5 = 1u << 5;
constexpr auto kNone = ETimingEncoding::None;
constexpr auto kDelay = ETimingEncoding::DelayOnly;
constexpr auto kBoth = ETimingEncoding::OverlapAndDelay;

// clang-format off
constexpr TKindTraits kTraits[kKindCount] = {
  // kind gens     class  packed coarse power  multi  g1m  BE     samples    four   step w8   w16  timing  mode capsT  b14    b131 b132 text
  {0,  0,       kAnyInterfaceClass,
                        false, false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  0,   false, false, -1,  -1,  'Q'},
  {1,  G1,      7,      true,  true,  true,  false, 2,   true,  {1, 2, 1}, false, 4,   516, 260, kNone,  1,   false, false, -1,  -1,  'Q'},
  {2,  G1,      8,      true,  true,  true,  false, 2,   true,  {1, 2, 1}, false, 4,   516, 260, kNone,  1,   false, true,  -1,  -1,  'Q'},
  {3,  G1,      2,      false, false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kDelay, 1,   true,  false, -1,  -1,  'Q'},
  {4,  G1,      4,      false, false, false, false, 2,   false, {1, 1, 1}, true,  4,   516, 260, kDelay, 1,   false, false, -1,  -1,  'Q'},
  {5,  G1,      5,      false, false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kDelay, 1,   false, false, -1,  -1,  'Q'},
  {6,  G1,      3,      false, false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kDelay, 1,   true,  true,  -1,  -1,  'Q'},
  {7,  G1,      0,      false, false, false, false, 3,   false, {1, 2, 3}, false, 4,   516, 260, kBoth,  2,   false, false, -1,  -1,  'Q'},
  {8,  G1,      6,      false, false, false, false, 3,   false, {1, 1, 1}, false, 4,   516, 260, kBoth,  2,   true,  false, -1,  -1,  'Q'},
  {9,  G2 | G3, 1,      false, false, false, true,  2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  0,   false, false, -1,  -1,  'Q'},
  {10, G2 | G3, 1,      false, false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  3,   false, false, -1,  -1,  'Q'},
  {11, G4,      1,      false, false, false, true,  2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  0,   false, false, -1,  -1,  'Q'},
  {12, G4,      1,      false, false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  3,   false, false, -1,  -1,  'Q'},
  {13, G4,      1,      false, false, false, false, 2,   false, {1, 1, 1}, false, 8,   8,   8,   kNone,  3,   false, false, -1,  -1,  'Q'},
  {14, G5,      1,      false, false, false, true,  2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  0,   false, false, -1,  -1,  'Q'},
  {15, G5,      1,      false, false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  3,   false, false, -1,  -1,  'Q'},
  {16, G5,      1,      false, false, false, false, 2,   false, {1, 1, 1}, false, 8,   8,   8,   kNone,  3,   false, false, -1,  -1,  'Q'},
  {17, G0,      9,      true,  false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  16,  false, false, 1,   0,   'Q'},
  {18, G0,      11,     true,  false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  16,  false, false, 1,   1,   'K'},
  {19, G0,      12,     true,  false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  16,  false, false, 0,   0,   'Q'},
  {20, G0,      13,     true,  false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  16,  false, false, 1,   1,   'Q'},
  {21, G0,      14,     true,  false, false, false, 2,   false, {1, 1, 1}, false, 4,   516, 260, kNone,  16,  false, false, 1,   1,   'Q'},
};
// clang-format on

constexpr bool RowsInKindOrder() {
  for (uint32_t k = 0; k < kKindCount; ++k)
    if (kTraits[k].Kind != k) return false;
  return true;
}
static_assert(RowsInKindOrder(), "one row per kind, in kind order");

}  // namespace

const TKindTraits& KindTraitsOf(uint32_t kind) {
  return kind < kKindCount ? kTraits[kind] : kTraits[0];
}

}  // namespace tQusb
