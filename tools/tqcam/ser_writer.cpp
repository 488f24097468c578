#include "ser_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>

#include "failure.h"

namespace tqcam {

namespace {

// 0001-01-01 to 1970-01-01 in 100 ns units.
constexpr int64_t kUnixEpochTicks = 621355968000000000;
constexpr int64_t kTicksPerSecond = 10000000;
constexpr size_t kCountOffset = 38;

void Put32(uint8_t* at, uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

void Put64(uint8_t* at, uint64_t v) {
  for (int i = 0; i < 8; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutText(uint8_t* at, const std::string& text) {
  std::memcpy(at, text.data(), std::min(text.size(), kSerTextSize));
}

std::array<uint8_t, kSerHeaderSize> HeaderBytes(const SerHeader& h) {
  std::array<uint8_t, kSerHeaderSize> b{};
  std::memcpy(b.data(), "LUCAM-RECORDER", 14);
  Put32(&b[14], 0);  // recorder id: none
  Put32(&b[18], 0);  // colour: monochrome
  // The byte-order word: early writers of the layout set it the other way
  // round from its name, so the readers in use take 0 for little-endian (or
  // ignore the word and assume little-endian). 0 therefore tells every
  // common reader what the pixels are: little-endian.
  Put32(&b[22], 0);
  Put32(&b[26], h.width);
  Put32(&b[30], h.height);
  Put32(&b[34], static_cast<uint32_t>(h.bitDepth));
  Put32(&b[kCountOffset], 0);
  PutText(&b[42], h.observer);
  PutText(&b[82], h.instrument);
  PutText(&b[122], h.telescope);
  Put64(&b[162], static_cast<uint64_t>(h.localTicks));
  Put64(&b[170], static_cast<uint64_t>(h.utcTicks));
  return b;
}

}  // namespace

using Ticks = std::chrono::duration<int64_t, std::ratio<1, kTicksPerSecond>>;

int64_t SerTicks(std::chrono::system_clock::time_point t) {
  return kUnixEpochTicks + std::chrono::duration_cast<Ticks>(t.time_since_epoch()).count();
}

int64_t SerTicks(int year, int month, int day, unsigned hour, unsigned minute, double second) {
  using namespace std::chrono;
  const sys_days date{std::chrono::year{year} / month / day};
  const auto start = date.time_since_epoch() + hours{hour} + minutes{minute};
  return kUnixEpochTicks + duration_cast<Ticks>(start).count() +
         std::llround(second * kTicksPerSecond);
}

int64_t SerLocalTicks(std::chrono::system_clock::time_point t) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm local{};
  localtime_r(&seconds, &local);
  return SerTicks(t) + static_cast<int64_t>(local.tm_gmtoff) * kTicksPerSecond;
}

SerFile::SerFile(std::string path, bool overwrite, const SerHeader& header, size_t frames)
    : path_(std::move(path)),
      frameBytes_(size_t{header.width} * header.height * (header.bitDepth == 8 ? 1 : 2)),
      wide_(header.bitDepth != 8) {
  const int how = O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (overwrite ? O_TRUNC : O_EXCL);
  fd_ = open(path_.c_str(), how, 0666);
  if (fd_ < 0) {
    if (errno == EEXIST)
      throw Failure(path_ + ": the file exists (--overwrite replaces it)", kUsageStatus);
    throw Failure(path_ + ": cannot create the file: " + std::strerror(errno));
  }
  // The time stamps of a recording of known length need no growing.
  stamps_.reserve(frames ? frames : 4096);
  const auto bytes = HeaderBytes(header);
  try {
    WriteAll(bytes.data(), bytes.size());
  } catch (const Failure&) {
    Remove();  // not even a header: nothing a reader could open
    throw;
  }
}

SerFile::~SerFile() {
  if (fd_ >= 0) close(fd_);
}

void SerFile::Fail(const std::string& what, int error) {
  throw Failure(path_ + ": " + what + ": " + std::strerror(error));
}

void SerFile::WriteAll(const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = write(fd_, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("cannot write", n < 0 ? errno : ENOSPC);
    bytes += n;
    size -= static_cast<size_t>(n);
  }
}

void SerFile::Append(uint8_t* pixels, int64_t utcTicks) {
  if constexpr (std::endian::native == std::endian::big) {
    if (wide_)
      for (size_t i = 0; i + 1 < frameBytes_; i += 2) std::swap(pixels[i], pixels[i + 1]);
  }
  try {
    WriteAll(pixels, frameBytes_);
  } catch (const Failure& failure) {
    // The frames before stay whole; the next write goes where this began.
    const off_t end = static_cast<off_t>(kSerHeaderSize + stamps_.size() * frameBytes_);
    if (ftruncate(fd_, end) == 0 && lseek(fd_, end, SEEK_SET) == end) throw;
    throw Failure(std::string(failure.what()) + "; a part of the frame stays at the file's end");
  }
  stamps_.push_back(utcTicks);
}

void SerFile::UpdateCount() {
  uint8_t count[4];
  Put32(count, Frames());
  if (pwrite(fd_, count, sizeof count, kCountOffset) != static_cast<ssize_t>(sizeof count))
    Fail("cannot write the frame count", errno);
}

bool SerFile::Finish() {
  std::vector<uint8_t> trailer(stamps_.size() * 8);
  for (size_t i = 0; i < stamps_.size(); ++i)
    Put64(&trailer[i * 8], static_cast<uint64_t>(stamps_[i]));
  bool stamped = true;
  try {
    WriteAll(trailer.data(), trailer.size());
  } catch (const Failure&) {
    stamped = false;
    const off_t end = static_cast<off_t>(kSerHeaderSize + stamps_.size() * frameBytes_);
    if (ftruncate(fd_, end) != 0) Fail("cannot cut off the unfinished trailer", errno);
  }
  UpdateCount();
  // A special file (-o /dev/null to time the camera alone) has nothing to flush.
  if (fsync(fd_) != 0 && errno != EINVAL) Fail("cannot write", errno);
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) Fail("cannot write", errno);
  return stamped;
}

void SerFile::Remove() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  unlink(path_.c_str());
}

}  // namespace tqcam
