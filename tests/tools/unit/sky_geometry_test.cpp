#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <tuple>
#include <utility>

#include "dialogs/tools/SkyGeometry.h"

using namespace tools;

namespace {

// A frame like the page's at 8-point dialog units (inner spans 124 x 136, both even).
const SkyLayout kSky = MakeSkyLayout({3, 6, 147, 162});
const int kCx = kSky.frame.left + kSky.centerX, kCy = kSky.frame.top + kSky.centerY;

}  // namespace

// Spans are made odd (an even inner span grows by one, an odd one by two) so the sky has a centre
// pixel; bitmap rows are whole words; a collapsed frame still gives a usable layout.
TEST(SkyLayout, SpansAreOddCentredAndRowsWholeWords) {
  const struct { IntRect frame; int dx, dy; } rows[] = {{kSky.frame, 125, 137}, {{0, 0, 41, 40}, 23, 21}};
  for (const auto& r : rows) {
    const SkyLayout s = MakeSkyLayout(r.frame);
    EXPECT_EQ(std::make_tuple(s.dx, s.dy, s.centerX, s.centerY), std::make_tuple(r.dx, r.dy, kSkyMargin + r.dx / 2, kSkyMargin + r.dy / 2));
  }
  for (int w : {100, 101, 102, 103}) {
    const SkyLayout s = MakeSkyLayout({5, 5, 5 + w, 70});
    EXPECT_TRUE(s.bitmapWidth % 4 == 0 && s.bitmapWidth >= w && s.bitmapWidth < w + 4) << w;
    EXPECT_EQ(s.rowBytes, 3 * s.bitmapWidth);
    EXPECT_EQ(s.bitmapHeight, 65);
  }
  const SkyLayout empty = MakeSkyLayout({10, 10, 10, 10});
  EXPECT_TRUE(empty.bitmapWidth >= 1 && empty.bitmapHeight >= 1);
  const SkyAngles a = PointToAngles(empty, 0, 0, 0);
  EXPECT_TRUE(a.azimuth >= 0 && a.azimuth <= 360 && a.elevation <= 90);
}

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
  const int cornerAz = PointToAngles(kSky, kSky.frame.right, kSky.frame.bottom, 0).azimuth;
  EXPECT_TRUE(cornerAz > 270 && cornerAz < 360) << cornerAz;
  for (int far : {kSky.frame.right, 5000, -5000, INT_MAX / 2, INT_MIN / 2}) {
    const SkyAngles a = PointToAngles(kSky, far, far, 0);
    EXPECT_EQ(a.elevation, 90) << far;
    EXPECT_TRUE(a.azimuth >= 0 && a.azimuth <= 360) << far;
  }
}

// Marker placement, the rings and point picking must agree: picking the marker's own position gives
// back (about) the angles it was drawn for, and a ring's box edges read its elevation. Catches a
// sign or axis swap in either direction.
TEST(SkyMarker, MarkerRingsAndPickingAgree) {
  int x = -1, y = -1;
  MarkerPosition(kSky, 0, 0, x, y);
  EXPECT_EQ(std::make_pair(x, y), std::make_pair(kSky.centerX, kSky.centerY));
  for (int az = 0; az < 360; az += 15)
    for (int el = 30; el <= 90; el += 20) {
      MarkerPosition(kSky, az, el, x, y);
      const SkyAngles a = PointToAngles(kSky, kSky.frame.left + x, kSky.frame.top + y, 0);
      const int dAz = std::abs(a.azimuth - az);
      EXPECT_LE(std::min(dAz, 360 - dAz), 4) << az << " " << el;
      EXPECT_NEAR(a.elevation, el, 2) << az << " " << el;
    }
  for (int el : {90, 60, 30}) {
    const IntRect r = RingBox(kSky, el);
    EXPECT_NEAR(PointToAngles(kSky, kSky.frame.left + r.right, kCy, 0).elevation, el, 2) << el;
    EXPECT_NEAR(PointToAngles(kSky, kSky.frame.left + r.left, kCy, 0).elevation, el, 2) << el;
    EXPECT_NEAR(PointToAngles(kSky, kCx, kSky.frame.top + r.top, 0).elevation, el, 2) << el;
    EXPECT_NEAR(PointToAngles(kSky, kCx, kSky.frame.top + r.bottom, 0).elevation, el, 2) << el;
  }
}
