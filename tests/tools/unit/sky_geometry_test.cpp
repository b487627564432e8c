#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "dialogs/tools/SkyGeometry.h"

using tools::IntRect;
using tools::MakeSkyLayout;
using tools::PointToAngles;
using tools::SkyLayout;

namespace {

// A frame like the page's at 8-point dialog units (inner spans 124 x 136, both even).
const IntRect kFrame{3, 6, 147, 162};

}  // namespace

// Spans are made odd (an even inner span grows by one, an odd one by two) so the sky has a centre
// pixel; bitmap rows are whole words; a collapsed frame still gives a usable layout.
TEST(SkyLayout, SpansAreOddCentredAndRowsWholeWords) {
  const struct { IntRect frame; int dx, dy; } rows[] = {{kFrame, 125, 137}, {{0, 0, 41, 40}, 23, 21}};
  for (const auto& r : rows) {
    const SkyLayout s = MakeSkyLayout(r.frame);
    EXPECT_EQ(s.dx, r.dx);
    EXPECT_EQ(s.dy, r.dy);
    EXPECT_EQ(s.centerX, tools::kSkyMargin + s.dx / 2);
    EXPECT_EQ(s.centerY, tools::kSkyMargin + s.dy / 2);
    EXPECT_DOUBLE_EQ(s.pixelsPerDegreeX, s.dx / 181.0);
  }
  for (int w : {100, 101, 102, 103, 104}) {
    const SkyLayout s = MakeSkyLayout({5, 5, 5 + w, 70});
    EXPECT_EQ(s.bitmapWidth % 4, 0) << w;
    EXPECT_TRUE(s.bitmapWidth >= w && s.bitmapWidth < w + 4) << w;
    EXPECT_EQ(s.rowBytes, 3 * s.bitmapWidth);
    EXPECT_EQ(s.bitmapHeight, 65);
  }
  const SkyLayout empty = MakeSkyLayout({10, 10, 10, 10});
  EXPECT_GE(empty.bitmapWidth, 1);
  EXPECT_GE(empty.bitmapHeight, 1);
  const tools::SkyAngles a = PointToAngles(empty, 0, 0, 0);
  EXPECT_TRUE(a.azimuth >= 0 && a.azimuth <= 360 && a.elevation <= 90);
}

// {offset from the centre, given azimuth} -> angles: counter-clockwise from the right with y up,
// just below the horizontal wrapping to 360, the centre keeping the given azimuth (clamped).
TEST(SkyAngles, DirectionsAndCentre) {
  const SkyLayout s = MakeSkyLayout(kFrame);
  const int cx = s.frame.left + s.centerX, cy = s.frame.top + s.centerY;
  const struct { int dx, dy, given, azimuth, tolerance; } rows[] = {
      {20, 0, 0, 0, 0},    {0, -20, 0, 90, 0},  {-20, 0, 0, 180, 0}, {0, 20, 0, 270, 0},   {60, 1, 0, 360, 0},
      {30, -30, 0, 45, 5}, {-30, 30, 0, 225, 5}, {0, 0, 123, 123, 0}, {0, 0, 999, 360, 0}};
  for (const auto& r : rows)
    EXPECT_NEAR(PointToAngles(s, cx + r.dx, cy + r.dy, r.given).azimuth, r.azimuth, r.tolerance) << r.dx << "," << r.dy;
  EXPECT_EQ(PointToAngles(s, cx, cy, 0).elevation, 0);
}

TEST(SkyAngles, ElevationGrowsToNinetyAtTheRingAndStaysThere) {
  const SkyLayout s = MakeSkyLayout(kFrame);
  const int cx = s.frame.left + s.centerX, cy = s.frame.top + s.centerY;
  int last = -1;
  for (int d = 0; d <= s.dx / 2; ++d) {
    const int e = PointToAngles(s, cx + d, cy, 0).elevation;
    EXPECT_GE(e, last) << d;
    last = e;
  }
  // The ring's own pixel is at 89.x degrees; the first pixel past it reads 90.
  EXPECT_GE(PointToAngles(s, cx + s.dx / 2, cy, 0).elevation, 89);
  EXPECT_EQ(PointToAngles(s, cx + s.dx / 2 + 1, cy, 0).elevation, 90);
  EXPECT_LT(PointToAngles(s, cx + s.dx / 2 - 2, cy, 0).elevation, 90);
  const int cornerAz = PointToAngles(s, s.frame.right, s.frame.bottom, 0).azimuth;
  EXPECT_TRUE(cornerAz > 270 && cornerAz < 360) << cornerAz;
  // Corners of the frame and points far outside it (a drag across the screen): held at 90, no overflow.
  for (int far : {s.frame.right, 5000, -5000, INT_MAX / 2, INT_MIN / 2}) {
    const tools::SkyAngles a = PointToAngles(s, far, far, 0);
    EXPECT_EQ(a.elevation, 90) << far;
    EXPECT_TRUE(a.azimuth >= 0 && a.azimuth <= 360) << far;
  }
}

// Marker placement and point picking must agree: picking the marker's own position gives back
// (about) the angles it was drawn for. Catches a sign or axis swap in either direction.
TEST(SkyMarker, CentreAndPickingTheMarkerGivesItsAngles) {
  const SkyLayout s = MakeSkyLayout(kFrame);
  int x = -1, y = -1;
  tools::MarkerPosition(s, 0, 0, x, y);
  EXPECT_EQ(x, s.centerX);
  EXPECT_EQ(y, s.centerY);
  for (int az = 0; az < 360; az += 15)
    for (int el = 30; el <= 90; el += 20) {
      tools::MarkerPosition(s, az, el, x, y);
      const tools::SkyAngles a = PointToAngles(s, s.frame.left + x, s.frame.top + y, 0);
      const int dAz = std::abs(a.azimuth - az);
      EXPECT_LE(std::min(dAz, 360 - dAz), 4) << az << " " << el;
      EXPECT_NEAR(a.elevation, el, 2) << az << " " << el;
    }
}

// Rings every 30 degrees, inset from the outer one by the whole pixels of the angle between them.
TEST(SkyRings, InsetByThirtyDegreeSteps) {
  const SkyLayout s = MakeSkyLayout(kFrame);
  for (int k = 0; k < 3; ++k) {
    const int a = static_cast<int>(30 * k * s.pixelsPerDegreeX), b = static_cast<int>(30 * k * s.pixelsPerDegreeY);
    const IntRect r = tools::RingBox(s, 90 - 30 * k);
    const IntRect want{tools::kSkyMargin + a, tools::kSkyMargin + b, tools::kSkyMargin + s.dx - a,
                       tools::kSkyMargin + s.dy - b};
    EXPECT_EQ(r.left, want.left) << k;
    EXPECT_EQ(r.top, want.top) << k;
    EXPECT_EQ(r.right, want.right) << k;
    EXPECT_EQ(r.bottom, want.bottom) << k;
  }
  // The smallest ring still surrounds the centre.
  EXPECT_LT(tools::RingBox(s, 30).left, s.centerX);
  EXPECT_GT(tools::RingBox(s, 30).right, s.centerX);
}
