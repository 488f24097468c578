// The float rectangle: the integer rectangle's operations on floats, and a
// size-changed flag for views that follow an integer rectangle.
#include <algorithm>

#include "tqusb/containers/vcom.h"

namespace vcom {

namespace {

float Right(const CRectF& r) {
  return r.x + r.width;
}
float Bottom(const CRectF& r) {
  return r.y + r.height;
}

}  // namespace

void CRectF::Init(float nx, float ny, float w, float h) {
  x = nx;
  y = ny;
  width = w;
  height = h;
}

void CRectF::Clear() {
  Init(0, 0, 0, 0);
}

// Written as "not positive" so that a NaN size counts as empty too.
unsigned char CRectF::Empty() const {
  return !(width > 0) || !(height > 0);
}

unsigned char CRectF::Equals(const CRectF* o) const {
  return o != nullptr && x == o->x && y == o->y && width == o->width && height == o->height;
}

unsigned char CRectF::SameSize(const CRectF* o) const {
  return o != nullptr && width == o->width && height == o->height;
}

unsigned char CRectF::InRect(TPointF p) const {
  return x <= p.x && p.x < Right(*this) && y <= p.y && p.y < Bottom(*this);
}

unsigned char CRectF::Contains(const CRectF* o) const {
  return o != nullptr && o->x >= x && o->y >= y && Right(*o) <= Right(*this) &&
         Bottom(*o) <= Bottom(*this);
}

unsigned char CRectF::Intersect(const CRectF* o) const {
  return o != nullptr && std::max(x, o->x) < std::min(Right(*this), Right(*o)) &&
         std::max(y, o->y) < std::min(Bottom(*this), Bottom(*o));
}

void CRectF::AndRect(const CRectF* o) {
  if (o == nullptr) return;
  const float nx = std::max(x, o->x);
  const float ny = std::max(y, o->y);
  const float w = std::min(Right(*this), Right(*o)) - nx;
  const float h = std::min(Bottom(*this), Bottom(*o)) - ny;
  Init(nx, ny, std::max(w, 0.0f), std::max(h, 0.0f));
}

void CRectF::OrRect(const CRectF* o) {
  if (o == nullptr) return;
  const float nx = std::min(x, o->x);
  const float ny = std::min(y, o->y);
  const float w = std::max(Right(*this), Right(*o)) - nx;
  const float h = std::max(Bottom(*this), Bottom(*o)) - ny;
  Init(nx, ny, w, h);
}

void CRectF::Move(float dx, float dy) {
  x += dx;
  y += dy;
}

void CRectF::ZoomTL(float dx, float dy) {
  Move(-dx, -dy);
  ZoomBR(dx, dy);
}

void CRectF::ZoomTR(float dx, float dy) {
  y -= dy;
  ZoomBR(dx, dy);
}

void CRectF::ZoomBL(float dx, float dy) {
  x -= dx;
  ZoomBR(dx, dy);
}

void CRectF::ZoomBR(float dx, float dy) {
  width += dx;
  height += dy;
}

void CRectF::ZoomCenter(float dx, float dy) {
  Move(-dx / 2, -dy / 2);
  ZoomBR(dx, dy);
}

void CRectF::LoadRect(const CRect* r) {
  if (r == nullptr) return;
  const float w = static_cast<float>(r->width);
  const float h = static_cast<float>(r->height);
  if (w != width || h != height) sizeChanged = 1;
  Init(static_cast<float>(r->x), static_cast<float>(r->y), w, h);
}

unsigned char CRectF::SizeChanged() {
  const unsigned char changed = sizeChanged;
  sizeChanged = 0;
  return changed;
}

}  // namespace vcom
