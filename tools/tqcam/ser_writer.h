// A video file in the SER layout: a 178-byte header, the frames one after
// the other (monochrome, 8 or 16 bits per pixel, 16-bit values
// little-endian), then a trailer of one UTC time stamp per frame.
//
// The file is written under its own name, not through a temporary file, so
// that a recording cut short stays readable: the header's frame count is
// rewritten by UpdateCount (the recorder does so every second) and by
// Finish, and a failed write is cut back to the last whole frame. A file
// without a trailer is valid; readers then have no time stamps.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tqcam {

struct SerHeader {
  uint32_t width = 0, height = 0;
  int bitDepth = 16;                            // 8 or 16
  std::string observer, instrument, telescope;  // at most kSerTextSize bytes each
  int64_t localTicks = 0, utcTicks = 0;         // start of the recording
};

inline constexpr size_t kSerHeaderSize = 178;
inline constexpr size_t kSerTextSize = 40;

// Time as the header and trailer store it: 100 ns units since 0001-01-01.
int64_t SerTicks(std::chrono::system_clock::time_point t);
int64_t SerTicks(int year, int month, int day, unsigned hour, unsigned minute, double second);
// The local time of t in the same units (t shifted by the zone's offset).
int64_t SerLocalTicks(std::chrono::system_clock::time_point t);

class SerFile {
 public:
  // Creates the file (an existing one only with `overwrite`; a symbolic link
  // is never followed) and writes the header with no frames. `frames` is
  // how many frames are expected, 0 when unknown.
  SerFile(std::string path, bool overwrite, const SerHeader& header, size_t frames);
  ~SerFile();
  SerFile(const SerFile&) = delete;
  SerFile& operator=(const SerFile&) = delete;

  size_t FrameBytes() const { return frameBytes_; }
  uint32_t Frames() const { return static_cast<uint32_t>(stamps_.size()); }

  // Appends one frame of host-order pixels (16-bit ones are put in
  // little-endian order in place). On failure the file is cut back to the
  // frames before and Failure names the cause.
  void Append(uint8_t* pixels, int64_t utcTicks);
  // Writes the number of frames appended into the header.
  void UpdateCount();
  // Writes the trailer and the frame count, flushes and closes. False when
  // the trailer found no room (the frames stay, without time stamps).
  bool Finish();
  // Removes the file (a recording that got no frame).
  void Remove();

 private:
  void WriteAll(const void* data, size_t size);
  [[noreturn]] void Fail(const std::string& what, int error);

  std::string path_;
  int fd_ = -1;
  size_t frameBytes_;
  bool wide_;
  std::vector<int64_t> stamps_;
};

}  // namespace tqcam
