// Receiver replies checked with the plain day-counting decoder: time replies
// name the clock for any counter frequency. (Which cameras answer them is
// read from the firmware's status table.)
#include "image/gps_reply.h"

#include <gtest/gtest.h>

#include "sim_image/reference_decoder.h"

using namespace tqsim::image;
using namespace simtest;

TEST(GpsReply, TimeRepliesNameTheClockForAnyCounterFrequency) {
  GpsReceiver rx;
  for (uint32_t frequency : {37500000u, 1000000u, 50000000u}) {
    rx.counterFrequency = frequency;
    for (double now : {951868799.5, 1764851719.731, 1798761599.999}) {
      std::vector<uint8_t> reply = TimeReply(rx, now);
      ASSERT_GE(reply.size(), 20u);
      EXPECT_EQ(reply[0], 0x80);
      EXPECT_EQ(reply.size(), 10u + reply[9]);
      EXPECT_NEAR(DecodeGpsTime(reply, 1.0 / frequency), now, 1e-4) << frequency;
    }
  }
}
