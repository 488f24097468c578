#include "fits_writer.h"

#include <fitsio.h>

#include <cstdint>
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

void WriteFits(const std::string& path, const Frame& frame, const std::vector<FitsKeyword>& keys) {
  int status = 0;
  fitsfile* raw = nullptr;
  // The leading "!" lets cfitsio replace the placeholder the caller made.
  fits_create_file(&raw, ("!" + path).c_str(), &status);
  if (status) FitsFailure(path, status);
  auto closer = [&status](fitsfile* f) {
    int ignored = 0;
    fits_close_file(f, status ? &ignored : &status);
  };
  std::unique_ptr<fitsfile, decltype(closer)> file(raw, closer);

  long axes[2] = {static_cast<long>(frame.width), static_cast<long>(frame.height)};
  const LONGLONG count = static_cast<LONGLONG>(frame.pixels.size());
  if (frame.bitDepth == 8) {
    fits_create_img(raw, BYTE_IMG, 2, axes, &status);
    std::vector<uint8_t> bytes(frame.pixels.begin(), frame.pixels.end());
    if (!status) fits_write_img(raw, TBYTE, 1, count, bytes.data(), &status);
  } else {
    // USHORT_IMG is written as 16-bit signed with BZERO 32768.
    fits_create_img(raw, USHORT_IMG, 2, axes, &status);
    if (!status)
      fits_write_img(raw, TUSHORT, 1, count, const_cast<uint16_t*>(frame.pixels.data()), &status);
  }
  for (const FitsKeyword& key : keys) {
    if (status) break;
    WriteKey(raw, key, &status);
  }
  if (status) FitsFailure(path, status);
  file.reset();
  if (status) FitsFailure(path, status);
}

}  // namespace tqcam
