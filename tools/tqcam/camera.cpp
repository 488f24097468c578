#include "camera.h"

#include <array>
#include <cstring>
#include <string>

#include "failure.h"
#include "parameters.h"

namespace tqcam {

namespace {

// Enumerate takes a plain function pointer without context; one list per
// process is all the tool needs.
std::vector<uint32_t>* gFoundIds = nullptr;

void CollectId(uint32_t id) {
  if (gFoundIds) gFoundIds->push_back(id);
}

std::string Trimmed(const char* text, size_t size) {
  std::string s(text, strnlen(text, size));
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

std::vector<uint32_t> FreeCameraIds() {
  std::vector<uint32_t> ids;
  gFoundIds = &ids;
  Enumerate(CollectId);
  gFoundIds = nullptr;
  return ids;
}

Camera::Camera(uint32_t id) : id_(id) {
  handle_ = Initialize(id);
  if (!handle_)
    throw Failure("camera " + std::to_string(id) + ": the library could not make a handle");
  if (!Boolean(TQ_BOOL_CONNECTED).value_or(false)) {
    std::string why = LastError();
    if (why.empty()) why = "no free camera with this id on the bus";
    Release(handle_);
    handle_ = nullptr;
    throw Failure("camera " + std::to_string(id) + ": " + why);
  }
  caps_.size = sizeof caps_;
  if (!tqGetCameraCaps(handle_, &caps_)) {
    const std::string why = LastError();
    Release(handle_);
    handle_ = nullptr;
    throw Failure("camera " + std::to_string(id) + ": " + why);
  }
}

Camera::~Camera() {
  if (handle_) Release(handle_);
}

std::string Camera::LastError() const {
  std::array<char, 130> text{};
  GetLastErrorString(handle_, text.size() - 1, text.data());
  return Trimmed(text.data(), text.size());
}

void Camera::Check(bool ok, const std::string& what) const {
  if (ok) return;
  std::string why = LastError();
  // A failed transfer disconnects the camera without a text of its own.
  if (why.empty())
    why = Boolean(TQ_BOOL_CONNECTED).value_or(false) ? "the camera refused"
                                                     : "the camera was disconnected";
  throw Failure(what + ": " + why);
}

std::optional<uint32_t> Camera::Integer(uint32_t index) const {
  uint32_t value = 0;
  if (!GetIntegerParameter(handle_, index, &value)) return std::nullopt;
  return value;
}

std::optional<bool> Camera::Boolean(uint32_t index) const {
  bool value = false;
  if (!GetBooleanParameter(handle_, index, &value)) return std::nullopt;
  return value;
}

std::optional<std::string> Camera::String(uint32_t index) const {
  std::array<char, 64> text{};
  if (!GetStringParameter(handle_, index, text.size() - 1, text.data())) return std::nullopt;
  return Trimmed(text.data(), text.size());
}

std::vector<std::string> Camera::ReadModes() const {
  std::vector<std::string> modes;
  for (uint32_t i = 0;; ++i) {
    std::array<char, 64> name{};
    if (!EnumerateReadModes(handle_, i, name.size() - 1, name.data())) break;
    modes.push_back(Trimmed(name.data(), name.size()));
  }
  return modes;
}

std::vector<FilterSlot> Camera::Filters() const {
  std::vector<FilterSlot> filters;
  for (uint32_t i = 0; i < 256; ++i) {
    std::array<char, 64> name{};
    FilterSlot slot;
    uint32_t offset = 0;
    if (!EnumerateFilters2(handle_, i, name.size() - 1, name.data(), &slot.colour, &offset)) break;
    slot.name = Trimmed(name.data(), name.size());
    slot.offset = static_cast<int32_t>(offset);
    filters.push_back(slot);
  }
  return filters;
}

}  // namespace tqcam
