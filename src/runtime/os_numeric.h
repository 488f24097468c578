#pragma once
// Conversions from double that stay defined for every input: the date and
// clock functions are exported and must survive NaN, infinities and values
// far outside any calendar.
#include <cmath>
#include <limits>

namespace os::detail {

// trunc(x) as an int, clamped to the int range; NaN gives 0.
inline int TruncToInt(double x) {
  if (std::isnan(x)) return 0;
  if (x >= static_cast<double>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  if (x <= static_cast<double>(std::numeric_limits<int>::min())) {
    return std::numeric_limits<int>::min();
  }
  return static_cast<int>(x);
}

}  // namespace os::detail
