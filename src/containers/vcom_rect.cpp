// The integer rectangle. Edges are computed in 64 bits and the results wrap to
// 32 bits, so no combination of fields overflows.
#include <algorithm>
#include <type_traits>

#include "platform/display.h"
#include "tqusb/containers/vcom.h"

namespace vcom {

// Stored and read as four 32-bit integers in declared order (the registry keeps
// a rectangle as 16 bytes).
static_assert(sizeof(CRect) == 16 && std::is_standard_layout_v<CRect>);

namespace {

using platform::DisplayDpi;
using platform::kBaseDpi;
using platform::TDisplayDpi;

long long Right(const CRect& r) {
  return static_cast<long long>(r.x) + r.width;
}
long long Bottom(const CRect& r) {
  return static_cast<long long>(r.y) + r.height;
}

// Conversion to int is modular since C++20.
int Wrap(long long v) {
  return static_cast<int>(v);
}

void Add(int& field, long long d) {
  field = Wrap(field + d);
}

int Scale(int v, int dpi) {
  return Wrap(static_cast<long long>(v) * dpi / kBaseDpi);
}

}  // namespace

void CRect::Init(int nx, int ny, int w, int h) {
  x = nx;
  y = ny;
  width = w;
  height = h;
}

void CRect::Clear() {
  Init(0, 0, 0, 0);
}

unsigned char CRect::Empty() const {
  return width < 1 || height < 1;
}

unsigned char CRect::Equals(const CRect* o) const {
  return o != nullptr && x == o->x && y == o->y && width == o->width && height == o->height;
}

unsigned char CRect::SameSize(const CRect* o) const {
  return o != nullptr && width == o->width && height == o->height;
}

unsigned char CRect::InRect(TPoint p) const {
  return x <= p.x && p.x < Right(*this) && y <= p.y && p.y < Bottom(*this);
}

unsigned char CRect::Contains(const CRect* o) const {
  return o != nullptr && o->x >= x && o->y >= y && Right(*o) <= Right(*this) &&
         Bottom(*o) <= Bottom(*this);
}

unsigned char CRect::Intersect(const CRect* o) const {
  return o != nullptr && std::max(x, o->x) < std::min(Right(*this), Right(*o)) &&
         std::max(y, o->y) < std::min(Bottom(*this), Bottom(*o));
}

void CRect::AndRect(const CRect* o) {
  if (o == nullptr) return;
  const int nx = std::max(x, o->x);
  const int ny = std::max(y, o->y);
  const long long w = std::min(Right(*this), Right(*o)) - nx;
  const long long h = std::min(Bottom(*this), Bottom(*o)) - ny;
  Init(nx, ny, Wrap(std::max(w, 0LL)), Wrap(std::max(h, 0LL)));
}

void CRect::OrRect(const CRect* o) {
  if (o == nullptr) return;
  const int nx = std::min(x, o->x);
  const int ny = std::min(y, o->y);
  const long long w = std::max(Right(*this), Right(*o)) - nx;
  const long long h = std::max(Bottom(*this), Bottom(*o)) - ny;
  Init(nx, ny, Wrap(w), Wrap(h));
}

void CRect::Move(int dx, int dy) {
  Add(x, dx);
  Add(y, dy);
}

void CRect::ZoomTL(int dx, int dy) {
  Add(x, -static_cast<long long>(dx));
  Add(y, -static_cast<long long>(dy));
  ZoomBR(dx, dy);
}

void CRect::ZoomTR(int dx, int dy) {
  Add(y, -static_cast<long long>(dy));
  ZoomBR(dx, dy);
}

void CRect::ZoomBL(int dx, int dy) {
  Add(x, -static_cast<long long>(dx));
  ZoomBR(dx, dy);
}

void CRect::ZoomBR(int dx, int dy) {
  Add(width, dx);
  Add(height, dy);
}

// Integer division truncates toward zero: growing by 3 moves the origin by 1.
void CRect::ZoomCenter(int dx, int dy) {
  Add(x, -static_cast<long long>(dx / 2));
  Add(y, -static_cast<long long>(dy / 2));
  ZoomBR(dx, dy);
}

void CRect::AdjustRectToDPI() {
  const TDisplayDpi dpi = DisplayDpi();
  x = Scale(x, dpi.x);
  width = Scale(width, dpi.x);
  y = Scale(y, dpi.y);
  height = Scale(height, dpi.y);
}

void CRect::AdjustWDToDPI(int* w, int* h) {
  const TDisplayDpi dpi = DisplayDpi();
  if (w != nullptr) *w = Scale(*w, dpi.x);
  if (h != nullptr) *h = Scale(*h, dpi.y);
}

}  // namespace vcom
