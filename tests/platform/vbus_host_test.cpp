// The virtual USB bus seen from the driver side: enumeration, opening,
// descriptor query and the framed transfers, against devices served by
// threads of the test over real sockets.
#include "platform/vbus_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "common/bus_test_device.h"
#include "common/debug_capture.h"
#include "common/temp_bus_root.h"
#include "platform/vbus_layout.h"

namespace {

using platform::kInvalidHandle;
using platform::THandle;
using busdevice::DeviceEndpoints;
using platform::vbus::Pipe;
namespace vbus = platform::vbus;

uint32_t Word32(const std::vector<unsigned char>& bytes, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, bytes.data() + at, 4);
  return v;
}

std::vector<unsigned char> Pattern(size_t size) {
  std::vector<unsigned char> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 7 + i / 251);
  return data;
}

// Test protocol: the first byte chooses what the device does.
//   'r' <bytes>          reply with <bytes>
//   'R' <n>              n replies "1", "22", "333", ...
//   'i' <size32>         one image frame of <size32> pattern bytes
//   'b' <size32>         that image frame, then the reply 0x80
//   'B' <size32>         the replies 0x80 and 0x80 0x80, then that image frame
//   'x' <len32> <sent32> image header for <len32> bytes, <sent32> of them, then close all
//   'X' <len32> <sent32> the same on the reply pipe
void Serve(const std::vector<unsigned char>& c, DeviceEndpoints& ep) {
  if (c.empty()) return;
  switch (c[0]) {
    case 'r':
      ep.SendReply(c.data() + 1, static_cast<uint32_t>(c.size() - 1));
      break;
    case 'R':
      for (int i = 1; i <= c[1]; ++i) {
        std::string reply(static_cast<size_t>(i), static_cast<char>('0' + i));
        ep.SendReply(reply.data(), static_cast<uint32_t>(reply.size()));
      }
      break;
    case 'i':
    case 'b':
    case 'B': {
      const unsigned char ok = 0x80;
      const unsigned char twice[2] = {0x80, 0x80};
      if (c[0] == 'B') ep.SendReply(&ok, 1), ep.SendReply(twice, 2);
      auto image = Pattern(Word32(c, 1));
      ep.SendImage(image.data(), static_cast<uint32_t>(image.size()));
      if (c[0] == 'b') ep.SendReply(&ok, 1);
      break;
    }
    case 'x':
    case 'X': {
      Pipe pipe = c[0] == 'x' ? Pipe::Image : Pipe::Reply;
      unsigned char header[4];
      platform::vbus::EncodeFrameHeader(Word32(c, 1), header);
      auto part = Pattern(Word32(c, 5));
      ep.SendRaw(pipe, header, sizeof header);
      ep.SendRaw(pipe, part.data(), part.size());
      ep.CloseConnections();
      break;
    }
  }
}

std::vector<unsigned char> Request(char op, std::vector<uint32_t> words = {}) {
  std::vector<unsigned char> bytes{static_cast<unsigned char>(op)};
  for (uint32_t w : words)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(w >> (8 * i)));
  return bytes;
}

class VbusHost : public ::testing::Test {
 protected:
  void SetUp() override {
    device_ =
        std::make_unique<BusTestDevice>(root_.Path(), BusClass(1), "vid_0000&pid_0c26#dev1", Serve);
  }
  void TearDown() override {
    for (THandle h : handles_) platform::CloseHandle(h);
    vbus::SetReplyTimeoutMs(vbus::kDefaultReplyTimeoutMs);
  }

  THandle Open(Pipe pipe) {
    THandle h = vbus::CreateFile(device_->PipePath(pipe).c_str());
    EXPECT_NE(h, kInvalidHandle);
    handles_.push_back(h);
    return h;
  }

  void Send(THandle command, const std::vector<unsigned char>& request) {
    uint32_t written = 0;
    ASSERT_TRUE(
        vbus::WriteFile(command, request.data(), static_cast<uint32_t>(request.size()), &written));
    ASSERT_EQ(written, request.size());
  }

  TempBusRoot root_;
  std::unique_ptr<BusTestDevice> device_;
  std::vector<THandle> handles_;
};

