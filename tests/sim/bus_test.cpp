// The device server through real sockets, with the library's bus client:
// every default camera answers as its generation and kind require, and
// unplugging, plugging, faults and malformed requests behave.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

#include "core/model_config.h"
#include "host_exchanges.h"
#include "platform/bus_layout.h"
#include "platform/device_notices.h"
#include "platform/peer_window.h"
#include "platform/thread_queue.h"
#include "platform/socket_io.h"
#include "platform/usb_bus.h"
#include "server/device_server.h"
#include "sim_test_support.h"

namespace tqsim {
namespace {

namespace usb = platform::usb;
namespace bus = platform::bus;

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

struct Camera {
  CameraModel model;
  std::string devicePath;
};

class SimBus : public ::testing::Test {
 protected:
  void SetUp() override {
    const ConfigResult config = LoadDefaultConfig();
    ASSERT_TRUE(config.Ok()) << config.error;
    ServerOptions options;
    options.root = bus_.Root();
    options.cameras = config.cameras;
    options.timeScale = 0;
    server_ = std::make_unique<DeviceServer>(options);
    std::string error;
    ASSERT_TRUE(server_->Start(&error)) << error;
    std::istringstream list(server_->Control("list"));
    std::string line;
    std::getline(list, line);
    ASSERT_EQ(line, "ok");
    for (const CameraModel& m : config.cameras) {
      ASSERT_TRUE(std::getline(list, line));
      cameras_.push_back({m, line.substr(line.rfind(' ') + 1)});
    }
  }

  void TearDown() override {
    if (server_) server_->Stop();
  }

  const Camera& Named(const std::string& name) {
    for (const Camera& c : cameras_) {
      if (c.model.name == name) return c;
    }
    throw std::runtime_error("no camera " + name);
  }

