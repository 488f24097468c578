#include "image/exposure.h"

#include <gtest/gtest.h>

#include "image/readout_request.h"

using namespace tqsim::image;

TEST(Integration, HostControlledExposureIntegratesBetweenBeginAndEnd) {
  Integration sensor(0.0);
  sensor.Begin(10.0, true);
  sensor.End(12.5);
  Exposure e = sensor.Readout(20.0, -15.0);
  EXPECT_DOUBLE_EQ(e.darkSeconds, 2.5);
  EXPECT_DOUBLE_EQ(e.lightSeconds, 2.5);
  EXPECT_DOUBLE_EQ(e.temperatureC, -15.0);
  EXPECT_DOUBLE_EQ(sensor.LastStart(), 10.0);

  // Without an end the readout ends the integration; the sensor was cleared
  // by the previous readout at 20 s.
  Exposure next = sensor.Readout(21.0, 0.0);
  EXPECT_DOUBLE_EQ(next.darkSeconds, 1.0);
  EXPECT_NE(next.frame, e.frame);
}

TEST(Integration, LightOnlyWhileTheShutterIsOpen) {
  Integration sensor(0.0);
  sensor.Clear(1.0);              // generation 1: 0x04
  sensor.SetShutter(2.0, true);   // 0x0C
  sensor.SetShutter(5.0, false);  // 0x0D
  Exposure e = sensor.Readout(6.0, 0.0);
  EXPECT_DOUBLE_EQ(e.darkSeconds, 5.0);
  EXPECT_DOUBLE_EQ(e.lightSeconds, 3.0);

  sensor.Begin(10.0, false);
  sensor.End(11.0);
  EXPECT_DOUBLE_EQ(sensor.Readout(12.0, 0.0).lightSeconds, 0.0);
}

TEST(Integration, TimedExposureKeepsTheShutterStateAndRecordsItsStart) {
  Integration alwaysOpen(0.0, true);
  Exposure e = alwaysOpen.Timed(3.0, 0.25, true, 0.0);
  EXPECT_DOUBLE_EQ(e.darkSeconds, 0.25);
  EXPECT_DOUBLE_EQ(e.lightSeconds, 0.25);
  EXPECT_DOUBLE_EQ(alwaysOpen.LastStart(), 3.0);
  EXPECT_TRUE(alwaysOpen.ShutterOpen());
  EXPECT_DOUBLE_EQ(alwaysOpen.Readout(4.25, 0.0).lightSeconds, 1.0);

  Integration closed(0.0);
  EXPECT_DOUBLE_EQ(closed.Timed(1.0, 2.0, false, 0.0).lightSeconds, 0.0);
  EXPECT_DOUBLE_EQ(closed.Timed(1.0, -1.0, true, 0.0).darkSeconds, 0.0);
}

TEST(Integration, ReadoutTimeFollowsTheLinkRate) {
  EXPECT_DOUBLE_EQ(ReadoutSeconds(35000000, kUsb2ReadoutRate), 1.0);
  EXPECT_LT(ReadoutSeconds(35000000, kUsb3ReadoutRate), 0.2);
  EXPECT_DOUBLE_EQ(ReadoutSeconds(1 << 30, 0.0), 0.0);
}

TEST(ReadoutRequest, DecodesEveryLayoutAndUnit) {
  struct Row {
    int generation;
    std::vector<uint8_t> bytes;
    bool expose, windowed, shutter;
    uint32_t col, row, cols, rows;
    double seconds;
  };
  const Row rows[] = {
      {0, {0x04}, false, false, false, 0, 0, 0, 0, 0.0},
      {0, {0x05, 0x40, 0x1F}, true, false, false, 0, 0, 0, 0, 1.0},
      {0, {0x07, 1, 0, 2, 0, 3, 0, 4, 0}, false, true, false, 1, 2, 3, 4, 0.0},
      {0,
       {0x08, 1, 0, 2, 0, 3, 0, 4, 0, 0xFF, 0xFF},
       true,
       true,
       false,
       1,
       2,
       3,
       4,
       65535 / 8000.0},
      {1, {0x0B, 2, 0, 4, 0, 1, 0, 3, 0}, false, true, false, 1, 2, 3, 4, 0.0},
      {1, {0x15, 2, 0, 4, 0, 1, 0, 3, 0, 0xDC, 0x05, 1}, true, true, true, 1, 2, 3, 4, 1.5},
      {2, {0x09, 0x55, 1, 0, 2, 0, 3, 1, 4, 0}, false, true, false, 1, 2, 259, 4, 0.0},
      {5,
       {0x0A, 0, 1, 0, 2, 0, 3, 0, 4, 0, 0x00, 0x35, 0x0C, 0x00},
       true,
       true,
       false,
       1,
       2,
       3,
       4,
       100.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "opcode " << int(r.bytes[0]));
    EXPECT_EQ(ReadoutRequestLength(r.generation, r.bytes[0]), r.bytes.size());
    auto req = DecodeReadoutRequest(r.generation, r.bytes);
    ASSERT_TRUE(req);
    EXPECT_EQ(req->expose, r.expose);
    EXPECT_EQ(req->windowed, r.windowed);
    EXPECT_EQ(req->shutterOpen, r.shutter);
    EXPECT_EQ(req->colStart, r.col);
    EXPECT_EQ(req->rowStart, r.row);
    EXPECT_EQ(req->colCount, r.cols);
    EXPECT_EQ(req->rowCount, r.rows);
    EXPECT_DOUBLE_EQ(req->exposureSeconds, r.seconds);
  }
}

TEST(ReadoutRequest, RefusesOtherGenerationsAndWrongLengths) {
  EXPECT_EQ(ReadoutRequestLength(1, 0x04), 0u);  // clear sensor on generation 1
  EXPECT_EQ(ReadoutRequestLength(3, 0x07), 0u);  // begin exposure on generations 2-5
  EXPECT_EQ(ReadoutRequestLength(6, 0x09), 0u);
  EXPECT_FALSE(DecodeReadoutRequest(2, std::vector<uint8_t>{0x09, 0, 0}));
  EXPECT_FALSE(DecodeReadoutRequest(0, std::vector<uint8_t>{0x0B, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(DecodeReadoutRequest(0, std::vector<uint8_t>{}));
}
