#include "fits_writer.h"

#include <fitsio.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "failure.h"

namespace tqcam {

namespace {

[[noreturn]] void FitsFailure(const std::string& path, int status) {
  char text[FLEN_STATUS] = {};
  fits_get_errstatus(status, text);
  throw Failure(path + ": cannot write FITS: " + text);
}

void WriteKey(fitsfile* f, const FitsKeyword& key, int* status) {
  char* comment = const_cast<char*>(key.comment.c_str());
  char* name = const_cast<char*>(key.name.c_str());
  if (const auto* s = std::get_if<std::string>(&key.value)) {
    fits_update_key(f, TSTRING, name, const_cast<char*>(s->c_str()), comment, status);
  } else if (const auto* d = std::get_if<double>(&key.value)) {
    double v = *d;
    fits_update_key(f, TDOUBLE, name, &v, comment, status);
  } else if (const auto* l = std::get_if<long>(&key.value)) {
    long v = *l;
    fits_update_key(f, TLONG, name, &v, comment, status);
  } else {
    int v = std::get<bool>(key.value) ? 1 : 0;
    fits_update_key(f, TLOGICAL, name, &v, comment, status);
  }
}

}  // namespace

std::vector<uint8_t> FitsFileBytes(const std::string& what, const Frame& frame,
                                   const std::vector<FitsKeyword>& keys) {
  constexpr size_t kBlock = 2880;  // FITS files are made of blocks of this size
  int status = 0;
  size_t size = 16 * kBlock;
  void* memory = std::malloc(size);
  if (memory == nullptr) throw Failure(what + ": out of memory");
  fitsfile* f = nullptr;
  fits_create_memfile(&f, &memory, &size, 16 * kBlock, std::realloc, &status);
  if (status) {
    std::free(memory);
    FitsFailure(what, status);
  }
  std::unique_ptr<void, void (*)(void*)> owned(nullptr, std::free);

  long axes[2] = {static_cast<long>(frame.width), static_cast<long>(frame.height)};
  const LONGLONG count = static_cast<LONGLONG>(frame.pixels.size());
  if (frame.bitDepth == 8) {
    fits_create_img(f, BYTE_IMG, 2, axes, &status);
    std::vector<uint8_t> bytes(frame.pixels.begin(), frame.pixels.end());
    if (!status) fits_write_img(f, TBYTE, 1, count, bytes.data(), &status);
  } else {
    // USHORT_IMG is written as 16-bit signed with BZERO 32768.
    fits_create_img(f, USHORT_IMG, 2, axes, &status);
    if (!status)
      fits_write_img(f, TUSHORT, 1, count, const_cast<uint16_t*>(frame.pixels.data()), &status);
  }
  for (const FitsKeyword& key : keys) {
    if (status) break;
    WriteKey(f, key, &status);
  }
  LONGLONG headStart = 0, dataStart = 0, dataEnd = 0;
  if (!status) fits_get_hduaddrll(f, &headStart, &dataStart, &dataEnd, &status);
  const int written = status;
  status = 0;
  fits_close_file(f, &status);  // the memory stays the caller's
  owned.reset(memory);
  if (written) FitsFailure(what, written);
  if (status) FitsFailure(what, status);

  // The header's image size decides the length: the header blocks, then the
  // pixels padded to whole blocks.
  const size_t pixelBytes = frame.pixels.size() * (frame.bitDepth == 8 ? 1 : 2);
  const size_t length =
      static_cast<size_t>(dataStart) + (pixelBytes + kBlock - 1) / kBlock * kBlock;
  const size_t end = (static_cast<size_t>(dataEnd) + kBlock - 1) / kBlock * kBlock;
  if (end != length || size < length || dataStart % kBlock != 0)
    throw Failure(what + ": cfitsio made " + std::to_string(end) +
                  " bytes where the header asks for " + std::to_string(length));
  const auto* bytes = static_cast<const uint8_t*>(memory);
  return std::vector<uint8_t>(bytes, bytes + length);
}

}  // namespace tqcam