  TempBus bus_;
  std::unique_ptr<DeviceServer> server_;
  std::vector<Camera> cameras_;
};

TEST_F(SimBus, EveryCameraAnswersItsRecordVersionsAndOpcodes) {
  ASSERT_EQ(cameras_.size(), 25u);
  for (const Camera& c : cameras_) {
    SCOPED_TRACE(c.model.name);
    HostPipes pipes;
    ASSERT_TRUE(pipes.Open(c.devicePath));
    const int generation = c.model.Generation();
    const bool packed = generation == 0 || c.model.Kind() == 1 || c.model.Kind() == 2;
    Bytes reply = pipes.Transact({0x00});
    ASSERT_EQ(reply.size(), packed ? 61u : 65u);
    EXPECT_EQ(reply[0], kOk);
    EXPECT_EQ(GetU32(reply, 1), c.model.cameraId);

    const std::uint8_t query = generation == 0 ? 0x0E : 0x0F;
    for (std::uint8_t i = 0; i < (generation == 0 ? 2 : 4); ++i) {
      reply = pipes.Transact({query, static_cast<std::uint8_t>(0x80 + i)});
      ASSERT_EQ(reply.size(), 3u);
      EXPECT_EQ(reply[0], kOk);
      EXPECT_EQ(GetU16(reply, 1), c.model.versions[i]);
    }
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

TEST_F(SimBus, DescriptorCarriesProductIdAndBcdUsb) {
  const Camera& usb2 = Named("g2-k10-c04");
  THandle device = usb::CreateFile(usb2.devicePath.c_str());
  ASSERT_NE(device, platform::kInvalidHandle);
  unsigned char descriptor[18];
  std::uint32_t returned = 0;
  ASSERT_TRUE(usb::DeviceIoControl(device, bus::kDescriptorControlCode, nullptr, 0, descriptor,
                                   sizeof descriptor, &returned));
  EXPECT_EQ(returned, 18u);
  EXPECT_EQ(descriptor[2] | descriptor[3] << 8, 0x0200);
  EXPECT_EQ(descriptor[10] | descriptor[11] << 8, 0x0C04);
  platform::CloseHandle(device);

  device = usb::CreateFile(Named("g2-k9-nodesc").devicePath.c_str());
  ASSERT_NE(device, platform::kInvalidHandle);
  EXPECT_FALSE(usb::DeviceIoControl(device, bus::kDescriptorControlCode, nullptr, 0, descriptor,
                                    sizeof descriptor, &returned));
  platform::CloseHandle(device);
}

// Device notices seen by a peer window: (arrival?, device path).
std::vector<std::pair<bool, std::string>> g_notices;

intptr_t RecordNotice(platform::PeerWindow*, unsigned message, uintptr_t wParam, intptr_t lParam) {
  if (message == platform::kMsgDeviceChange) {
    const auto* notice = reinterpret_cast<const platform::TDeviceInterfaceNotice*>(lParam);
    g_notices.emplace_back(wParam == platform::kDeviceArrival, notice->Name);
  }
  return 0;
}

// Pumps this thread's events until `count` notices were seen.
bool PumpNotices(std::size_t count) {
  return WaitFor([&] {
    platform::PumpThreadEvents(0);
    return g_notices.size() >= count;
  });
}

TEST_F(SimBus, UnplugAndPlugRemoveAndRestoreTheDevice) {
  const Camera& c = Named("g5-k14-c26");
  const platform::TGuid& klass = *bus::InterfaceClass(1);
  const unsigned before = usb::DeviceInterfaceSet(klass, bus_.Root()).Count();
  g_notices.clear();
  platform::PeerWindow* window = platform::CreatePeerWindow(&RecordNotice, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_NE(platform::RegisterDeviceNotification(window, klass), 0u);
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(c.devicePath));
  ASSERT_EQ(pipes.Transact({0x0D, 1}), Bytes{kUnknownInstruction});

  EXPECT_EQ(server_->Control("unplug 1226"), "ok\n");
  EXPECT_EQ(usb::DeviceInterfaceSet(klass, bus_.Root()).Count(), before - 1);
  ASSERT_TRUE(PumpNotices(1));
  EXPECT_FALSE(g_notices[0].first);
  EXPECT_TRUE(EqualNoCase(g_notices[0].second, c.devicePath)) << g_notices[0].second;
  EXPECT_EQ(usb::CreateFile(c.devicePath.c_str()), platform::kInvalidHandle);
  // Open connections are closed with the device.
  std::uint8_t byte = 0x00;
  std::uint32_t done = 0;
  std::uint8_t buffer[8];
  usb::WriteFile(pipes.command, &byte, 1, &done);
  EXPECT_FALSE(usb::ReadFile(pipes.reply, buffer, sizeof buffer, &done));

  EXPECT_EQ(server_->Control("plug g5-k14-c26"), "ok\n");
  EXPECT_EQ(usb::DeviceInterfaceSet(klass, bus_.Root()).Count(), before);
  ASSERT_TRUE(PumpNotices(2));
  EXPECT_TRUE(g_notices[1].first);
  EXPECT_TRUE(EqualNoCase(g_notices[1].second, c.devicePath)) << g_notices[1].second;
  EXPECT_EQ(g_notices.size(), 2u);
  platform::DestroyPeerWindow(window);
  HostPipes again;
  ASSERT_TRUE(again.Open(c.devicePath));
  EXPECT_EQ(GetU32(again.Transact({0x00}), 1), 1226u);
  EXPECT_EQ(server_->Control("plug nosuch").rfind("error ", 0), 0u);
}

TEST_F(SimBus, StatusAndDelayFaults) {
  const Camera& c = Named("g4-k11-c90");
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(c.devicePath));
  ASSERT_EQ(server_->Control("fault g4-k11-c90 status 0x84 2"), "ok\n");
  EXPECT_EQ(pipes.Transact({0x0F, 0x80}), (Bytes{0x84, 0, 0}));
  EXPECT_EQ(pipes.Transact({0x0D, 2}), Bytes{0x84});
  EXPECT_EQ(pipes.Transact({0x0D, 2})[0], kOk);

  ASSERT_EQ(server_->Control("fault 1190 delay 150 1"), "ok\n");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(pipes.Transact({0x0D, 2})[0], kOk);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  EXPECT_NE(server_->Control("status 1190").find("faults=none"), std::string::npos);
  EXPECT_EQ(server_->Control("fault 1190 bogus").rfind("error ", 0), 0u);
}

TEST_F(SimBus, ConnectionFaultsAndUnplugAfterRequests) {
  const Camera& c = Named("g3-k9-c00");
  {
    HostPipes pipes;
    ASSERT_TRUE(pipes.Open(c.devicePath));
    ASSERT_EQ(server_->Control("fault 1100 close-reply"), "ok\n");
    std::uint8_t request = 0x04, buffer[8];
    std::uint32_t done = 0;
    ASSERT_TRUE(usb::WriteFile(pipes.command, &request, 1, &done));
    EXPECT_FALSE(usb::ReadFile(pipes.reply, buffer, sizeof buffer, &done));
  }
  {
    HostPipes pipes;
    ASSERT_TRUE(pipes.Open(c.devicePath));
    ASSERT_EQ(server_->Control("fault 1100 close-image"), "ok\n");
    EXPECT_EQ(pipes.Transact({0x04}), Bytes{kOk});
    std::uint8_t buffer[8];
    std::uint32_t done = 0;
    EXPECT_FALSE(usb::ReadFile(pipes.image, buffer, sizeof buffer, &done));
  }
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(c.devicePath));
  ASSERT_EQ(server_->Control("fault 1100 unplug-after 2"), "ok\n");
  EXPECT_EQ(pipes.Transact({0x04}), Bytes{kOk});
  EXPECT_EQ(pipes.Transact({0x04}), Bytes{kOk});
  // The device goes once the second answer is out.
  EXPECT_TRUE(WaitFor([&] { return !std::filesystem::exists(DeviceDir(bus_.Root(), c.devicePath)); }));
  EXPECT_NE(server_->Control("status 1100").find("plugged=0"), std::string::npos);
}

TEST_F(SimBus, MalformedRequestsNeverStopTheServer) {
  const Camera& c = Named("g1-k6");
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(c.devicePath));
  EXPECT_EQ(pipes.Transact({}), Bytes{kUnknownInstruction});
  EXPECT_EQ(pipes.Transact({0x10}), Bytes{kInvalidParameter});  // set point without its word
  for (int opcode = 0x30; opcode < 0x100; opcode += 7) {
    EXPECT_EQ(pipes.Transact({static_cast<std::uint8_t>(opcode), 1, 2, 3}),
              Bytes{kUnknownInstruction});
  }
  // A header announcing 2^31 bytes: that connection is dropped.
  bus::TBusAddress address;
  ASSERT_TRUE(bus::ParseDevicePath(c.devicePath + "\\0", &address));
  const int raw = platform::sock::ConnectStream(bus::PipeSocketPath(bus_.Root(), address));
  ASSERT_GE(raw, 0);
  const unsigned char huge[] = {0x00, 0x00, 0x00, 0x80, 0x00};
  ASSERT_TRUE(platform::sock::SendAll(raw, huge, sizeof huge));
  unsigned char byte;
  EXPECT_NE(platform::sock::RecvExact(raw, &byte, 1, 5000), platform::sock::RecvResult::Ok);
  platform::sock::Close(raw);
  // A frame cut short by a closing connection is forgotten.
  const int cut = platform::sock::ConnectStream(bus::PipeSocketPath(bus_.Root(), address));
  const unsigned char partial[] = {0x05, 0x00, 0x00, 0x00, 0x0F};
  ASSERT_TRUE(platform::sock::SendAll(cut, partial, sizeof partial));
  platform::sock::Close(cut);

