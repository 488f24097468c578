#pragma once
// The parameter answer tables as data: one row per index, one answer per
// protocol generation 0 to 5. An answer is a fixed value, a rule over the
// camera view (which may itself decline), or a failure. Indices without a row
// fail for every generation, and so does a generation outside 0 to 5.
#include <cstdint>
#include <optional>
#include <span>

#include "driver/config/parameter_view.h"

namespace tQusb {

inline constexpr int kGenerationCount = 6;

struct TFail {};
inline constexpr TFail fail{};

template <class T>
class TAnswer {
 public:
  using Rule = std::optional<T> (*)(const TParameterView&);

  constexpr TAnswer(TFail) {}
  constexpr TAnswer(T value) : defined_(true), value_(value) {}
  constexpr TAnswer(Rule rule) : defined_(true), rule_(rule) {}

  std::optional<T> Evaluate(const TParameterView& view) const {
    if (!defined_) return std::nullopt;
    if (rule_ != nullptr) return rule_(view);
    return value_;
  }

 private:
  bool defined_ = false;
  T value_{};
  Rule rule_ = nullptr;
};

template <class T>
struct TParameterRow {
  uint32_t Index;
  TAnswer<T> ByGeneration[kGenerationCount];
};

template <class T>
std::optional<T> LookUp(std::span<const TParameterRow<T>> table, const TParameterView& view,
                        uint32_t index) {
  if (view.Generation < 0 || view.Generation >= kGenerationCount) return std::nullopt;
  for (const TParameterRow<T>& row : table) {
    if (row.Index == index) return row.ByGeneration[view.Generation].Evaluate(view);
  }
  return std::nullopt;
}

}  // namespace tQusb