// Each reply frame is one read however large the buffer (a 3-byte reply into
// 64 bytes gives 3); what a short buffer leaves of a frame comes next.
TEST_F(VbusHost, ReplyFramesAreReadOneAtATimeWithLeftovers) {
  THandle command = Open(Pipe::Command), reply = Open(Pipe::Reply);
  struct Read {
    std::vector<unsigned char> request;  // sent first when not empty
    uint32_t size;
    std::vector<unsigned char> bytes;
  };
  const Read reads[] = {{{'r', 0x80, 0x12, 0x34}, 64, {0x80, 0x12, 0x34}},
                        {{'r', 1, 2, 3, 4, 5}, 2, {1, 2}},
                        {{}, 0, {}},  // frame in progress
                        {{}, 64, {3, 4, 5}},
                        {{'R', 2}, 64, {'1'}},
                        {{}, 64, {'2', '2'}}};
  for (const Read& r : reads) {
    if (!r.request.empty()) Send(command, r.request);
    unsigned char buffer[64];
    uint32_t got = 99;
    ASSERT_TRUE(vbus::ReadFile(reply, buffer, r.size, &got));
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + got), r.bytes);
  }
}

// What a reader leaves of a longer frame, or a whole frame it never read,
// must not become the answer to the next request: it is dropped, with a debug
// line, before a request goes out.
TEST_F(VbusHost, LeftoversOfLongFramesAreDroppedBeforeTheNextRequest) {
  DebugCapture debug;
  THandle command = Open(Pipe::Command), reply = Open(Pipe::Reply), image = Open(Pipe::Image);
  unsigned char byte = 0;
  uint32_t got = 0;
  std::vector<unsigned char> buffer(100);
  Send(command, {'r', 0x80, 1, 2, 3});  // four bytes where one is read
  ASSERT_TRUE(vbus::ReadFile(reply, &byte, 1, &got));
  Send(command, Request('i', {100}));  // an image 40 bytes longer than read
  ASSERT_TRUE(vbus::ReadFile(image, buffer.data(), 60, &got));
  Send(command, {'r', 0x81});
  ASSERT_TRUE(vbus::ReadFile(reply, &byte, 1, &got));
  EXPECT_EQ(byte, 0x81);
  Send(command, Request('i', {60}));
  ASSERT_TRUE(vbus::ReadFile(image, buffer.data(), 100, &got));
  EXPECT_EQ(got, 60u);
  EXPECT_EQ(std::memcmp(buffer.data(), Pattern(60).data(), 60), 0);
  // Frames sent before one that was read have certainly come: an unread
  // image, then a second reply (received with the first one).
  Send(command, Request('b', {30}));
  ASSERT_TRUE(vbus::ReadFile(reply, &byte, 1, &got));
  Send(command, Request('B', {20}));
  ASSERT_TRUE(vbus::ReadFile(image, buffer.data(), 100, &got));
  EXPECT_EQ(got, 20u);
  ASSERT_TRUE(vbus::ReadFile(reply, &byte, 1, &got));
  Send(command, {'r', 0x81});
  ASSERT_TRUE(vbus::ReadFile(reply, &byte, 1, &got));
  EXPECT_EQ(byte, 0x81);
  EXPECT_EQ(debug.Lines(), (std::vector<std::string>{"Discarded 3 unread bytes before a request\n",
                                                     "Discarded 40 unread bytes before a request\n",
                                                     "Discarded 30 unread bytes before a request\n",
                                                     "Discarded 2 unread bytes before a request\n"}));
}

TEST_F(VbusHost, ImageFrameIsReadInLimitedPieces) {
  constexpr uint32_t kFrame = 40u << 20, kPiece = 24u << 20;
  struct Case {
    uint32_t frame;
    uint32_t secondRead;
  } cases[] = {{kFrame, kFrame - kPiece}, {kFrame - 1, kFrame - kPiece - 1}};
  THandle command = Open(Pipe::Command), image = Open(Pipe::Image);
  std::vector<unsigned char> buffer(kFrame);
  auto expected = Pattern(kFrame);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame);
    Send(command, Request('i', {c.frame}));
    uint32_t first = 0, second = 0;
    ASSERT_TRUE(vbus::ReadFile(image, buffer.data(), kPiece, &first));
    ASSERT_TRUE(vbus::ReadFile(image, buffer.data() + first, kFrame - first, &second));
    EXPECT_EQ(first, kPiece);
    EXPECT_EQ(second, c.secondRead);
    EXPECT_EQ(std::memcmp(buffer.data(), expected.data(), first + second), 0);
  }
}