  // The same device and the others keep answering.
  EXPECT_EQ(pipes.Transact({0x0F, 0x80})[0], kOk);
  HostPipes other;
  ASSERT_TRUE(other.Open(Named("g0-k17").devicePath));
  EXPECT_EQ(other.Transact({0x00}).size(), 61u);
}

TEST_F(SimBus, ControlSocketServesEachClientOnItsOwn) {
  const std::string path = bus_.Root() + "/" + kControlSocketName;
  // One client stalls in the middle of its line; others are answered.
  const int stalled = platform::sock::ConnectStream(path);
  ASSERT_GE(stalled, 0);
  ASSERT_TRUE(platform::sock::SendAll(stalled, "stat", 4));
  std::string answer;
  ASSERT_TRUE(SendControl(bus_.Root(), "status g1-k5", &answer));
  EXPECT_EQ(answer.rfind("ok\nname=g1-k5\n", 0), 0u);
  ASSERT_TRUE(SendControl(bus_.Root(), "", &answer));
  EXPECT_EQ(answer, "error empty command\n");
  ASSERT_TRUE(SendControl(bus_.Root(), std::string(5000, 'x'), &answer));
  EXPECT_EQ(answer, "error command too long\n");
  // The stalled client finishes its line and gets its answer too.
  ASSERT_TRUE(platform::sock::SendAll(stalled, "us 5005\n", 8));
  char buffer[64] = {};
  ASSERT_EQ(platform::sock::RecvExact(stalled, buffer, 3, 5000), platform::sock::RecvResult::Ok);
  EXPECT_EQ(std::string(buffer, 3), "ok\n");
  platform::sock::Close(stalled);
}

TEST_F(SimBus, RepliesGoToTheNewestReplyConnection) {
  const Camera& c = Named("g1-k3");
  HostPipes first;
  ASSERT_TRUE(first.Open(c.devicePath));
  HostPipes second;
  ASSERT_TRUE(second.Open(c.devicePath));
  // A request on the older command connection is answered on the newest reply pipe.
  std::uint8_t request[] = {0x0F, 0x80}, buffer[8];
  std::uint32_t done = 0;
  ASSERT_TRUE(usb::WriteFile(first.command, request, sizeof request, &done));
  ASSERT_TRUE(usb::ReadFile(second.reply, buffer, sizeof buffer, &done));
  EXPECT_EQ(done, 3u);
  second.Close();
  EXPECT_EQ(first.Transact({0x0F, 0x80}).size(), 3u);
}

}  // namespace
}  // namespace tqsim

