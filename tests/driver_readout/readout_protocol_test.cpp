// The readout protocols on the wire: request bytes and exposure encodings,
// the chunked read at SingleReadLimit and every row of the failure table, against the
// simulator with a recording layer between the library and the bus.
#include <gtest/gtest.h>

#include <map>
#include <tuple>

#include "driver/acquisition/readout.h"
#include "driver/support/captures.h"
#include "driver/support/recording_backend.h"
#include "driver_readout/readout_sim.h"

namespace readouttest {
namespace {

using tQusb::CCamera;

class Protocol : public SimBus {
 protected:
  CCamera* OpenRecorded(uint32_t id) {
    CCamera* c = Open(id);
    backend_.image = c->hImage;
    backend_.Clear();
    return c;
  }
  tqtest::RecordingBackend backend_;
};

TEST(ReadoutEncodings, ExposureCounts) {
  using namespace tQusb::readout;
  EXPECT_EQ(ExposureG0(10.0), 65535);  // 8.19 s at most
  EXPECT_EQ(ExposureG0(0.0), 0);
  EXPECT_EQ(ExposureG0(1.0 / 16000), 1);  // 0.5 rounds up
  EXPECT_EQ(ExposureG1(1.5), 1500);
  EXPECT_EQ(ExposureG1(100.0), 65535);
  EXPECT_EQ(ExposureG1(65.5344), 65534);
  EXPECT_EQ(ExposureG2(100.0), 800000u);
  EXPECT_EQ(ExposureG2(4294967295.0 / 8000), 0xFFFFFFFEu);
  EXPECT_EQ(ExposureG2(1e12), 0xFFFFFFFEu);
}

TEST(ReadoutFitting, SubFrameAlignment) {
  struct TCase {
    uint32_t kind, mode;
    tQusb::TImageWindow in, out;
  };
  const TCase cases[] = {
      {9, 1, {10, 5, 100, 50}, {8, 4, 260, 52}},
      {9, 0, {10, 5, 100, 50}, {8, 4, 516, 52}},
      {9, 0, {2900, 5, 100, 50}, {2484, 4, 516, 52}},
      {9, 3, {0, 1990, 300, 10}, {0, 1988, 300, 12}},  // fits: no shift
      {9, 3, {0, 1995, 300, 10}, {0, 1987, 300, 16}},  // overhang 5 of the values given
      {13, 1, {9, 9, 1, 1}, {8, 8, 8, 8}},
      {16, 0, {3, 17, 20, 9}, {0, 16, 24, 16}},
  };
  for (const TCase& c : cases) {
    const tQusb::TImageWindow got = tQusb::FitSubFrame(c.kind, c.mode, 3000, 2000, c.in);
    EXPECT_EQ(std::tie(got.X, got.Y, got.Width, got.Height),
              std::tie(c.out.X, c.out.Y, c.out.Width, c.out.Height))
        << c.kind << " " << c.in.X << "," << c.in.Y;
  }
}

TEST_F(Protocol, AdjustSubFrameAndBinningByGeneration) {
  CCamera* g3 = Open(301);
  uint32_t x = 10, y = 5, w = 100, h = 50;
  g3->ReadMode = 1;
  ASSERT_TRUE(AdjustSubFrame(g3, &x, &y, &w, &h));
  EXPECT_EQ(std::tie(x, y, w, h), std::make_tuple(8u, 4u, 260u, 52u));
  CCamera* old = Open(201);  // firmware without windows: false, no text
  old->LastError[0] = '\0';
  EXPECT_FALSE(AdjustSubFrame(old, &x, &y, &w, &h));
  EXPECT_STREQ(old->LastError, "");
  EXPECT_TRUE(AdjustSubFrame(Open(17), &x, &y, &w, &h));   // generation 0 with windows
  EXPECT_FALSE(AdjustSubFrame(Open(18), &x, &y, &w, &h));  // generation 0 without
  EXPECT_TRUE(AdjustSubFrame(Open(103), &x, &y, &w, &h));
  EXPECT_FALSE(AdjustSubFrame(Open(104), &x, &y, &w, &h));

  // Host binning: 2 is stored, 5 refused with Y unchanged; 0 refused too.
  EXPECT_FALSE(SetBinning(g3, 2, 5));
  EXPECT_STREQ(g3->LastError, "Invalid binning");
  EXPECT_EQ(g3->HostBinningX, 2u);
  EXPECT_EQ(g3->HostBinningY, 1u);
  EXPECT_FALSE(SetBinning(g3, 0, 1));
  EXPECT_EQ(g3->HostBinningX, 2u);
}

TEST_F(Protocol, RequestsCarryWindowAndExposure) {
  CCamera* g3 = OpenRecorded(301);
  g3->ReadMode = 1;
  tQusb::ByteCommand(*g3, 0x03, 1);
  std::vector<uint16_t> buf(600 * 240);
  const uint32_t size = uint32_t(buf.size() * 2);
  backend_.Clear();
  // Narrow window at the left edge: the column start counts from the right.
  ASSERT_TRUE(GetImageExposure(g3, 100.0, true, 0, 8, 20, 12, size, buf.data()));
  ASSERT_TRUE(GetImage(g3, 0, 0, 600, 240, size, buf.data()));
  ASSERT_TRUE(GetImageExposure(g3, 0.0, false, 0, 0, 600, 240, size, buf.data()));
  ASSERT_EQ(backend_.writes.size(), 3u);
  EXPECT_EQ(backend_.writes[0], Bytes({0x0A, 1, 84, 1, 8, 0, 4, 1, 12, 0, 0x00, 0x35, 0x0C, 0x00}));
  EXPECT_EQ(backend_.writes[1], Bytes({0x09, 0, 0, 0, 0, 0, 88, 2, 240, 0}));
  EXPECT_EQ(backend_.writes[2], Bytes({0x0A, 0, 0, 0, 0, 0, 88, 2, 240, 0, 0, 0, 0, 0}));

  CCamera* g1 = OpenRecorded(103);
  ASSERT_TRUE(GetImageExposure(g1, 1.5, true, 10, 20, 30, 40, size, buf.data()));
  ASSERT_TRUE(GetImage(g1, 10, 20, 30, 40, size, buf.data()));
  ASSERT_EQ(backend_.writes.size(), 2u);
  // Row start from the bottom: 180 - 20 - 40.
  EXPECT_EQ(backend_.writes[0], Bytes({0x15, 120, 0, 40, 0, 10, 0, 30, 0, 0xDC, 0x05, 1}));
  EXPECT_EQ(backend_.writes[1], Bytes({0x0B, 120, 0, 40, 0, 10, 0, 30, 0}));
  // A window at or past the sensor edge starts on its last column or row.
  backend_.Clear();
  GetImage(g1, 250, 20, 30, 40, size, buf.data());
  GetImage(g1, 10, 180, 30, 40, size, buf.data());
  ASSERT_EQ(backend_.writes.size(), 2u);
  EXPECT_EQ(backend_.writes[0], Bytes({0x0B, 120, 0, 40, 0, 239, 0, 1, 0}));
  EXPECT_EQ(backend_.writes[1], Bytes({0x0B, 0, 0, 1, 0, 10, 0, 30, 0}));

  CCamera* g0 = OpenRecorded(17);
  tQusb::ByteCommand(*g0, 0x02, 2);
  g0->ReadModeG0 = 2;
  backend_.Clear();
  ASSERT_TRUE(GetImageExposure(g0, 10.0, true, 4, 6, 50, 30, size, buf.data()));
  ASSERT_TRUE(SetBinning(g0, 2, 2));
  ASSERT_TRUE(GetImage(g0, 4, 6, 50, 30, size, buf.data()));
  ASSERT_EQ(backend_.writes.size(), 2u);
  // Row start 180 - 6 - 30 = 144; one sample: 4 more columns, 4 more rows.
  EXPECT_EQ(backend_.writes[0], Bytes({0x08, 4, 0, 144, 0, 54, 0, 34, 0, 0xFF, 0xFF}));
  // Binned 2: frame 90 rows, row start 90 - 6 - 30 = 54, all doubled.
  EXPECT_EQ(backend_.writes[1], Bytes({0x07, 8, 0, 108, 0, 104, 0, 64, 0}));
  ASSERT_TRUE(SetBinning(g0, 1, 1));
  backend_.Clear();
  GetImage(g0, 240, 6, 50, 30, size, buf.data());
  GetImage(g0, 4, 200, 50, 30, size, buf.data());
  ASSERT_EQ(backend_.writes.size(), 2u);
  EXPECT_EQ(backend_.writes[0], Bytes({0x07, 239, 0, 144, 0, 5, 0, 34, 0}));
  EXPECT_EQ(backend_.writes[1], Bytes({0x07, 4, 0, 0, 0, 54, 0, 5, 0}));
  CCamera* whole = OpenRecorded(18);
  ASSERT_TRUE(GetImageExposure(whole, 0.5, false, 0, 0, 120, 96, size, buf.data()));
  EXPECT_EQ(backend_.writes.back(), Bytes({0x05, 0xA0, 0x0F}));
}

TEST_F(Protocol, ChunkedReadAtSingleReadLimit) {
  CCamera* g3 = OpenRecorded(301);
  tQusb::ByteCommand(*g3, 0x03, 1);
  g3->ReadMode = 1;
  const uint32_t n = 600 * 240 * 2;
  std::vector<uint16_t> buf(600 * 240);
  struct TCase {
    uint32_t limit;
    std::vector<uint32_t> reads;
  };
  const TCase cases[] = {{n, {n}},
                         {n - 1, {n - 1, 1}},
                         {n / 3, {n / 3, n / 3, n / 3}},
                         {100000, {100000, 100000, n - 200000}}};
  for (const TCase& c : cases) {
    g3->SingleReadLimit = c.limit;
    backend_.Clear();
    ASSERT_TRUE(GetImage(g3, 0, 0, 600, 240, n, buf.data())) << g3->LastError;
    EXPECT_EQ(backend_.imageReads, c.reads) << c.limit;
  }
  // Generation 0 reads in one call whatever the limit.
  CCamera* g0 = OpenRecorded(17);
  g0->SingleReadLimit = 1000;
  ASSERT_TRUE(GetImage(g0, 0, 0, 240, 180, n, buf.data()));
  ASSERT_EQ(backend_.imageReads.size(), 1u);
}

TEST_F(Protocol, RefusalsSendNothing) {
  struct TCase {
    uint32_t id;
    int call;  // 0 GetImage16b, 1 GetImage8b
    uint32_t x, y, w, h, size;
    const char* text;
  };
  const TCase cases[] = {
      {301, 0, 0, 0, 100, 50, 9999, "Buffer too small"},
      {301, 1, 0, 0, 100, 50, 4999, "Buffer too small"},
      {301, 0, 0, 0, 601, 10, 1 << 20, "Invalid image size required"},
      {301, 0, 590, 0, 11, 10, 1 << 20, "Invalid image size required"},
      {301, 0, 0, 0, 0, 10, 1 << 20, "Invalid image size required"},
      {301, 0, 0xFFFFFFFF, 0, 10, 10, 1 << 20, "Invalid image size required"},
      {301, 0, 0, 200, 10, 41, 1 << 20, "Invalid image size required"},
      {301, 1, 0, 0, 10, 10, 1 << 20, "Cannot return 8bit image in selected read mode"},
      {103, 0, 0, 0, 0, 10, 1 << 20, "Invalid image size required"},
      {103, 1, 0, 0, 20, 10, 200, "Buffer too small"},  // 8-bit request, 16-bit pixels
      {104, 0, 0, 0, 96, 64, 1 << 20, "Sub-frames not supported"},
      {104, 0, 0, 0, 192, 128, 192 * 128 * 2 - 1, "Buffer too small"},
      {17, 1, 0, 0, 20, 10, 200, "Buffer too small"},
      {18, 0, 0, 0, 120, 95, 1 << 20, "Invalid image size required"},
  };
  std::vector<uint8_t> buf(1 << 20);
  std::map<uint32_t, CCamera*> cams;
  for (const TCase& c : cases) {
    CCamera*& cam = cams[c.id];
    if (cam == nullptr) cam = Open(c.id);
    cam->ReadMode = 1;
    backend_.Clear();
    const bool ok = c.call == 0 ? GetImage16b(cam, c.x, c.y, c.w, c.h, c.size, buf.data())
                                : GetImage8b(cam, c.x, c.y, c.w, c.h, c.size, buf.data());
    EXPECT_FALSE(ok) << c.id << " " << c.text;
    EXPECT_STREQ(cam->LastError, c.text) << c.id;
    EXPECT_TRUE(backend_.writes.empty()) << c.id << " " << c.text;
    EXPECT_TRUE(cam->IsConnected());
  }
  // A generation the readout does not know fails without a text.
  CCamera unknown;
  unknown.Generation = 6;
  unknown.Flags = tQusb::kFlagConnected;
  EXPECT_FALSE(tQusb::GetImageHelper(unknown, -1, false, false, {0, 0, 1, 1}, 2, buf.data()));
  EXPECT_STREQ(unknown.LastError, "");
}

TEST_F(Protocol, ShortFramesStatusAndDroppedConnections) {
  std::vector<uint16_t> buf(600 * 240);
  const uint32_t size = uint32_t(buf.size() * 2);
  struct TCase {
    uint32_t id;
    const char* name;
    std::string fault;
    uint32_t limit;
    const char* text;   // LastError, for a camera that stays connected
    const char* debug;  // debug line, for a camera that is disconnected
  };
  const TCase cases[] = {
      {301, "g3", "image-short 100", 0x1800000, "Camera returned less pixels", nullptr},
      {301, "g3", "image-short 100", 50000, "Camera returned less pixels", nullptr},
      {301, "g3", "image-status 0x83", 0x1800000, "Instruction failed: Unknown instruction",
       nullptr},
      {103, "g1-k3", "image-short 2", 0x1800000, "Camera returned less pixels", nullptr},
      {17, "g0-sub", "image-short 2", 0x1800000, "Camera returned less pixels", nullptr},
      {301, "g3", "image-cut 1000", 0x1800000, nullptr, "GetImage3 USB Read2 FAIL\n"},
      {301, "g3", "image-cut 1000", 5000, nullptr, "GetImage3 USB Read1 FAIL\n"},
      {103, "g1-k3", "image-cut 1000", 0x1800000, nullptr, "GetImage2 USB Read2 FAIL\n"},
      {104, "g1-k4", "image-cut 1000", 0x1800000, nullptr, "GetImage4 USB Read2 FAIL\n"},
      {17, "g0-sub", "image-cut 1000", 0x1800000, nullptr, "GetImage1 USB Read FAIL\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " " << c.fault << " limit " << c.limit);
    CCamera* cam = Open(c.id);
    cam->SingleReadLimit = c.limit;
    const unsigned w = c.id == 104 ? 192 : cam->Generation == 0 ? 240 : cam->Info.Width;
    const unsigned h = c.id == 104 ? 128 : cam->Generation == 0 ? 180 : cam->Info.Height;
    ASSERT_EQ(Fault(std::string(c.name) + " " + c.fault), "ok\n");
    tqtest::DebugCapture debug;
    EXPECT_FALSE(GetImage(cam, 0, 0, w, h, size, buf.data()));
    if (c.text != nullptr) {
      EXPECT_STREQ(cam->LastError, c.text);
      EXPECT_TRUE(cam->IsConnected());
      // The camera answers the next readout.
      EXPECT_TRUE(GetImage(cam, 0, 0, w, h, size, buf.data())) << cam->LastError;
    } else {
      EXPECT_FALSE(cam->IsConnected());
      const auto lines = debug.Lines();
      EXPECT_NE(std::find(lines.begin(), lines.end(), c.debug), lines.end());
      EXPECT_FALSE(GetImage(cam, 0, 0, w, h, size, buf.data()));
      EXPECT_STREQ(cam->LastError, "CCD camera not connected to USB");
    }
    Release(cam);
    cameras_.pop_back();
  }
}

}  // namespace
}  // namespace readouttest