TEST_F(VbusHost, ConnectionClosedMidFrameFailsTheRead) {
  struct Case {
    char op;
    Pipe pipe;
    uint32_t bufferSize;
  } cases[] = {{'x', Pipe::Image, 1000}, {'X', Pipe::Reply, 1000}, {'x', Pipe::Image, 15}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op);
    THandle command = Open(Pipe::Command), in = Open(c.pipe);
    Send(command, Request(c.op, {100, 20}));
    std::vector<unsigned char> buffer(c.bufferSize);
    uint32_t got = 0;
    bool ok = vbus::ReadFile(in, buffer.data(), c.bufferSize, &got);
    if (c.bufferSize <= 20) {  // the bytes that did arrive can still be read
      EXPECT_TRUE(ok);
      ok = vbus::ReadFile(in, buffer.data(), c.bufferSize, &got);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(got, 0u);
    uint32_t written = 1;
    EXPECT_FALSE(vbus::WriteFile(command, "r", 1, &written) &&
                 vbus::ReadFile(in, buffer.data(), 1, &got));
  }
}

TEST_F(VbusHost, RepliesGoToTheNewestReplyConnection) {
  THandle command = Open(Pipe::Command), older = Open(Pipe::Reply), newer = Open(Pipe::Reply);
  Send(command, {'r', 0x55});
  unsigned char byte = 0;
  uint32_t got = 0;
  ASSERT_TRUE(vbus::ReadFile(newer, &byte, 1, &got));
  EXPECT_EQ(byte, 0x55);
  EXPECT_EQ(vbus::ReplyTimeoutMs(), 30000u);
  vbus::SetReplyTimeoutMs(100);  // a reply read without data times out
  got = 7;
  EXPECT_FALSE(vbus::ReadFile(older, &byte, 1, &got));
  EXPECT_EQ(got, 0u);
  // When the newest closes, the one before it is the newest open connection.
  ASSERT_TRUE(platform::CloseHandle(newer));
  THandle reopened = Open(Pipe::Reply);
  ASSERT_TRUE(platform::CloseHandle(reopened));
  THandle second = Open(Pipe::Reply);
  vbus::SetReplyTimeoutMs(vbus::kDefaultReplyTimeoutMs);
  Send(command, {'r', 0x66});
  ASSERT_TRUE(vbus::ReadFile(second, &byte, 1, &got));
  EXPECT_EQ(byte, 0x66);
}

