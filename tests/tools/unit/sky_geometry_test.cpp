#include <gtest/gtest.h>

#include <climits>
#include <utility>

#include "dialogs/tools/SkyGeometry.h"

using namespace tools;

// A frame like the page's at 8-point dialog units (inner spans 124 x 136, both even).
const SkyLayout kSky = MakeSkyLayout({3, 6, 147, 162});
const int kCx = kSky.frame.left + kSky.centerX, kCy = kSky.frame.top + kSky.centerY;

// {offset from the centre, given azimuth} -> azimuth: counter-clockwise from the right with y up,
// just below the horizontal wrapping to 360, the centre keeping the given azimuth (clamped).
TEST(SkyAngles, DirectionsCentreAndElevationUpToNinety) {
  const struct { int dx, dy, given, azimuth, tolerance; } rows[] = {
      {20, 0, 0, 0, 0},    {0, -20, 0, 90, 0},  {-20, 0, 0, 180, 0}, {0, 20, 0, 270, 0},   {60, 1, 0, 360, 0},
      {30, -30, 0, 45, 5}, {-30, 30, 0, 225, 5}, {0, 0, 123, 123, 0}, {0, 0, 999, 360, 0}};
  for (const auto& r : rows)
    EXPECT_NEAR(PointToAngles(kSky, kCx + r.dx, kCy + r.dy, r.given).azimuth, r.azimuth, r.tolerance) << r.dx << "," << r.dy;
  // Elevation grows from 0 at the centre; the ring's own pixel is at 89.x degrees; the first pixel
  // past it reads 90, and so do the frame's corners and points far outside it (a drag across the
  // screen), without overflow.
  EXPECT_EQ(PointToAngles(kSky, kCx, kCy, 0).elevation, 0);
  const int ring = kSky.dx / 2;
  for (int d = 1, last = 0; d <= ring + 1; ++d) {
    const int e = PointToAngles(kSky, kCx + d, kCy, 0).elevation;
    EXPECT_GE(e, last) << d;
    EXPECT_EQ(e == 90, d > ring) << d << ": " << e;
    last = e;
  }
  EXPECT_GE(PointToAngles(kSky, kCx + ring, kCy, 0).elevation, 89);
  for (int far : {kSky.frame.right, 5000, -5000, INT_MAX / 2, INT_MIN / 2}) {
    const SkyAngles a = PointToAngles(kSky, far, far, 0);
    EXPECT_TRUE(a.elevation == 90 && a.azimuth >= 0 && a.azimuth <= 360) << far << ": " << a.elevation << "/" << a.azimuth;
  }
  // A collapsed frame still gives a usable layout.
  const SkyLayout empty = MakeSkyLayout({10, 10, 10, 10});
  const SkyAngles a = PointToAngles(empty, 0, 0, 0);
  EXPECT_TRUE(empty.bitmapWidth >= 1 && empty.bitmapHeight >= 1 && a.azimuth >= 0 && a.azimuth <= 360 && a.elevation <= 90);
  // The rings drawn and the picking agree: a ring's box edges read its elevation.
  for (int el : {90, 60, 30}) {
    const IntRect r = RingBox(kSky, el);
    const std::pair<int, int> edges[] = {{r.left, kSky.centerY}, {r.right, kSky.centerY}, {kSky.centerX, r.top}, {kSky.centerX, r.bottom}};
    for (const auto& [x, y] : edges)
      EXPECT_NEAR(PointToAngles(kSky, kSky.frame.left + x, kSky.frame.top + y, 0).elevation, el, 2) << el << " " << x << "," << y;
  }
}
