#pragma once
// Forwards to the USB driver in use and records what passes: the requests
// written and the sizes asked of the image pipe.
#include <cstdint>
#include <string>
#include <vector>

#include "driver/transport/backend.h"

namespace tqtest {

class RecordingBackend final : public tQusb::transport::Backend {
 public:
  RecordingBackend() : inner_(tQusb::transport::Current()) { tQusb::transport::SetBackend(this); }
  ~RecordingBackend() { tQusb::transport::SetBackend(nullptr); }

  std::vector<std::string> InterfacePaths(int c) override { return inner_.InterfacePaths(c); }
  tQusb::transport::Handle Open(const char* path) override { return inner_.Open(path); }
  bool Write(tQusb::transport::Handle h, const void* data, uint32_t size) override {
    const auto* b = static_cast<const uint8_t*>(data);
    writes.emplace_back(b, b + size);
    return inner_.Write(h, data, size);
  }
  bool Read(tQusb::transport::Handle h, void* data, uint32_t size, uint32_t* transferred) override {
    if (h == image) imageReads.push_back(size);
    return inner_.Read(h, data, size, transferred);
  }
  void Close(tQusb::transport::Handle h) override { inner_.Close(h); }
  bool QueryDescriptor(tQusb::transport::Handle d, uint8_t* out, uint32_t* n) override {
    return inner_.QueryDescriptor(d, out, n);
  }
  void Clear() { writes.clear(), imageReads.clear(); }

  tQusb::transport::Handle image =
      tQusb::transport::kInvalidHandle;  // the pipe whose reads are recorded
  std::vector<std::vector<uint8_t>> writes;
  std::vector<uint32_t> imageReads;

 private:
  tQusb::transport::Backend& inner_;
};

}  // namespace tqtest
