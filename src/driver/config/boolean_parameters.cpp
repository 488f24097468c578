// The boolean parameter table.
#include <optional>

#include "driver/camera/camera.h"
#include "driver/config/parameter_table.h"
#include "tqusb/runtime/str.h"

namespace tQusb {
namespace {

using Answer = std::optional<bool>;
using V = const TParameterView&;

Answer Connected(V v) { return (v.Flags & kFlagConnected) != 0; }
Answer CanReadSubFrames(V v) { return (v.Flags & kFlagCanReadSubFrames) != 0; }
Answer MicrometerOffsets(V v) { return (v.Flags & kFlagMicrometerFilterOffsets) != 0; }
Answer NotFourOutputs(V v) { return !v.Traits->FourOutputs; }
Answer IsMultiModeKind(V v) { return IsMultiModeIn(*v.Traits, v.Generation); }
Answer HasFilters(V v) { return v.Info.FilterCount != 0; }
Answer CapsBit0(V v) { return (v.Info.Caps & 0x01) != 0; }
Answer CapsBit1(V v) { return (v.Info.Caps & 0x02) != 0; }
Answer CapsBit2Or3(V v) { return (v.Info.Caps & 0x0C) != 0; }
Answer KindIndex14(V v) { return v.Traits->BooleanIndex14; }
Answer StoredPower(V v) { return v.Traits->StoredPowerReading; }

// A record text copied into a work buffer of 16 places and trimmed at its end.
struct TTrimmedText {
  char Text[16];
  unsigned Length;
};
TTrimmedText Trimmed(const char (&field)[kInfoTextLength]) {
  TTrimmedText t{};
  Str::CopyA(15, t.Text, 14, field);
  Str::RTrimA(15, t.Text);
  t.Length = Str::LengthA(15, t.Text);
  return t;
}

// Generation 0: the third text ends in the kind's letter ("K" or "Q").
Answer TextTestA(V v) {
  const TTrimmedText t = Trimmed(v.Info.Text3);
  if (t.Length == 0) return false;
  return t.Text[t.Length - 1] == v.Traits->TextTestEnd;
}

// Generation 1: the first text ends in a digit followed by "C".
Answer TextTestB(V v) {
  const TTrimmedText t = Trimmed(v.Info.Text0);
  if (t.Length < 2) return false;
  const char before = t.Text[t.Length - 2];
  return t.Text[t.Length - 1] == 'C' && before >= '0' && before <= '9';
}

Answer Gen0Index131(V v) { return TriState(v.Traits->Boolean131); }
Answer Gen0Index132(V v) { return TriState(v.Traits->Boolean132); }

// clang-format off
const TParameterRow<bool> kBooleanParameters[] = {
  //          Gen 0             Gen 1              Gen 2            Gen 3            Gen 4            Gen 5
  {0,     {Connected,        Connected,         Connected,       Connected,       Connected,       Connected}},
  {1,     {CanReadSubFrames, NotFourOutputs,    true,            true,            true,            true}},
  {2,     {true,             true,              IsMultiModeKind, IsMultiModeKind, IsMultiModeKind, IsMultiModeKind}},
  {3,     {false,            true,              false,           false,           false,           true}},
  {4,     {false,            true,              false,           false,           true,            true}},
  {5,     {true,             false,             false,           true,            true,            false}},
  {6,     {false,            HasFilters,        false,           false,           true,            HasFilters}},
  {7,     {true,             false,             true,            true,            true,            false}},
  {8,     {false,            true,              false,           false,           false,           true}},
  {9,     {false,            CapsBit1,          false,           false,           false,           false}},
  {10,    {fail,             true,              true,            true,            true,            true}},
  {11,    {false,            MicrometerOffsets, false,           false,           false,           MicrometerOffsets}},
  {12,    {false,            true,              false,           false,           true,            true}},
  {13,    {false,            false,             true,            true,            true,            true}},
  {14,    {true,             KindIndex14,       true,            true,            true,            true}},
  {15,    {fail,             fail,              fail,            fail,            fail,            fail}},
  {16,    {fail,             fail,              fail,            fail,            fail,            CapsBit2Or3}},
  // 17 to 127 fail everywhere.
  {128,   {TextTestA,        TextTestB,         CapsBit0,        CapsBit0,        CapsBit0,        CapsBit0}},
  {129,   {false,            false,             false,           false,           false,           false}},
  {130,   {false,            false,             false,           false,           false,           false}},
  {131,   {Gen0Index131,     fail,              false,           false,           false,           false}},
  {132,   {Gen0Index132,     fail,              true,            true,            true,            true}},
  // 133 to 255 fail everywhere.
  {256,   {false,            false,             false,           false,           false,           false}},
  // 257 to 65535 fail everywhere.
  {65536, {fail,             StoredPower,       fail,            fail,            fail,            fail}},
  // Above 65536 everything fails.
};
// clang-format on

}  // namespace

bool BooleanParameter(const TParameterView& view, uint32_t index, bool* value) {
  const std::optional<bool> answer = LookUp<bool>(kBooleanParameters, view, index);
  if (!answer) return false;
  *value = *answer;
  return true;
}

}  // namespace tQusb