namespace tqsim {
namespace {

// At a time scale above 0 a filter move holds back its reply, and the
// requests behind it wait their turn.
TEST(SimBusTimed, FilterReplyComesWhenTheWheelArrives) {
  TempBus bus;
  const ConfigResult config = ParseConfig(R"({"cameras": [{
      "name": "wheel", "class": 1, "product_id": "0x0C90", "camera_id": 9,
      "width": 64, "height": 64, "filter_count": 8, "physics": {"filter_step": 1.0}}]})");
  ASSERT_TRUE(config.Ok()) << config.error;
  ServerOptions options;
  options.root = bus.Root();
  options.cameras = config.cameras;
  options.timeScale = 20;  // one step: 50 ms
  DeviceServer server(options);
  std::string error;
  ASSERT_TRUE(server.Start(&error)) << error;
  HostPipes pipes;
  ASSERT_TRUE(pipes.Open(server.DevicePath("wheel")));
  EXPECT_EQ(server.DevicePath("nosuch"), "");
  const auto start = std::chrono::steady_clock::now();
  std::uint32_t done = 0;
  const std::uint8_t move[] = {0x10, 4}, query[] = {0x0F, 0x80};
  ASSERT_TRUE(usb::WriteFile(pipes.command, move, sizeof move, &done));
  ASSERT_TRUE(usb::WriteFile(pipes.command, query, sizeof query, &done));
  std::uint8_t reply[8];
  ASSERT_TRUE(usb::ReadFile(pipes.reply, reply, sizeof reply, &done));
  EXPECT_EQ(done, 1u);
  EXPECT_EQ(reply[0], kOk);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  ASSERT_TRUE(usb::ReadFile(pipes.reply, reply, sizeof reply, &done));
  EXPECT_EQ(done, 3u);
  EXPECT_NE(server.Control("status 9").find("filter_position=4\n"), std::string::npos);
}

}  // namespace
}  // namespace tqsim
