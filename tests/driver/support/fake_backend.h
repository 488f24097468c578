#pragma once
// A scripted stand-in for the USB driver for unit tests of the camera layers
// above it: it records every request written to the command pipe and answers
// reads from a queue of replies, or fails the transfer when told to.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "driver/camera/camera.h"
#include "driver/transport/backend.h"

namespace tqtest {

class FakeBackend final : public tQusb::transport::Backend {
 public:
  static constexpr tQusb::transport::Handle kDevice = 100, kCommand = 101, kReply = 102,
                                            kImage = 103;

  FakeBackend() { tQusb::transport::SetBackend(this); }
  ~FakeBackend() { tQusb::transport::SetBackend(nullptr); }

  // Next reply; std::nullopt makes that read fail.
  void Reply(std::vector<uint8_t> bytes) { replies.emplace_back(std::move(bytes)); }
  void FailRead() { replies.emplace_back(std::nullopt); }

  std::vector<std::string> InterfacePaths(int) override { return {}; }
  tQusb::transport::Handle Open(const char*) override { return tQusb::transport::kInvalidHandle; }
  bool Write(tQusb::transport::Handle handle, const void* data, uint32_t size) override {
    if (handle != kCommand || failWrites) return false;
    const auto* bytes = static_cast<const uint8_t*>(data);
    requests.emplace_back(bytes, bytes + size);
    return true;
  }
  bool Read(tQusb::transport::Handle handle, void* data, uint32_t size,
            uint32_t* transferred) override {
    if (handle != kReply || replies.empty()) return false;
    std::optional<std::vector<uint8_t>> next = std::move(replies.front());
    replies.pop_front();
    if (!next) return false;
    const uint32_t n = std::min<uint32_t>(size, static_cast<uint32_t>(next->size()));
    std::copy_n(next->begin(), n, static_cast<uint8_t*>(data));
    *transferred = n;
    readSizes.push_back(size);
    return true;
  }
  void Close(tQusb::transport::Handle handle) override { closed.push_back(handle); }
  bool QueryDescriptor(tQusb::transport::Handle, uint8_t*, uint32_t*) override { return false; }

  // Puts a camera object into the connected state with the fake's handles.
  static void Connect(tQusb::CCamera& camera, int32_t generation, uint32_t kind = 9) {
    camera.hDevice = kDevice;
    camera.hCommand = kCommand;
    camera.hReply = kReply;
    camera.hImage = kImage;
    camera.Generation = generation;
    camera.SetKind(kind);
    camera.Flags |= tQusb::kFlagConnected;
  }

  std::vector<std::vector<uint8_t>> requests;
  std::deque<std::optional<std::vector<uint8_t>>> replies;
  std::vector<uint32_t> readSizes;
  std::vector<tQusb::transport::Handle> closed;
  bool failWrites = false;
};

}  // namespace tqtest