TEST_F(VbusHost, ClosingAHandleEndsABlockedRead) {
  THandle image = vbus::CreateFile(device_->PipePath(Pipe::Image).c_str());
  ASSERT_NE(image, kInvalidHandle);
  std::atomic<int> result{-1};
  std::thread reader([&] {
    unsigned char byte;
    uint32_t got;
    result = vbus::ReadFile(image, &byte, 1, &got) ? 1 : 0;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_TRUE(platform::CloseHandle(image));
  reader.join();
  EXPECT_EQ(result, 0);
}

TEST_F(VbusHost, PipesRefuseTheWrongDirectionAndBadArguments) {
  THandle command = Open(Pipe::Command), reply = Open(Pipe::Reply);
  THandle device = vbus::CreateFile(device_->DevicePath().c_str());
  handles_.push_back(device);
  unsigned char buffer[4];
  uint32_t n = 0;
  for (THandle h : {command, device, kInvalidHandle})
    EXPECT_FALSE(vbus::ReadFile(h, buffer, 4, &n));
  for (THandle h : {reply, device, THandle(12345678)})
    EXPECT_FALSE(vbus::WriteFile(h, buffer, 4, &n));
  EXPECT_FALSE(vbus::ReadFile(reply, nullptr, 4, &n));
  EXPECT_FALSE(platform::CloseHandle(kInvalidHandle));
}

TEST(VbusHostOpen, DevicePathsAndPipePaths) {
  TempBusRoot root;
  BusTestDevice device(root.Path(), BusClass(3), "vid_1&pid_2#x", Serve);
  std::string path = device.DevicePath();
  struct Case {  // the path grammar itself is the bus layout's
    std::string path;
    bool opens;
  } cases[] = {
      {path + "\\2", true},
      {"\\\\?\\usb#vid_1&pid_2#y#" + platform::FormatGuid(BusClass(3)), false},
      {"\\\\?\\usb#vid_1&pid_2#x#" + platform::FormatGuid(BusClass(4)), false},
      {"/etc/passwd", false},
      {"\\\\?\\usb#..#" + platform::FormatGuid(BusClass(3)), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    THandle h = vbus::CreateFile(c.path.c_str());
    EXPECT_EQ(h != kInvalidHandle, c.opens);
    if (h != kInvalidHandle) platform::CloseHandle(h);
  }
  EXPECT_EQ(vbus::CreateFile(nullptr), kInvalidHandle);
  device.Stop();
  EXPECT_EQ(vbus::CreateFile(path.c_str()), kInvalidHandle);
  EXPECT_EQ(vbus::CreateFile((path + "\\1").c_str()), kInvalidHandle);
}

TEST(VbusHostEnumeration, SortedByNameWithEndOfList) {
  TempBusRoot root;
  const char* names[] = {"vid_0000&pid_0c26#sim2", "a", "vid_0000&pid_0c26#sim10", "z-9"};
  std::vector<std::unique_ptr<BusTestDevice>> devices;
  for (const char* name : names)
    devices.push_back(std::make_unique<BusTestDevice>(root.Path(), BusClass(2), name, Serve));
  BusTestDevice other(root.Path(), BusClass(5), "other", Serve);
  vbus::DeviceInterfaceSet set(BusClass(2));
  std::vector<std::string> listed;
  std::string path;
  for (unsigned i = 0; set.Enum(i, &path) == vbus::DeviceInterfaceSet::Result::Found; ++i)
    listed.push_back(path);
  std::string suffix = "#" + platform::FormatGuid(BusClass(2));
  std::vector<std::string> expected = {
      "\\\\?\\usb#a" + suffix, "\\\\?\\usb#vid_0000&pid_0c26#sim10" + suffix,
      "\\\\?\\usb#vid_0000&pid_0c26#sim2" + suffix, "\\\\?\\usb#z-9" + suffix};
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(set.Enum(100, &path), vbus::DeviceInterfaceSet::Result::NoMoreItems);
  EXPECT_EQ(vbus::DeviceInterfaceSet(BusClass(9)).Count(), 0u);  // no class directory
}

TEST(VbusHostDescriptor, ExactlyEighteenBytes) {
  TempBusRoot root;
  std::vector<unsigned char> good(18), shortOne(17), longOne(19);
  for (size_t i = 0; i < good.size(); ++i) good[i] = static_cast<unsigned char>(i + 1);
  struct Case {
    const char* name;
    const std::vector<unsigned char>* descriptor;
    uint32_t outSize;
    uint32_t code;
    bool ok;
  } cases[] = {
      {"good", &good, 18, 0x220000, true},         {"bigbuffer", &good, 64, 0x220000, true},
      {"smallbuffer", &good, 17, 0x220000, false}, {"othercode", &good, 18, 0x220004, false},
      {"missing", nullptr, 18, 0x220000, false},   {"short", &shortOne, 18, 0x220000, false},
      {"long", &longOne, 18, 0x220000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BusTestDevice device(root.Path(), BusClass(1), c.name, Serve, c.descriptor);
    THandle h = vbus::CreateFile(device.DevicePath().c_str());
    ASSERT_NE(h, kInvalidHandle);
    unsigned char out[64] = {};
    uint32_t returned = 99;
    EXPECT_EQ(vbus::DeviceIoControl(h, c.code, nullptr, 0, out, c.outSize, &returned), c.ok);
    EXPECT_EQ(returned, c.ok ? 18u : 0u);
    if (c.ok) {
      EXPECT_EQ(std::memcmp(out, good.data(), 18), 0);
    }
    platform::CloseHandle(h);
  }
  // A FIFO in its place must neither block the query nor count.
  BusTestDevice fifo(root.Path(), BusClass(1), "fifo", Serve);
  std::string path = root.Path() + "/" + platform::FormatGuid(BusClass(1)) + "/fifo/" +
                     std::string(platform::vbus::kDescriptorFile);
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  THandle h = vbus::CreateFile(fifo.DevicePath().c_str());
  unsigned char out[18];
  uint32_t returned = 0;
  EXPECT_FALSE(vbus::DeviceIoControl(h, 0x220000, nullptr, 0, out, 18, &returned));
  platform::CloseHandle(h);
}

}  // namespace
