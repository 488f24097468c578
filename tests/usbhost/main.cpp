// Runs the tests inside umockdev's preload: without it the mocked USB device
// does not exist, so the program starts itself again under umockdev-wrapper.
// When that is not possible the tests skip and say why.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "usbhost/mock_usb_camera.h"

int main(int argc, char** argv) {
  if (!usbmock::Available() && std::getenv("TQUSB_UMOCKDEV_TRIED") == nullptr) {
    setenv("TQUSB_UMOCKDEV_TRIED", "1", 1);
    // The preload comes before the sanitizer runtime in the library list.
    std::string asan = std::getenv("ASAN_OPTIONS") != nullptr ? std::getenv("ASAN_OPTIONS") : "";
    setenv("ASAN_OPTIONS", (asan + (asan.empty() ? "" : ":") + "verify_asan_link_order=0").c_str(),
           1);
    std::vector<char*> args = {const_cast<char*>("umockdev-wrapper")};
    args.insert(args.end(), argv, argv + argc);
    args.push_back(nullptr);
    execvp(args[0], args.data());  // returns only when it could not run
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
