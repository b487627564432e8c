#include <gtest/gtest.h>

#include "dialogs/palette/PaletteLogic.h"

using namespace lib3d::palette;

namespace {

// Strips 258 pixels wide: one level per pixel, L = 13.
Geometry unit_geometry() {
  const Rect swatch{12, 70, 48, 90};
  const Rect input{12, 30, 270, 48};
  const Rect strip{12, 150, 270, 168};
  return Geometry::from_placeholders(swatch, input, strip, {13, 31, 269, 47}, {13, 151, 269, 167});
}

}  // namespace

TEST(Geometry, BandsAndScaleFollowThePlaceholders) {
  const Geometry g = unit_geometry();
  EXPECT_DOUBLE_EQ(g.levelsPerPixel, 1.0);
  EXPECT_EQ(g.inputBand, (Rect{13, 49, 269, 56}));
  EXPECT_EQ(g.outputBand, (Rect{13, 169, 269, 176}));
  EXPECT_EQ(g.intervalBand, (Rect{13, 142, 269, 149}));
  EXPECT_EQ(g.marker_x(0), 13);
  EXPECT_EQ(g.marker_x(255), 268);
  EXPECT_EQ(g.value_at(13), 0);
  EXPECT_EQ(g.value_at(12), -1);
  EXPECT_EQ(g.value_at(-2000000000), -1000000);  // a captured drag far off the window stays in range

  // A narrower strip: 172 pixels inside the frame.
  const Geometry n = Geometry::from_placeholders({}, {0, 0, 174, 10}, {0, 40, 174, 50}, {}, {});
  EXPECT_DOUBLE_EQ(n.levelsPerPixel, 256.0 / 172);
  EXPECT_EQ(n.marker_x(255), 171 + 1);
  EXPECT_EQ(n.value_at(1 + 86), 128);
  EXPECT_EQ(n.strip_column(1, 511), 1 + 171);
  EXPECT_EQ(n.strip_column(1, 2), 1);  // several levels share a column: later ones overwrite
}

TEST(Geometry, ZonesAreTestedTopToBottomWithTheirMargins) {
  const Geometry g = unit_geometry();
  // Input zone reaches six pixels above its band: into the strip's bottom five rows.
  EXPECT_EQ(g.hit(100, 43), Zone::Input);
  EXPECT_EQ(g.hit(100, 47), Zone::Input);
  EXPECT_EQ(g.hit(100, 42), Zone::None);
  EXPECT_EQ(g.hit(100, 62), Zone::Input);
  EXPECT_EQ(g.hit(7, 50), Zone::Input);
  EXPECT_EQ(g.hit(6, 50), Zone::None);
  EXPECT_EQ(g.hit(275, 50), Zone::Input);
  EXPECT_EQ(g.hit(276, 50), Zone::None);
  // Output zone: nothing above its band (that is the strip), six pixels below.
  EXPECT_EQ(g.hit(100, 168), Zone::Strip);
  EXPECT_EQ(g.hit(100, 169), Zone::Output);
  EXPECT_EQ(g.hit(100, 182), Zone::Output);
  EXPECT_EQ(g.hit(100, 183), Zone::None);
  // Interval zone: six pixels above, nothing below.
  EXPECT_EQ(g.hit(100, 136), Zone::Interval);
  EXPECT_EQ(g.hit(100, 135), Zone::None);
  EXPECT_EQ(g.hit(100, 149), Zone::Interval);
  EXPECT_EQ(g.hit(100, 150), Zone::Strip);
  // Strip: edges inclusive; a press beside it in its rows is ignored.
  EXPECT_EQ(g.hit(12, 160), Zone::Strip);
  EXPECT_EQ(g.hit(270, 160), Zone::Strip);
  EXPECT_EQ(g.hit(271, 160), Zone::None);
  // Swatch: edges inclusive.
  EXPECT_EQ(g.hit(12, 70), Zone::Swatch);
  EXPECT_EQ(g.hit(48, 90), Zone::Swatch);
  EXPECT_EQ(g.hit(49, 90), Zone::None);
}

TEST(Markers, TiesAndCoincidentMarkers) {
  EXPECT_TRUE(choose_high_marker(100, 50, 150));   // exactly between: the high one
  EXPECT_FALSE(choose_high_marker(99, 50, 150));
  EXPECT_TRUE(choose_high_marker(101, 50, 150));
  EXPECT_FALSE(choose_high_marker(150, 200, 200));  // left of both: the low one
  EXPECT_TRUE(choose_high_marker(250, 200, 200));
  EXPECT_TRUE(choose_high_marker(200, 200, 200));
  EXPECT_FALSE(choose_high_marker(-5, 0, 255));
}

TEST(Markers, TriangleShapes) {
  Triangle t[4];
  ASSERT_EQ(marker_outlines(0, 20, 40, t), 4);
  EXPECT_EQ(t[0].apexX, 20); EXPECT_EQ(t[0].apexY, 40);
  EXPECT_EQ(t[0].rightX, 23); EXPECT_EQ(t[0].rightY, 47);
  EXPECT_EQ(t[0].leftX, 16); EXPECT_EQ(t[0].leftY, 47);
  EXPECT_EQ(t[3].apexY, 43); EXPECT_EQ(t[3].rightX, 20); EXPECT_EQ(t[3].leftX, 19); EXPECT_EQ(t[3].leftY, 44);
  ASSERT_EQ(marker_outlines(3, 20, 40, t), 1);
  ASSERT_EQ(marker_outlines(4, 20, 40, t), 4);
  EXPECT_EQ(t[0].apexY, 47); EXPECT_EQ(t[0].rightY, 40); EXPECT_EQ(t[0].leftX, 16);
  EXPECT_EQ(t[1].apexY, 46); EXPECT_EQ(t[1].rightX, 22); EXPECT_EQ(t[1].rightY, 41);
  ASSERT_EQ(marker_outlines(5, 20, 40, t), 1);
  EXPECT_EQ(marker_erase_rect(20, 40), (Rect{16, 40, 24, 48}));
}
