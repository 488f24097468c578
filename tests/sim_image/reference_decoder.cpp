#include "sim_image/reference_decoder.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace simtest {

Image DecodeGen0(const std::vector<uint8_t>& b, int cols, int rows, bool two) {
  Image img(size_t(cols) * rows);
  size_t rowBytes = two ? 4 * cols + 8 : 2 * cols + 8;
  for (int i = 0; i < rows; ++i) {
    size_t r = size_t(rows - 1 - i) * rowBytes;
    for (int k = 0; k < cols; ++k) {
      int v;
      if (two) {
        int a = b[r + 9 + 4 * k] * 256 + b[r + 10 + 4 * k];
        int c = b[r + 11 + 4 * k] * 256 + b[r + 12 + 4 * k];
        v = (a + c) / 2;
      } else {
        v = b[r + 8 + 2 * k] * 256 + b[r + 9 + 2 * k];
      }
      img[size_t(i) * cols + k] = uint16_t(v);
    }
  }
  return img;
}

Image DecodeGen1(const std::vector<uint8_t>& b, int width, int height, Gen1Format format) {
  int samples = format == Gen1Format::TwoLE || format == Gen1Format::TwoBE ? 2
                : format == Gen1Format::ThreeLE                            ? 3
                                                                           : 1;
  bool big = format == Gen1Format::OneBE || format == Gen1Format::TwoBE;
  auto sample = [&](size_t pixel, int s) {
    size_t at = (pixel * samples + s) * 2;
    return big ? b[at] * 256 + b[at + 1] : b[at] + b[at + 1] * 256;
  };
  size_t n = size_t(width) * height;
  double means[3] = {0, 0, 0};
  if (samples == 3) {
    for (size_t p = 0; p < n; ++p)
      for (int s = 0; s < 3; ++s) means[s] += sample(p, s);
    for (double& m : means) m /= double(n);
  }
  int d1 = int(means[0] - means[1] + 0.5), d2 = int(means[0] - means[2] + 0.5);
  Image img(n);
  for (int i = 0; i < height; ++i) {
    for (int k = 0; k < width; ++k) {
      size_t p = size_t(i) * width + k;
      int v;
      if (samples == 1) {
        v = sample(p, 0);
      } else if (samples == 2) {
        v = (sample(p, 0) + sample(p, 1)) / 2;
      } else {
        int a = sample(p, 0);
        int bb = std::clamp(sample(p, 1) + d1, 0, 65535);
        int c = std::clamp(sample(p, 2) + d2, 0, 65535);
        v = std::max(std::min(a, bb), std::min(std::max(a, bb), c));
      }
      img[size_t(height - 1 - i) * width + k] = uint16_t(v);
    }
  }
  return img;
}

Image DecodeQuad(const std::vector<uint8_t>& b, int w, int h, std::array<int, 4> off, int cl) {
  Image img(size_t(w) * h);
  int hh = h / 2, half = w / 2;
  auto at = [&](int row, int col) -> uint16_t& { return img[size_t(row) * w + col]; };
  auto lim = [](int v) { return uint16_t(std::clamp(v, 0, 65535)); };
  for (int j = 0; j < hh; ++j) {
    for (int k = 0; k < half; ++k) {
      size_t g = (size_t(j) * half + k) * 8;
      int s[4];
      for (int q = 0; q < 4; ++q) s[q] = b[g + 2 * q] | (b[g + 2 * q + 1] << 8);
      at(j, w - 1 - k) = lim(s[0] + off[2]);
      at(h - 1 - j, w - 1 - k) = lim(s[1] + off[1]);
      at(h - 1 - j, k) = lim(s[2] + off[0]);
      at(j, k) = lim(s[3] + off[3]);
    }
  }
  for (int k = 0; k < w; ++k) at(hh - 1, k) = lim(at(hh - 1, k) + at(hh, k) - cl);
  for (int r = hh + 1; r < h; ++r)
    for (int k = 0; k < w; ++k) at(r - 1, k) = at(r, k);
  return img;
}

Image DecodeGen2(const std::vector<uint8_t>& b, int width, int height, bool eightBit) {
  Image img(size_t(width) * height);
  for (size_t p = 0; p < img.size(); ++p)
    img[p] = eightBit ? b[p] : uint16_t(b[2 * p] | (b[2 * p + 1] << 8));
  return img;
}

std::vector<uint8_t> Bytes(std::initializer_list<int> fields16, uint8_t opcode) {
  std::vector<uint8_t> out{opcode};
  for (int f : fields16) {
    out.push_back(uint8_t(f));
    out.push_back(uint8_t(f >> 8));
  }
  return out;
}

std::vector<uint8_t> Window(uint8_t opcode, int cs, int rs, int w, int h, uint32_t units,
                            bool shutter) {
  std::vector<uint8_t> r = Bytes({cs, rs, w, h}, opcode);
  r.insert(r.begin() + 1, shutter ? 1 : 0);
  if (opcode == 0x0A)
    for (int i = 0; i < 4; ++i) r.push_back(uint8_t(units >> (8 * i)));
  return r;
}

static std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> out(1);
  for (char c : text) {
    if (c == ',')
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

static uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24);
}

double DecodeGpsTime(const std::vector<uint8_t>& reply, double period) {
  std::vector<std::string> f = Fields(std::string(reply.begin() + 10, reply.begin() + 10 + reply[9]));
  double hms = std::stod(f[0]);
  int day = std::stoi(f[1]), month = std::stoi(f[2]), year = std::stoi(f[3]);
  auto leap = [](int y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); };
  int64_t days = day - 1;
  for (int y = 1970; y < year; ++y) days += leap(y) ? 366 : 365;
  const int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int m = 1; m < month; ++m) days += lengths[m - 1] + (m == 2 && leap(year));
  int h = int(hms / 10000), mi = int(hms / 100) % 100;
  double s = hms - h * 10000 - mi * 100;
  return days * 86400.0 + h * 3600 + mi * 60 + s + U32(reply, 5) + U32(reply, 1) * period;
}

}  // namespace simtest
