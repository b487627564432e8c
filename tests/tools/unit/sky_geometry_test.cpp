#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "dialogs/tools/SkyGeometry.h"

using tools::IntRect;
using tools::MakeSkyLayout;
using tools::PointToAngles;
using tools::SkyLayout;

namespace {

// A frame like the page's at 8-point dialog units: even inner width, odd-making both spans.
const IntRect kFrame{3, 6, 147, 162};

// Page client point of a position given relative to the frame's top-left corner.
int PageX(const SkyLayout& s, int x) { return s.frame.left + x; }
int PageY(const SkyLayout& s, int y) { return s.frame.top + y; }

}  // namespace

TEST(SkyLayout, SpansAreOddAndCentred) {
  // Inner width 124 (even) grows by one, inner height 136 (even) by one.
  SkyLayout s = MakeSkyLayout(kFrame);
  EXPECT_EQ(s.dx, 125);
  EXPECT_EQ(s.dy, 137);
  EXPECT_EQ(s.centerX, 62 + 10);
  EXPECT_EQ(s.centerY, 68 + 10);
  EXPECT_EQ(s.sphere.left, 13);
  EXPECT_EQ(s.sphere.right, 13 + 125);
  EXPECT_DOUBLE_EQ(s.pixelsPerDegreeX, 125 / 181.0);

  // An odd inner span grows by two.
  SkyLayout odd = MakeSkyLayout({0, 0, 41, 40});
  EXPECT_EQ(odd.dx, 23);  // 21 -> 23
  EXPECT_EQ(odd.dy, 21);  // 20 -> 21
}

TEST(SkyLayout, BitmapRowsAreWholeWords) {
  for (int w : {100, 101, 102, 103, 104}) {
    SkyLayout s = MakeSkyLayout({5, 5, 5 + w, 70});
    EXPECT_EQ(s.bitmapWidth % 4, 0) << w;
    EXPECT_GE(s.bitmapWidth, w);
    EXPECT_LT(s.bitmapWidth, w + 4);
    EXPECT_EQ(s.rowBytes % 4, 0);
    EXPECT_EQ(s.rowBytes, 3 * s.bitmapWidth);
    EXPECT_EQ(s.bitmapHeight, 65);
  }
  // A collapsed frame still yields a usable bitmap and no division by zero.
  SkyLayout empty = MakeSkyLayout({10, 10, 10, 10});
  EXPECT_GE(empty.bitmapWidth, 1);
  EXPECT_GE(empty.bitmapHeight, 1);
  EXPECT_NE(empty.pixelsPerDegreeX, 0.0);
  tools::SkyAngles a = PointToAngles(empty, 0, 0, 0);
  EXPECT_GE(a.azimuth, 0);
  EXPECT_LE(a.azimuth, 360);
  EXPECT_LE(a.elevation, 90);
}

TEST(SkyAngles, CardinalDirections) {
  SkyLayout s = MakeSkyLayout(kFrame);
  const int cx = PageX(s, s.centerX), cy = PageY(s, s.centerY);
  EXPECT_EQ(PointToAngles(s, cx + 20, cy, 0).azimuth, 0);
  EXPECT_EQ(PointToAngles(s, cx, cy - 20, 0).azimuth, 90);
  EXPECT_EQ(PointToAngles(s, cx - 20, cy, 0).azimuth, 180);
  EXPECT_EQ(PointToAngles(s, cx, cy + 20, 0).azimuth, 270);
  // Just below the horizontal on the right wraps to 360, not 0 or 359.
  EXPECT_EQ(PointToAngles(s, cx + 60, cy + 1, 0).azimuth, 360);
  // Diagonals land in the right quadrant.
  EXPECT_NEAR(PointToAngles(s, cx + 30, cy - 30, 0).azimuth, 45, 5);
  EXPECT_NEAR(PointToAngles(s, cx - 30, cy + 30, 0).azimuth, 225, 5);
}

