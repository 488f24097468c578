#pragma once
// The cameras this server offers, numbered in the order they were first seen
// (ascending camera id at start-up, later arrivals after them). A camera that
// is unplugged keeps its number, and so does its filter wheel.
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <vector>

#include "camera_unit.h"

namespace tqalpaca {

class CameraBus {
 public:
  // Adds the free cameras not seen before; each new one is announced on out
  // (when given) as "tqalpaca: camera N = <model> (id <id>)".
  void Scan(std::ostream* out);

  // nullptr when no device has this number.
  CameraUnit* Camera(uint32_t number) const;
  CameraUnit* Wheel(uint32_t number) const;
  std::vector<CameraUnit*> Cameras() const;
  std::vector<CameraUnit*> Wheels() const;

  // Stops every camera's worker, which releases the camera.
  void Close();

 private:
  mutable std::mutex lock_;
  std::mutex scanning_;
  std::vector<std::unique_ptr<CameraUnit>> cameras_;
  std::vector<CameraUnit*> wheels_;
};

// "<model> <id>", the name of a camera's devices.
std::string DeviceName(const CameraUnit& unit);

}  // namespace tqalpaca
