#include <gtest/gtest.h>

#include <climits>

#include "tqusb/containers/vcom.h"

namespace {

using vcom::CRect;

CRect R(int x, int y, int w, int h) {
  CRect r;
  r.Init(x, y, w, h);
  return r;
}

::testing::AssertionResult Same(const CRect& got, const CRect& want) {
  if (got.Equals(&want)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got (" << got.x << "," << got.y << "," << got.width << "," << got.height << ")";
}

// a and b, then: Intersect, a.Contains(b), a AND b, a OR b.
struct SetCase {
  CRect a, b;
  bool intersect, contains;
  CRect andRect, orRect;
};

TEST(Rect, SetOperations) {
  const SetCase cases[] = {
      {R(0, 0, 10, 10), R(5, 5, 10, 10), true, false, R(5, 5, 5, 5), R(0, 0, 15, 15)},
      {R(0, 0, 10, 10), R(20, 0, 5, 5), false, false, R(20, 0, 0, 5), R(0, 0, 25, 10)},
      {R(0, 0, 10, 10), R(10, 0, 5, 10), false, false, R(10, 0, 0, 10), R(0, 0, 15, 10)},
      {R(0, 0, 10, 10), R(2, 3, 4, 5), true, true, R(2, 3, 4, 5), R(0, 0, 10, 10)},
      {R(0, 0, 10, 10), R(0, 0, 10, 10), true, true, R(0, 0, 10, 10), R(0, 0, 10, 10)},
      {R(0, 0, 10, 10), R(5, 5, 0, 0), false, true, R(5, 5, 0, 0), R(0, 0, 10, 10)},
      {R(0, 0, 10, 10), R(5, 5, -3, -3), false, true, R(5, 5, 0, 0), R(0, 0, 10, 10)},
      {R(10, 10, -5, -5), R(0, 0, 20, 20), false, false, R(10, 10, 0, 0), R(0, 0, 20, 20)},
      // Edges beyond the 32-bit range: the intersection is clipped to 0, the
      // bounding width wraps instead of overflowing.
      {R(INT_MAX - 1, 0, 10, 10), R(0, 0, 1, 1), false, false, R(INT_MAX - 1, 0, 0, 1),
       R(0, 0, -2147483640, 10)},
  };
  for (const SetCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "a.x=" << c.a.x << " b=" << c.b.x << "," << c.b.y << ","
                                    << c.b.width << "," << c.b.height);
    EXPECT_EQ(c.a.Intersect(&c.b), c.intersect);
    EXPECT_EQ(c.b.Intersect(&c.a), c.intersect);
    EXPECT_EQ(c.a.Contains(&c.b), c.contains);
    CRect r = c.a;
    r.AndRect(&c.b);
    EXPECT_TRUE(Same(r, c.andRect));
    EXPECT_EQ(r.Empty(), !c.intersect);
    r = c.a;
    r.OrRect(&c.b);
    EXPECT_TRUE(Same(r, c.orRect));
  }
  CRect r = R(1, 2, 3, 4);
  r.AndRect(nullptr);
  EXPECT_FALSE(r.Contains(nullptr) || r.Intersect(nullptr) || r.Equals(nullptr));
  EXPECT_TRUE(Same(r, R(1, 2, 3, 4)));
}

TEST(Rect, MovesZoomsAndPoints) {
  struct {
    void (CRect::*op)(int, int);
    int dx, dy;
    CRect want;
  } const cases[] = {
      {&CRect::Move, 3, -4, R(13, 16, 30, 40)},        {&CRect::ZoomTL, 2, 3, R(8, 17, 32, 43)},
      {&CRect::ZoomTR, 2, 3, R(10, 17, 32, 43)},       {&CRect::ZoomBL, 2, 3, R(8, 20, 32, 43)},
      {&CRect::ZoomBR, 2, 3, R(10, 20, 32, 43)},       {&CRect::ZoomCenter, 3, 3, R(9, 19, 33, 43)},
      {&CRect::ZoomCenter, -3, -5, R(11, 22, 27, 35)}, {&CRect::ZoomBR, -30, 0, R(10, 20, 0, 40)},
  };
  for (const auto& c : cases) {
    CRect r = R(10, 20, 30, 40);
    (r.*c.op)(c.dx, c.dy);
    EXPECT_TRUE(Same(r, c.want)) << c.dx << "," << c.dy;
  }
  const CRect base = R(10, 20, 30, 40);
  const struct {
    vcom::TPoint p;
    bool in;
  } points[] = {
      {{10, 20}, true}, {{39, 59}, true}, {{40, 20}, false}, {{10, 60}, false}, {{9, 20}, false}};
  for (const auto& p : points) EXPECT_EQ(base.InRect(p.p), p.in) << p.p.x << "," << p.p.y;
  EXPECT_FALSE(R(0, 0, 5, -5).InRect({1, -1}));

  CRect dpi = base;
  dpi.AdjustRectToDPI();  // 96 DPI: unchanged
  EXPECT_TRUE(Same(dpi, base));
}

TEST(RectF, FollowsAnIntegerRectangle) {
  vcom::CRectF f;
  EXPECT_EQ(f.Empty(), 1);
  const CRect a = R(1, 2, 3, 4);
  f.LoadRect(&a);
  EXPECT_EQ(f.SizeChanged(), 1);
  EXPECT_EQ(f.SizeChanged(), 0);
  const CRect moved = R(5, 6, 3, 4);
  f.LoadRect(&moved);
  EXPECT_EQ(f.SizeChanged(), 0);
  f.ZoomCenter(3, 1);
  EXPECT_FLOAT_EQ(f.x, 3.5f);
  EXPECT_FLOAT_EQ(f.width, 6.0f);
  vcom::CRectF g;
  g.Init(4, 6, 10, 0.5f);
  EXPECT_EQ(g.Empty(), 0);
  EXPECT_EQ(f.Intersect(&g), 1);
  g.AndRect(&f);
  EXPECT_FLOAT_EQ(g.width, 5.5f);
  EXPECT_EQ(g.InRect({9.4f, 6.2f}), 1);
  EXPECT_EQ(g.InRect({9.5f, 6.2f}), 0);
}

}  // namespace
