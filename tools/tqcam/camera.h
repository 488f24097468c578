// One opened camera: the handle of Initialize, released when the object goes
// away, with typed wrappers around the parameter queries and one way to turn
// a refused call into a Failure carrying the library's last-error text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tqusb/tqusb.h"
#include "tqusb/tqusb_constants.h"

namespace tqcam {

struct FilterSlot {
  std::string name;
  uint32_t colour = 0;
  int32_t offset = 0;
};

// The ids of the cameras on the bus that no program has claimed.
std::vector<uint32_t> FreeCameraIds();

class Camera {
 public:
  // Initializes the camera with this id; a camera that does not connect is a
  // Failure naming the id.
  explicit Camera(uint32_t id);
  ~Camera();
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;

  TQCAMERA Handle() const { return handle_; }
  uint32_t Id() const { return id_; }

  std::string LastError() const;
  // Throws "WHAT: <last error>" when ok is false.
  void Check(bool ok, const std::string& what) const;

  std::optional<uint32_t> Integer(uint32_t index) const;
  std::optional<bool> Boolean(uint32_t index) const;
  std::optional<std::string> String(uint32_t index) const;

  // What the camera is and can do, as the library describes it.
  const TQCAMERACAPS& Caps() const { return caps_; }
  int Generation() const { return caps_.generation; }
  uint32_t SensorWidth() const { return Integer(TQ_INT_WIDTH).value_or(0); }
  uint32_t SensorHeight() const { return Integer(TQ_INT_HEIGHT).value_or(0); }
  std::string Model() const { return String(TQ_STRING_MODEL_TEXT).value_or(""); }

  std::vector<std::string> ReadModes() const;
  std::vector<FilterSlot> Filters() const;

 private:
  uint32_t id_;
  TQCAMERA handle_ = nullptr;
  TQCAMERACAPS caps_{};
};

}  // namespace tqcam
