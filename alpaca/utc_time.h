#pragma once
// Exposure start times as Alpaca writes them: UTC, CCYY-MM-DDThh:mm:ss.sss.
#include <chrono>
#include <string>

#include "tqusb/tqusb.hpp"

namespace tqalpaca {

std::string FitsTime(std::chrono::system_clock::time_point t);
std::string FitsTime(const tqusb::DateTime& t);

}  // namespace tqalpaca
