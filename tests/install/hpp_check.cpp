// Compiled alone by the header tests: the C++ host layer must stand on its
// own in strict C++17 and use nothing but the public C interface.
#include <tqusb/tqusb.hpp>

size_t hpp_check();
size_t hpp_check() {
  tqusb::Camera camera(1);
  camera.SetBinning(2, 2);
  std::vector<uint16_t> image = camera.Expose16(0.1, true, camera.FullFrame(2, 2));
  return image.size() + tqusb::FreeCameraIds().size() + camera.Capabilities().width;
}
