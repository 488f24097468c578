#include "faults.h"

#include <sstream>

namespace tqsim {
namespace {

bool ParseNumber(const std::string& text, std::uint64_t max, std::uint64_t& value) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  try {
    std::size_t used = 0;
    value = std::stoull(text, &used, 0);
    return used == text.size() && value <= max;
  } catch (...) {
    return false;
  }
}

}  // namespace

std::string ApplyFaultCommand(FaultPlan& plan, const std::vector<std::string>& words) {
  if (words.empty())
    return "fault needs a kind: status, delay, close-reply, close-image, unplug-after, image-short, "
           "image-cut, image-status, clear";
  const std::string& kind = words[0];
  std::uint64_t a = 0, b = 0;
  if (kind == "status") {
    if (words.size() < 2 || words.size() > 3 || !ParseNumber(words[1], 0xFF, a))
      return "usage: status CODE [COUNT]";
    if (words.size() == 3 && (!ParseNumber(words[2], 0xFFFFFFFF, b) || b == 0))
      return "usage: status CODE [COUNT]";
    plan.status = static_cast<std::uint8_t>(a);
    plan.statusCount = words.size() == 3 ? static_cast<std::uint32_t>(b) : 1;
  } else if (kind == "delay") {
    if (words.size() < 2 || words.size() > 3 || !ParseNumber(words[1], 600000, a))
      return "usage: delay MS [COUNT]";
    if (words.size() == 3 && !ParseNumber(words[2], 0xFFFFFFFF, b)) return "usage: delay MS [COUNT]";
    plan.delayMs = static_cast<double>(a);
    plan.delayCount = static_cast<std::uint32_t>(b);
  } else if (kind == "close-reply" && words.size() == 1) {
    plan.closeReply = true;
  } else if (kind == "close-image" && words.size() == 1) {
    plan.closeImage = true;
  } else if (kind == "unplug-after") {
    if (words.size() != 2 || !ParseNumber(words[1], 0xFFFFFFFF, a) || a == 0)
      return "usage: unplug-after N";
    plan.unplugAfter = static_cast<std::uint32_t>(a);
  } else if (kind == "image-short" || kind == "image-cut") {
    if (words.size() != 2 || !ParseNumber(words[1], 0xFFFFFFFF, a)) return "usage: " + kind + " K";
    image::ImageFault fault;
    fault.kind = kind == "image-short" ? image::ImageFault::Kind::ShortBy
                                       : image::ImageFault::Kind::CloseAfter;
    fault.bytes = a;
    plan.imageFault = fault;
  } else if (kind == "image-status") {
    if (words.size() != 2 || !ParseNumber(words[1], 0xFF, a)) return "usage: image-status CODE";
    image::ImageFault fault;
    fault.kind = image::ImageFault::Kind::FailStatus;
    fault.status = static_cast<std::uint8_t>(a);
    plan.imageFault = fault;
  } else if (kind == "clear" && words.size() == 1) {
    plan = FaultPlan{};
  } else {
    return "unknown fault: " + kind;
  }
  return {};
}

std::string DescribeFaults(const FaultPlan& plan) {
  if (!plan.Any()) return "none";
  std::ostringstream out;
  const char* sep = "";
  if (plan.statusCount) {
    out << "status 0x" << std::hex << int(plan.status) << std::dec << " x" << plan.statusCount;
    sep = ", ";
  }
  if (plan.delayMs > 0) {
    out << sep << "delay " << plan.delayMs << " ms";
    if (plan.delayCount) out << " x" << plan.delayCount;
    sep = ", ";
  }
  if (plan.closeReply) {
    out << sep << "close-reply";
    sep = ", ";
  }
  if (plan.closeImage) {
    out << sep << "close-image";
    sep = ", ";
  }
  if (plan.unplugAfter) {
    out << sep << "unplug after " << *plan.unplugAfter;
    sep = ", ";
  }
  if (plan.imageFault) {
    const image::ImageFault& f = *plan.imageFault;
    if (f.kind == image::ImageFault::Kind::ShortBy) out << sep << "image-short " << f.bytes;
    if (f.kind == image::ImageFault::Kind::CloseAfter) out << sep << "image-cut " << f.bytes;
    if (f.kind == image::ImageFault::Kind::FailStatus)
      out << sep << "image-status 0x" << std::hex << int(f.status) << std::dec;
  }
  return out.str();
}

}  // namespace tqsim
