#include "platform/usbhost_transfers.h"

#include <algorithm>

namespace platform::usbhost {

TransferRun::TransferRun(libusb_device_handle* device, const TTransferPlan& plan)
    : device_(device), plan_(plan) {
  if (plan_.pieceSize == 0) plan_.pieceSize = 1;
  plan_.windowSize = std::max(plan_.windowSize, plan_.pieceSize);
}

TransferRun::~TransferRun() {
  // Run() returns only when nothing is queued; waiting here is a safety net.
  std::unique_lock guard(lock_);
  CancelAllLocked();
  changed_.wait(guard, [this] { return inFlight_.empty(); });
}

void TransferRun::Cancel() {
  std::lock_guard guard(lock_);
  cancelled_ = true;
  stop_ = true;
  CancelAllLocked();
  changed_.notify_all();
}

void TransferRun::CancelAllLocked() {
  for (libusb_transfer* t : inFlight_) libusb_cancel_transfer(t);
}

void LIBUSB_CALL TransferRun::OnDone(libusb_transfer* transfer) {
  auto* piece = static_cast<Piece*>(transfer->user_data);
  piece->run->Finish(transfer);
}

void TransferRun::Finish(libusb_transfer* transfer) {
  std::lock_guard guard(lock_);
  auto* piece = static_cast<Piece*>(transfer->user_data);
  piece->status = transfer->status;
  piece->actual = static_cast<uint32_t>(std::max(transfer->actual_length, 0));
  bytesInFlight_ -= piece->length;
  inFlight_.erase(std::find(inFlight_.begin(), inFlight_.end(), transfer));
  libusb_free_transfer(transfer);
  // A short or failed piece ends the run: what was queued after it is moot.
  if (piece->status != LIBUSB_TRANSFER_COMPLETED || piece->actual < piece->length) {
    stop_ = true;
    CancelAllLocked();
  }
  changed_.notify_all();
}

bool TransferRun::SubmitLocked(unsigned char* data, size_t index) {
  libusb_transfer* transfer = libusb_alloc_transfer(0);
  if (transfer == nullptr) return false;
  Piece& piece = pieces_[index];
  libusb_fill_bulk_transfer(transfer, device_, plan_.endpoint, data,
                            static_cast<int>(piece.length), &TransferRun::OnDone, &piece,
                            plan_.timeoutMs);
  if (libusb_submit_transfer(transfer) != 0) {
    libusb_free_transfer(transfer);
    return false;
  }
  inFlight_.push_back(transfer);
  bytesInFlight_ += piece.length;
  return true;
}

TransferResult TransferRun::Run(unsigned char* data, uint32_t size, uint32_t* done) {
  *done = 0;
  if (size == 0) return TransferResult::Complete;
  const size_t count = (uint64_t{size} + plan_.pieceSize - 1) / plan_.pieceSize;
  std::unique_lock guard(lock_);
  // Reserved up front: the completion callback keeps pointers into it.
  pieces_.assign(count, Piece{});
  for (size_t i = 0; i < count; ++i) {
    pieces_[i].run = this;
    pieces_[i].length =
        static_cast<uint32_t>(std::min<uint64_t>(plan_.pieceSize, size - i * plan_.pieceSize));
  }
  bool submitFailed = false;
  for (size_t next = 0; next < count || !inFlight_.empty();) {
    while (!stop_ && next < count &&
           (inFlight_.empty() || bytesInFlight_ + pieces_[next].length <= plan_.windowSize)) {
      if (!SubmitLocked(data + uint64_t{next} * plan_.pieceSize, next)) {
        submitFailed = true;
        stop_ = true;
        CancelAllLocked();
        break;
      }
      ++next;
    }
    if (stop_) next = count;  // nothing more goes out
    if (inFlight_.empty()) break;
    if (!plan_.deadline || stop_) {
      changed_.wait(guard);  // stopping: only the cancellations are awaited
    } else if (changed_.wait_until(guard, *plan_.deadline) == std::cv_status::timeout && !stop_) {
      // Out of time: what is queued is cancelled and the run waits for the
      // cancellations to come back before it fails.
      timedOut_ = cancelled_ = stop_ = true;
      CancelAllLocked();
    }
  }
  // Pieces complete in order on one endpoint; count the bytes up to the first
  // piece that did not complete in full.
  for (const Piece& piece : pieces_) {
    if (piece.status != LIBUSB_TRANSFER_COMPLETED) break;
    *done += piece.actual;
    if (piece.actual < piece.length) return cancelled_ ? TransferResult::Failed : TransferResult::Short;
  }
  if (cancelled_ || submitFailed || *done < size) return TransferResult::Failed;
  return TransferResult::Complete;
}

}  // namespace platform::usbhost
