// The device server through real sockets, with the library's bus client:
// every default camera answers as its generation and kind require, and
// faults and malformed requests behave. (Unplugging and plugging are seen
// end to end by the tools' tests.)
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "host_exchanges.h"
#include "platform/socket_io.h"
#include "platform/vbus_host.h"
#include "platform/vbus_layout.h"
#include "sim_test_support.h"

namespace tqsim {
namespace {

namespace vbus = platform::vbus;

class SimBus : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = LoadDefaultConfig();
    ASSERT_TRUE(config_.Ok()) << config_.error;
    std::string error;
    paths_ = StartServer(server_, bus_.Root(), config_.cameras, 0, &error);
    ASSERT_EQ(paths_.size(), config_.cameras.size()) << error;
  }
  void TearDown() override {
    if (server_) server_->Stop();
  }

  TempBus bus_;
  std::unique_ptr<DeviceServer> server_;
  ConfigResult config_;
  std::vector<std::string> paths_;  // of each camera, as "list" gives them
};

TEST_F(SimBus, EveryCameraAnswersEveryOpcodeOfItsGeneration) {
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    SCOPED_TRACE(config_.cameras[i].name);
    HostPipes pipes;
    ASSERT_TRUE(pipes.Open(paths_[i]));
    // The record and versions are checked through the driver end to end.
    const int generation = config_.cameras[i].Generation();
    Bytes reply;
    for (const Exchange& e : HostExchanges(generation)) {
      reply = pipes.Transact(AcceptedRequest(generation, e));
      EXPECT_EQ(reply.size(), e.replyLength) << "opcode " << int(e.opcode);
      ASSERT_FALSE(reply.empty());
      EXPECT_NE(reply[0], kUnknownInstruction) << "opcode " << int(e.opcode);
    }
    reply = pipes.Transact({0xEE});
    EXPECT_EQ(reply, Bytes{kUnknownInstruction});
  }
}

TEST_F(SimBus, FaultsFireAsConfiguredAndBadOnesAreRefused) {
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(server_->DevicePath("g4-k11-c90")));
  ASSERT_EQ(server_->Control("fault g4-k11-c90 status 0x84 2"), "ok\n");
  EXPECT_EQ(pipes.Transact({0x0F, 0x80}), (Bytes{0x84, 0, 0}));  // keeps the reply length
  EXPECT_EQ(pipes.Transact({0x0D, 2}), Bytes{0x84});
  EXPECT_EQ(pipes.Transact({0x0D, 2}), Bytes{kOk});
  ASSERT_EQ(server_->Control("fault 1190 delay 150 1"), "ok\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(pipes.Transact({0x0D, 2}), Bytes{kOk});
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  for (const char* bad : {"bogus", "status", "status 256", "status 0x84 0", "delay ten",
                          "delay 600001", "unplug-after 0", "close-reply now"}) {
    EXPECT_EQ(server_->Control(std::string("fault 1190 ") + bad).rfind("error ", 0), 0u) << bad;
  }
  EXPECT_NE(server_->Control("status 1190").find("faults=none"), std::string::npos);

  // Connection faults: the reply or image pipe closes instead of answering.
  const std::string path = server_->DevicePath("g3-k9-c00");
  for (const char* fault : {"close-reply", "close-image"}) {
    HostPipes p;
    ASSERT_TRUE(p.Open(path));
    ASSERT_EQ(server_->Control(std::string("fault 1100 ") + fault), "ok\n");
    std::uint8_t request = 0x04, buffer[8];
    std::uint32_t done = 0;
    ASSERT_TRUE(vbus::WriteFile(p.command, &request, 1, &done));
    const bool imageCut = fault[6] == 'i';
    EXPECT_EQ(vbus::ReadFile(p.reply, buffer, sizeof buffer, &done), imageCut) << fault;
    if (imageCut) {
      EXPECT_FALSE(vbus::ReadFile(p.image, buffer, sizeof buffer, &done));
    }
  }
  HostPipes p;
  ASSERT_TRUE(p.Open(path));
  ASSERT_EQ(server_->Control("fault 1100 unplug-after 2"), "ok\n");
  EXPECT_EQ(p.Transact({0x04}), Bytes{kOk});
  EXPECT_EQ(p.Transact({0x04}), Bytes{kOk});
  // The device goes once the second answer is out.
  auto unplugged = [&] {
    return server_->Control("status 1100").find("plugged=0") != std::string::npos;
  };
  for (int i = 0; i < 500 && !unplugged(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(unplugged());
}

TEST_F(SimBus, MalformedRequestsNeverStopTheServer) {
  const std::string path = server_->DevicePath("g1-k6");
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(path));
  EXPECT_EQ(pipes.Transact({}), Bytes{kUnknownInstruction});
  EXPECT_EQ(pipes.Transact({0x10}), Bytes{kInvalidParameter});  // set point without its word
  for (int opcode = 0x30; opcode < 0x100; opcode += 7) {
    EXPECT_EQ(pipes.Transact({static_cast<std::uint8_t>(opcode), 1, 2, 3}),
              Bytes{kUnknownInstruction});
  }
  // A header announcing 2^31 bytes: that connection is dropped.
  vbus::TBusAddress address;
  ASSERT_TRUE(vbus::ParseDevicePath(path + "\\0", &address));
  const int raw = platform::sock::ConnectStream(vbus::PipeSocketPath(bus_.Root(), address));
  ASSERT_GE(raw, 0);
  const unsigned char huge[] = {0x00, 0x00, 0x00, 0x80, 0x00};
  ASSERT_TRUE(platform::sock::SendAll(raw, huge, sizeof huge));
  unsigned char byte;
  EXPECT_NE(platform::sock::RecvExact(raw, &byte, 1, 5000), platform::sock::RecvResult::Ok);
  platform::sock::Close(raw);
  // A frame cut short by a closing connection is forgotten.
  const int cut = platform::sock::ConnectStream(vbus::PipeSocketPath(bus_.Root(), address));
  const unsigned char partial[] = {0x05, 0x00, 0x00, 0x00, 0x0F};
  ASSERT_TRUE(platform::sock::SendAll(cut, partial, sizeof partial));
  platform::sock::Close(cut);

  // The same device and the others keep answering.
  EXPECT_EQ(pipes.Transact({0x0F, 0x80})[0], kOk);
  HostPipes other;
  ASSERT_TRUE(other.Open(server_->DevicePath("g0-k17")));
  EXPECT_EQ(other.Transact({0x00}).size(), 61u);
}

}  // namespace
}  // namespace tqsim