TEST(SkyAngles, ElevationGrowsToNinetyAtTheRingAndStaysThere) {
  SkyLayout s = MakeSkyLayout(kFrame);
  const int cx = PageX(s, s.centerX), cy = PageY(s, s.centerY);
  int last = -1;
  for (int d = 0; d <= s.dx / 2; ++d) {
    int e = PointToAngles(s, cx + d, cy, 0).elevation;
    EXPECT_GE(e, last) << d;
    last = e;
  }
  // The ring's own pixel is at 89.x degrees; the first pixel past it reads 90.
  EXPECT_GE(PointToAngles(s, cx + s.dx / 2, cy, 0).elevation, 89);
  EXPECT_EQ(PointToAngles(s, cx + s.dx / 2 + 1, cy, 0).elevation, 90);
  EXPECT_LT(PointToAngles(s, cx + s.dx / 2 - 2, cy, 0).elevation, 90);
  // Corners of the frame are outside the ring: elevation held at 90.
  EXPECT_EQ(PointToAngles(s, s.frame.left, s.frame.top, 0).elevation, 90);
  EXPECT_EQ(PointToAngles(s, s.frame.right, s.frame.bottom, 0).elevation, 90);
  const int cornerAz = PointToAngles(s, s.frame.right, s.frame.bottom, 0).azimuth;
  EXPECT_GT(cornerAz, 270);
  EXPECT_LT(cornerAz, 360);
  // Far outside the frame (a drag across the screen): still 90, and no overflow.
  for (int far : {5000, -5000, INT_MAX / 2, INT_MIN / 2}) {
    tools::SkyAngles a = PointToAngles(s, far, far, 0);
    EXPECT_EQ(a.elevation, 90) << far;
    EXPECT_GE(a.azimuth, 0);
    EXPECT_LE(a.azimuth, 360);
  }
}

TEST(SkyAngles, CentreKeepsTheGivenAzimuth) {
  SkyLayout s = MakeSkyLayout(kFrame);
  const int cx = PageX(s, s.centerX), cy = PageY(s, s.centerY);
  tools::SkyAngles a = PointToAngles(s, cx, cy, 123);
  EXPECT_EQ(a.azimuth, 123);
  EXPECT_EQ(a.elevation, 0);
  EXPECT_EQ(PointToAngles(s, cx, cy, 999).azimuth, 360);
}

TEST(SkyMarker, PositionsOnCentreAndRing) {
  SkyLayout s = MakeSkyLayout(kFrame);
  int x = -1, y = -1;
  tools::MarkerPosition(s, 0, 0, x, y);
  EXPECT_EQ(x, s.centerX);
  EXPECT_EQ(y, s.centerY);
  tools::MarkerPosition(s, 0, 90, x, y);  // right, on the outer ring
  EXPECT_NEAR(x, tools::kSkyMargin + s.dx - 1, 1);
  EXPECT_EQ(y, s.centerY);
  tools::MarkerPosition(s, 90, 90, x, y);  // up: y decreases
  EXPECT_EQ(x, s.centerX);
  EXPECT_NEAR(y, tools::kSkyMargin, 1);
  tools::MarkerPosition(s, 270, 45, x, y);  // down, half way
  EXPECT_EQ(x, s.centerX);
  EXPECT_NEAR(y, s.centerY + s.dy / 4, 1);
}

// Marker placement and point picking must agree: picking the marker's own position gives back
// (about) the angles it was drawn for. Catches a sign or axis swap in either direction.
TEST(SkyMarker, PickingTheMarkerGivesItsAngles) {
  SkyLayout s = MakeSkyLayout(kFrame);
  for (int az = 0; az < 360; az += 15) {
    for (int el = 30; el <= 90; el += 20) {
      int x = 0, y = 0;
      tools::MarkerPosition(s, az, el, x, y);
      tools::SkyAngles a = PointToAngles(s, PageX(s, x), PageY(s, y), 0);
      int dAz = std::abs(a.azimuth - az);
      if (dAz > 180) dAz = 360 - dAz;
      EXPECT_LE(dAz, 4) << az << " " << el;
      EXPECT_NEAR(a.elevation, el, 2) << az << " " << el;
    }
  }
}

TEST(SkyRings, InsetByThirtyDegreeSteps) {
  SkyLayout s = MakeSkyLayout(kFrame);
  IntRect outer = tools::RingBox(s, 90);
  EXPECT_EQ(outer.left, 10);
  EXPECT_EQ(outer.top, 10);
  EXPECT_EQ(outer.right, 10 + s.dx);
  EXPECT_EQ(outer.bottom, 10 + s.dy);
  IntRect r60 = tools::RingBox(s, 60);
  const int a = static_cast<int>(30 * s.pixelsPerDegreeX), b = static_cast<int>(30 * s.pixelsPerDegreeY);
  EXPECT_EQ(r60.left, 10 + a);
  EXPECT_EQ(r60.top, 10 + b);
  EXPECT_EQ(r60.right, 10 + s.dx - a);
  EXPECT_EQ(r60.bottom, 10 + s.dy - b);
  IntRect r30 = tools::RingBox(s, 30);
  EXPECT_GT(r30.left, r60.left);
  EXPECT_LT(r30.right, r60.right);
  // The smallest ring still surrounds the centre.
  EXPECT_LT(r30.left, s.centerX);
  EXPECT_GT(r30.right, s.centerX);
}
