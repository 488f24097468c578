#pragma once
// The date rule of Lib::SetDate, on its own so that it can be checked without
// setting the clock.

namespace Lib {

// A Gregorian date of the years 1601 to 30827.
bool IsValidDate(unsigned year, unsigned month, unsigned day);

}  // namespace Lib
