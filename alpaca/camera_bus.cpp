#include "camera_bus.h"

#include <algorithm>

namespace tqalpaca {

std::string DeviceName(const CameraUnit& unit) {
  return unit.Model() + " " + std::to_string(unit.Id());
}

void CameraBus::Scan(std::ostream* out) {
  std::lock_guard<std::mutex> one(scanning_);
  std::vector<uint32_t> ids = tqusb::FreeCameraIds();
  std::sort(ids.begin(), ids.end());
  for (uint32_t id : ids) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      if (std::any_of(cameras_.begin(), cameras_.end(),
                      [id](const auto& c) { return c->Id() == id; }))
        continue;
    }
    // Opened briefly for its model and accessories; a camera that cannot be
    // opened now (taken by another program since the listing) is offered
    // by a later scan.
    tqusb::Caps caps{};
    try {
      const tqusb::Camera probe(id, tqusb::Camera::OpenMode::RequireConnected, false);
      caps = probe.Capabilities();
    } catch (const tqusb::Error&) {
      continue;
    }
    std::string model = tqusb::detail::Trimmed(caps.model, sizeof caps.model);
    if (model.empty()) model = "camera";
    auto unit = std::make_unique<CameraUnit>(id, model, caps);
    std::lock_guard<std::mutex> hold(lock_);
    if (out)
      *out << "tqalpaca: camera " << cameras_.size() << " = " << model << " (id " << id << ")"
           << std::endl;
    if (unit->HasWheel()) wheels_.push_back(unit.get());
    cameras_.push_back(std::move(unit));
  }
}

CameraUnit* CameraBus::Camera(uint32_t number) const {
  std::lock_guard<std::mutex> hold(lock_);
  return number < cameras_.size() ? cameras_[number].get() : nullptr;
}

CameraUnit* CameraBus::Wheel(uint32_t number) const {
  std::lock_guard<std::mutex> hold(lock_);
  return number < wheels_.size() ? wheels_[number] : nullptr;
}

std::vector<CameraUnit*> CameraBus::Cameras() const {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<CameraUnit*> all;
  for (const auto& c : cameras_) all.push_back(c.get());
  return all;
}

std::vector<CameraUnit*> CameraBus::Wheels() const {
  std::lock_guard<std::mutex> hold(lock_);
  return wheels_;
}

void CameraBus::Close() {
  std::lock_guard<std::mutex> one(scanning_);
  std::vector<std::unique_ptr<CameraUnit>> closing;
  {
    std::lock_guard<std::mutex> hold(lock_);
    wheels_.clear();
    closing.swap(cameras_);
  }
}

}  // namespace tqalpaca
