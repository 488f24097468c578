#pragma once
// The image readout: GetImageHelper picks the protocol of the camera's
// generation; the protocols share the work buffers, the exposure encodings
// and the chunked read declared here.
#include <cstdint>

#include "driver/transport/protocol.h"

namespace tQusb {

class CCamera;

// Windows are signed where the protocols compare them.
struct TImageWindow {
  int32_t X, Y, Width, Height;
};

// Exposure time below 0: read the exposure that already took place.
bool GetImageHelper(CCamera& camera, double exposure, bool shutter, bool eightBit,
                    const TImageWindow& window, uint32_t bufferSize, void* buffer);
bool GetImage1(CCamera& camera, double exposure, const TImageWindow& window, uint32_t bufferSize,
               void* buffer);
bool GetImage2(CCamera& camera, double exposure, bool shutter, const TImageWindow& window,
               uint32_t bufferSize, void* buffer);
bool GetImage3(CCamera& camera, double exposure, bool shutter, bool eightBit,
               const TImageWindow& window, uint32_t bufferSize, void* buffer);
bool GetImage4(CCamera& camera, double exposure, bool shutter, const TImageWindow& window,
               uint32_t bufferSize, void* buffer);

// The window fitting of AdjustSubFrame for generations 2 to 5 that read
// windows: aligned to the camera's step, widened to its minimum and kept on
// the sensor (W x H). The arithmetic wraps and compares as signed 32-bit.
TImageWindow FitSubFrame(uint32_t cameraKind, uint32_t readMode, uint32_t sensorWidth,
                         uint32_t sensorHeight, const TImageWindow& window);

namespace readout {

// Exposure counts: n(v) = v + 0.5 truncated. Generation 0 in 1/8000 s and
// generation 1 in milliseconds, both limited to 65535; generations 2 to 5 in
// 1/8000 s on 32 bits, where all bits set is sent as 0xFFFFFFFE (and counts
// beyond 32 bits are limited to that as well).
uint16_t ExposureG0(double seconds);
uint16_t ExposureG1(double seconds);
uint32_t ExposureG2(double seconds);

// A work buffer that only grows: reallocated to `size` bytes when smaller,
// else reused with its contents. Sizes beyond 32 bits cannot be held: false.
// When the memory cannot be had, the buffer stays as it was and the call
// fails as a transfer does (debug line, camera disconnected; the caller's
// size error text follows): a device that asks for an absurd frame must not
// end the host process.
bool Grow(CCamera& camera, void** buffer, uint32_t* bufferSize, uint64_t size);

enum class TRead { Complete, Short, Failed };

// Reads `size` bytes from the image pipe: while more than SingleReadLimit
// bytes remain, exactly that many per call, then the rest in one call. A failed
// call writes `loopFail` (inside the loop) or `lastFail` (the last call) and
// disconnects; a call that delivers fewer bytes than asked ends the reading.
TRead ChunkedRead(CCamera& camera, void* data, uint64_t size, const char* loopFail,
                  const char* lastFail);

inline constexpr const char* kTextBufferTooSmall = "Buffer too small";
inline constexpr const char* kTextInvalidSize = "Invalid image size required";
inline constexpr const char* kTextNoSubFrames = "Sub-frames not supported";
inline constexpr const char* kTextNo8Bit = "Cannot return 8bit image in selected read mode";
inline constexpr const char* kTextLessPixels = "Camera returned less pixels";
inline constexpr const char* kTextInvalidBinning = "Invalid binning";

}  // namespace readout
}  // namespace tQusb
