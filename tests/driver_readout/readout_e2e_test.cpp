// Images of every generation and read mode through the exports, against the
// simulator's frames decoded by the reference decoder: full frames and
// windows at the sensor's edges, host and camera binning 1 to 4, 8-bit and
// 16-bit outputs, with and without an exposure in the same request.
#include <gtest/gtest.h>

#include <map>

#include "driver/acquisition/readout.h"
#include "driver_readout/readout_sim.h"

namespace readouttest {
namespace {

using tQusb::CCamera;

struct TWin {
  unsigned x, y, w, h;
};

// Windows in output pixels for a frame of fw x fh: whole, a narrow one at the
// top-left corner, one at the bottom-right corner and one inside.
std::vector<TWin> Windows(unsigned fw, unsigned fh) {
  return {{0, 0, fw, fh}, {0, 0, 9, 5}, {fw - 11, fh - 6, 11, 6}, {fw / 3, fh / 4, fw / 3, 7}};
}

class Readout : public SimBus {};

// Generations 2 to 5: whole-sensor reference, then every window and factor.
TEST_F(Readout, Generations2To5MatchTheReferenceFrames) {
  struct TCase {
    uint32_t id;
    std::vector<uint8_t> modes;  // read-mode codes to try (empty: keep the camera's own)
  };
  const TCase cases[] = {{301, {0, 1}}, {201, {0, 1}}, {401, {2, 3}}, {516, {}}, {521, {}}};
  for (const TCase& c : cases) {
    CCamera* cam = Open(c.id);
    ASSERT_TRUE(cam->IsConnected());
    const unsigned W = cam->Info.Width, H = cam->Info.Height;
    // The reference includes the margin a sensor of no multiple of the window
    // step reads: columns left of column 0, rows below the last.
    const unsigned step = cam->CameraKind == 13 || cam->CameraKind == 16 ? 8 : 4;
    const unsigned Wm = cam->Ver128Lo >= 7 ? (W + step - 1) / step * step : W;
    const unsigned Hm = cam->Ver128Lo >= 7 ? (H + step - 1) / step * step : H;
    std::vector<int> modes(c.modes.begin(), c.modes.end());
    if (modes.empty()) modes.push_back(-1);
    for (int mode : modes) {
      if (mode >= 0) {
        Send(*cam, 0x03, uint8_t(mode));
        cam->ReadMode = uint32_t(mode);
      }
      const bool mode8 = cam->ReadMode == 0 || cam->ReadMode == 2;
      // The 0x09 request carries a spare byte after the opcode.
      Bytes request = Le16({0, 0, Wm, Hm}, 0x09);
      request.insert(request.begin() + 1, 0);
      const Bytes raw = Raw(*cam, request, size_t(Wm) * Hm * (mode8 ? 1 : 2), true);
      const std::vector<uint16_t> img = simtest::DecodeGen2(raw, int(Wm), int(Hm), mode8);
      for (unsigned b = 1; b <= 4; ++b) {
        ASSERT_TRUE(SetBinning(cam, b, b));
        for (const TWin& win : Windows(W / b, H / b)) {
          SCOPED_TRACE(testing::Message()
                       << "camera " << c.id << " mode " << cam->ReadMode << " bin " << b
                       << " window " << win.x << "," << win.y << " " << win.w << "x" << win.h);
          // Where the camera's fetched frame puts the block grid.
          unsigned col0 = b * win.x, row0 = b * win.y, w = win.w, h = win.h;
          if (cam->Ver128Lo >= 7) {
            const tQusb::TImageWindow a = tQusb::FitSubFrame(
                cam->CameraKind, cam->ReadMode, W, H,
                {int(b * win.x), int(b * win.y), int(b * win.w), int(b * win.h)});
            const int ox = (int(b * win.x) - a.X) / int(b), oy = (int(b * win.y) - a.Y) / int(b);
            col0 = a.X + ox * b + (Wm - W), row0 = a.Y + oy * b;
            w = std::min<int>(w, a.Width / int(b) - ox);
            h = std::min<int>(h, a.Height / int(b) - oy);
          }
          const bool binned = b > 1;
          std::vector<uint16_t> out16(size_t(win.w) * win.h, 0xDEAD);
          const bool expose = (win.x + b) % 2 == 0;
          const bool ok = expose
                              ? GetImageExposure16b(cam, 0.01, b % 2 == 0, win.x, win.y, win.w,
                                                    win.h, uint32_t(out16.size() * 2), out16.data())
                              : GetImage16b(cam, win.x, win.y, win.w, win.h,
                                            uint32_t(out16.size() * 2), out16.data());
          ASSERT_TRUE(ok) << cam->LastError;
          const auto want16 = Blocks(img, Wm, col0, row0, b, b, w, h, 65536, true);
          ASSERT_EQ(std::vector<unsigned>(out16.begin(), out16.begin() + want16.size()), want16);

          std::vector<uint8_t> out8(size_t(win.w) * win.h);
          const bool ok8 =
              GetImage8b(cam, win.x, win.y, win.w, win.h, uint32_t(out8.size()), out8.data());
          if (!mode8) {
            EXPECT_FALSE(ok8);
            EXPECT_STREQ(cam->LastError, "Cannot return 8bit image in selected read mode");
            continue;
          }
          ASSERT_TRUE(ok8) << cam->LastError;
          const auto want8 = Blocks(img, Wm, col0, row0, b, b, w, h, binned ? 254 : 255, false);
          ASSERT_EQ(std::vector<unsigned>(out8.begin(), out8.begin() + want8.size()), want8);
        }
      }
      ASSERT_TRUE(SetBinning(cam, 1, 1));
    }
  }
}

// Generation 1: the camera bins; one little-endian sample (kind 3), one or two
// big-endian samples (kind 1), and the four outputs of kind 4.
TEST_F(Readout, Generation1MatchesTheReferenceFrames) {
  struct TCase {
    uint32_t id;
    uint8_t mode;
    simtest::Gen1Format format;
    int samples;
  };
  const TCase cases[] = {{103, 1, simtest::Gen1Format::OneLE, 1},
                         {101, 0, simtest::Gen1Format::OneBE, 1},
                         {101, 1, simtest::Gen1Format::TwoBE, 2},
                         {102, 1, simtest::Gen1Format::TwoBE, 2}};
  std::map<uint32_t, CCamera*> opened;
  for (const TCase& c : cases) {
    CCamera*& cam = opened[c.id];
    if (cam == nullptr) cam = Open(c.id);
    Send(*cam, 0x03, c.mode);
    cam->ReadMode = c.mode;
    for (unsigned b = 1; b <= 4; ++b) {
      ASSERT_TRUE(SetBinning(cam, b, b)) << cam->LastError;
      EXPECT_EQ(cam->BinningX, b);
      const unsigned fw = cam->Info.Width / b, fh = cam->Info.Height / b;
      const Bytes raw =
          Raw(*cam, Le16({0, fh, 0, fw}, 0x0B), size_t(fw) * fh * 2 * c.samples, false);
      const std::vector<uint16_t> img = simtest::DecodeGen1(raw, int(fw), int(fh), c.format);
      for (const TWin& win : Windows(fw, fh)) {
        SCOPED_TRACE(testing::Message() << "camera " << c.id << " mode " << int(c.mode) << " bin "
                                        << b << " window " << win.x << "," << win.y);
        std::vector<uint16_t> out(size_t(win.w) * win.h);
        // 8-bit requests give 16-bit pixels on generation 1.
        const bool ok = b % 2 ? GetImage8b(cam, win.x, win.y, win.w, win.h,
                                           uint32_t(out.size() * 2), out.data())
                              : GetImageExposure(cam, 0.5, true, win.x, win.y, win.w, win.h,
                                                 uint32_t(out.size() * 2), out.data());
        ASSERT_TRUE(ok) << cam->LastError;
        ASSERT_EQ(std::vector<unsigned>(out.begin(), out.end()),
                  Blocks(img, fw, win.x, win.y, 1, 1, win.w, win.h, 65536, true));
      }
    }
  }

  // The four-output camera reads unbinned whole frames only.
  CCamera* quad = Open(104);
  {
    const unsigned qc = quad->Info.Width, qr = quad->Info.Height;
    const Bytes raw = Raw(*quad, Le16({0, qr, 0, qc}, 0x0B), size_t(qc) * qr * 8, false);
    const auto want = simtest::DecodeQuad(raw, int(2 * qc), int(2 * qr), {0, 0, 0, 0}, 0);
    std::vector<uint16_t> out(size_t(4) * qc * qr);
    ASSERT_TRUE(GetImage(quad, 0, 0, 2 * qc, 2 * qr, uint32_t(out.size() * 2), out.data()))
        << quad->LastError;
    EXPECT_EQ(out, want);
    EXPECT_FALSE(GetImage(quad, 0, 0, qc, qr, uint32_t(out.size() * 2), out.data()));
    EXPECT_STREQ(quad->LastError, "Sub-frames not supported");
  }
}

// Generation 0: rows bottom first with headers; the host bins with limits.
TEST_F(Readout, Generation0MatchesTheReferenceFrames) {
  CCamera* cam = Open(17);
  ASSERT_NE(cam->Flags & tQusb::kFlagCanReadSubFrames, 0u);
  const unsigned W = cam->PackedInfo.Width, H = cam->PackedInfo.Height;
  for (const uint8_t mode : {uint8_t(2), uint8_t(16)}) {
    const bool two = mode == 16;
    Send(*cam, 0x02, mode);
    cam->ReadModeG0 = mode;
    const unsigned cc = W + (two ? 2 : 4), rr = H + 4;
    const Bytes raw = Raw(*cam, Le16({0, 0, cc, rr}, 0x07), size_t(cc) * rr * (two ? 4 : 2), false);
    const std::vector<uint16_t> img = simtest::DecodeGen0(raw, int(W), int(H), two);
    for (unsigned b = 1; b <= 4; ++b) {
      ASSERT_TRUE(SetBinning(cam, b, b));
      for (const TWin& win : Windows(W / b, H / b)) {
        SCOPED_TRACE(testing::Message() << "mode " << int(mode) << " bin " << b << " window "
                                        << win.x << "," << win.y << " " << win.w << "x" << win.h);
        std::vector<uint16_t> out(size_t(win.w) * win.h);
        const bool ok =
            b % 2 ? GetImage(cam, win.x, win.y, win.w, win.h, uint32_t(out.size() * 2), out.data())
                  : GetImageExposure8b(cam, 0.001, true, win.x, win.y, win.w, win.h,
                                       uint32_t(out.size() * 2), out.data());
        ASSERT_TRUE(ok) << cam->LastError;
        ASSERT_EQ(std::vector<unsigned>(out.begin(), out.end()),
                  Blocks(img, W, b * win.x, b * win.y, b, b, win.w, win.h, 65535, false));
      }
    }
  }

  // Without windows only the whole frame is read (request 0x04).
  CCamera* whole = Open(18);
  ASSERT_EQ(whole->Flags & tQusb::kFlagCanReadSubFrames, 0u);
  Send(*whole, 0x02, 16);
  whole->ReadModeG0 = 16;
  const unsigned w = whole->PackedInfo.Width, h = whole->PackedInfo.Height;
  const Bytes raw = Raw(*whole, {0x04}, size_t(w + 2) * (h + 4) * 4, false);
  std::vector<uint16_t> out(size_t(w) * h);
  ASSERT_TRUE(GetImage(whole, 0, 0, w, h, uint32_t(out.size() * 2), out.data()))
      << whole->LastError;
  EXPECT_EQ(out, simtest::DecodeGen0(raw, int(w), int(h), true));
  EXPECT_FALSE(GetImage(whole, 0, 0, w - 1, h, uint32_t(out.size() * 2), out.data()));
  EXPECT_STREQ(whole->LastError, "Invalid image size required");
}

}  // namespace
}  // namespace readouttest
