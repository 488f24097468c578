#pragma once
// A device server of the simulator on a private bus, in this process, with
// small cameras of every generation, and the pieces the readout tests share:
// raw transfers on a second set of pipes and the reference block sums.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/model_config.h"
#include "driver/camera/camera.h"
#include "driver/transport/command_channel.h"
#include "platform/vbus_host.h"
#include "server/device_server.h"
#include "sim/sim_test_support.h"
#include "sim_image/reference_decoder.h"
#include "tqusb/tqusb.h"

namespace readouttest {

using tqsim::Bytes;

// Sizes divisible by every binning factor 1 to 4 (and by the step 8 of kind
// 16), but for g5-odd, whose sensor is no multiple of the window step.
inline constexpr const char* kCameras = R"({"cameras": [
  {"name": "g5-odd", "class": 1, "product_id": "0x0C21", "camera_id": 521,
   "width": 610, "height": 242, "versions": ["0x0507", 1, 1, 2]},
  {"name": "g3", "class": 1, "product_id": "0x0C00", "camera_id": 301,
   "width": 600, "height": 240, "versions": ["0x0307", 1, 1, 2]},
  {"name": "g2-whole", "class": 1, "product_id": "0x0C03", "camera_id": 201,
   "width": 336, "height": 216, "versions": ["0x0201", 1, 1, 1]},
  {"name": "g4", "class": 1, "product_id": "0x0C90", "camera_id": 401,
   "width": 624, "height": 192, "versions": ["0x0409", 1, 1, 2]},
  {"name": "g5-k16", "class": 1, "product_id": "0x0C22", "camera_id": 516,
   "width": 480, "height": 240, "versions": ["0x0507", 1, 1, 2]},
  {"name": "g1-k3", "class": 2, "camera_id": 103,
   "width": 240, "height": 180, "versions": ["0x0103", 1, 1, 1]},
  {"name": "g1-k1", "class": 7, "camera_id": 101,
   "width": 240, "height": 180, "versions": ["0x0101", 1, 0, 0]},
  {"name": "g1-k2", "class": 8, "camera_id": 102,
   "width": 120, "height": 90, "versions": ["0x0101", 1, 0, 0]},
  {"name": "g1-k4", "class": 4, "camera_id": 104,
   "width": 96, "height": 64, "versions": ["0x0102", 1, 1, 1]},
  {"name": "g0-sub", "class": 9, "camera_id": 17, "sub_frames": true,
   "width": 240, "height": 180, "versions": ["0x0003", 1, 0, 0]},
  {"name": "g0-whole", "class": 11, "camera_id": 18, "sub_frames": false,
   "width": 120, "height": 96, "versions": ["0x0004", 2, 0, 0]}
]})";

class SimBus : public ::testing::Test {
 protected:
  void SetUp() override { Start(true); }
  void TearDown() override {
    for (tQusb::CCamera* c : cameras_) Release(c);
    if (server_) server_->Stop();
  }

  void Start(bool cachedFrames) {
    tqsim::ConfigResult config = tqsim::ParseConfig(kCameras);
    ASSERT_TRUE(config.Ok()) << config.error;
    tqsim::ServerOptions options;
    options.root = bus_.Root();
    options.cameras = config.cameras;
    options.timeScale = 0;
    options.cachedFrames = cachedFrames;
    server_ = std::make_unique<tqsim::DeviceServer>(options);
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
  }

  tQusb::CCamera* Open(uint32_t id) {
    tQusb::CCamera* camera = Initialize(id);
    cameras_.push_back(camera);
    EXPECT_TRUE(camera->IsConnected()) << id;
    return camera;
  }

  // A request on pipes of the test's own, for the reference image; the
  // camera object's pipes get the device's answers again once these close.
  static Bytes Raw(const tQusb::CCamera& camera, const Bytes& request, size_t bytes, bool status) {
    tqsim::HostPipes pipes;
    EXPECT_TRUE(pipes.Open(camera.DevicePath));
    uint32_t done = 0;
    Bytes image(bytes);
    EXPECT_TRUE(platform::vbus::WriteFile(pipes.command, request.data(),
                                          static_cast<uint32_t>(request.size()), &done));
    EXPECT_TRUE(
        platform::vbus::ReadFile(pipes.image, image.data(), static_cast<uint32_t>(bytes), &done));
    EXPECT_EQ(done, bytes);
    if (status) {
      uint8_t s = 0;
      EXPECT_TRUE(platform::vbus::ReadFile(pipes.reply, &s, 1, &done));
      EXPECT_EQ(s, 0x80);
    }
    pipes.Close();
    return image;
  }

  static void Send(tQusb::CCamera& camera, uint8_t opcode, uint8_t value) {
    ASSERT_TRUE(tQusb::ByteCommand(camera, opcode, value));
  }

  std::string Fault(const std::string& line) { return server_->Control("fault " + line); }

  tqsim::TempBus bus_;
  std::unique_ptr<tqsim::DeviceServer> server_;
  std::vector<tQusb::CCamera*> cameras_;
};

inline Bytes Le16(std::initializer_list<unsigned> words, uint8_t opcode) {
  Bytes b{opcode};
  for (unsigned w : words) b.push_back(uint8_t(w)), b.push_back(uint8_t(w >> 8));
  return b;
}

// Block sums of a top-first image of `stride` columns: blocks of bx x by from
// (col0, row0), `limit` applied to each sum (65536 for the 16-bit wrap).
inline std::vector<unsigned> Blocks(const std::vector<uint16_t>& img, unsigned stride,
                                    unsigned col0, unsigned row0, unsigned bx, unsigned by,
                                    unsigned w, unsigned h, unsigned limit, bool wrap) {
  std::vector<unsigned> out;
  for (unsigned i = 0; i < h; ++i)
    for (unsigned j = 0; j < w; ++j) {
      unsigned s = 0;
      for (unsigned r = 0; r < by; ++r)
        for (unsigned c = 0; c < bx; ++c)
          s += img[(row0 + i * by + r) * stride + col0 + j * bx + c];
      out.push_back(wrap ? s % limit : std::min(s, limit));
    }
  return out;
}

}  // namespace readouttest
