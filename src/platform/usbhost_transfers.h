#pragma once
// Bulk transfers on one endpoint of an open USB device, submitted
// asynchronously: a read or write of `size` bytes goes out in pieces of at
// most `pieceSize`, with at most `windowSize` bytes queued at once, so the
// bus stays busy while earlier pieces complete. Completions arrive on the
// context's event thread.
#include <libusb.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <optional>
#include <mutex>
#include <vector>

namespace platform::usbhost {

struct TTransferPlan {
  unsigned char endpoint = 0;
  uint32_t pieceSize = 0;
  uint32_t windowSize = 0;
  unsigned timeoutMs = 0;  // per piece; 0 waits without limit
  // When set, the whole run fails once this time has passed.
  std::optional<std::chrono::steady_clock::time_point> deadline;
};

enum class TransferResult { Complete, Short, Failed };

// One call's transfers. Cancel() may come from any thread (a handle being
// closed) and makes the waiting call return Failed.
class TransferRun {
 public:
  TransferRun(libusb_device_handle* device, const TTransferPlan& plan);
  ~TransferRun();
  TransferRun(const TransferRun&) = delete;
  TransferRun& operator=(const TransferRun&) = delete;

  // Moves `size` bytes; *done gets the bytes moved before the first short
  // piece or failure. A short piece ends the run (the device has no more).
  TransferResult Run(unsigned char* data, uint32_t size, uint32_t* done);
  void Cancel();
  // True when the run failed because the plan's deadline passed.
  bool TimedOut() const { return timedOut_; }

 private:
  static void LIBUSB_CALL OnDone(libusb_transfer* transfer);
  void Finish(libusb_transfer* transfer);
  void CancelAllLocked();

  struct Piece {
    TransferRun* run = nullptr;
    uint32_t length = 0;
    uint32_t actual = 0;
    int status = -1;  // a libusb_transfer_status once done
  };
  bool SubmitLocked(unsigned char* data, size_t index);

  libusb_device_handle* device_;
  TTransferPlan plan_;
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<Piece> pieces_;
  std::vector<libusb_transfer*> inFlight_;
  uint64_t bytesInFlight_ = 0;
  bool stop_ = false;
  bool cancelled_ = false;
  bool timedOut_ = false;
};

}  // namespace platform::usbhost
