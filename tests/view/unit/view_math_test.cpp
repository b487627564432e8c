// The view's window-free arithmetic.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <vector>

#include <GL/glu.h>

#include "view/MouseDrag.h"
#include "view/ViewMath.h"

namespace vm = lib3d::viewmath;

TEST(ZoomSteps, SkipZeroAndMinusOneAndNeverOverflow) {
  // From the start level in and out: 0 and -1 are skipped, the visible height follows the percent.
  const struct { int from; bool in; int level, percent; float scale; } steps[] = {
      {-2, true, 1, 100, 1.0f}, {1, true, 2, 200, 0.5f},   {1, false, -2, 50, 2.0f},
      {-2, false, -3, 33, 3.0f}, {-3, false, -4, 25, 4.0f}, {2, true, 3, 300, 1.0f / 3},
      {INT_MAX, true, INT_MAX, -1, -1}, {INT_MIN + 1, false, INT_MIN + 1, -1, -1}};
  for (const auto& s : steps) {
    const vm::Zoom z = vm::zoom_step(s.from, s.in);
    EXPECT_EQ(s.level, z.level) << s.from;
    EXPECT_GT(z.scale, 0.0f) << s.from;
    if (s.percent < 0) continue;  // the ends of the int range: only no overflow matters
    EXPECT_EQ(s.percent, z.percent) << s.from;
    EXPECT_FLOAT_EQ(s.scale, z.scale) << s.from;
  }
}

// The direction for each angle pair is checked through the tool window's light; here the strengths
// and that no other word is read.
TEST(LightRecord, StrengthsFromTheirWordsAndNothingElse) {
  std::int32_t w[15];
  for (auto& x : w) x = 999;
  w[3] = 0, w[4] = 0, w[6] = 30, w[7] = 70, w[8] = 20;
  const vm::Light l = vm::light_from_record(w);
  EXPECT_FLOAT_EQ(1.0f, l.pos[2]);
  EXPECT_FLOAT_EQ(0.3f, l.ambient);
  EXPECT_FLOAT_EQ(0.7f, l.diffuse);
  EXPECT_FLOAT_EQ(0.2f, l.specular);
}

TEST(HeightRange, IgnoresNonFiniteCells) {
  const float nan = std::nanf(""), inf = INFINITY;
  const std::vector<float> v = {nan, 3, -inf, -2, 7, inf, 7}, none = {nan, inf};
  EXPECT_EQ(-2.0f, vm::finite_range(v.data(), v.size()).min);
  EXPECT_EQ(7.0f, vm::finite_range(v.data(), v.size()).max);
  EXPECT_EQ(0.0f, vm::finite_range(none.data(), none.size()).min);
  EXPECT_EQ(0.0f, vm::finite_range(none.data(), none.size()).max);
  EXPECT_EQ(0.0f, vm::finite_range(nullptr, 0).max);
  EXPECT_EQ(-2.0f, vm::drawn_height(nan, -2.0f));
  EXPECT_EQ(5.0f, vm::drawn_height(5.0f, -2.0f));
}

TEST(PaletteIndex, MapsRangeOntoEntriesAndStaysInside) {
  // Ends, a truncated middle (0.5 * 255 = 127.5), one entry, a flat relief, non-finite heights,
  // heights outside the range, no entries.
  const struct { float h, lo, hi; std::size_t n, want; } rows[] = {
      {10, 10, 20, 256, 0}, {20, 10, 20, 256, 255}, {15, 10, 20, 256, 127}, {19, 10, 20, 1, 0},
      {5, 5, 5, 256, 0},    {std::nanf(""), 0, 1, 256, 0}, {INFINITY, 0, 1, 256, 0},
      {-3, 0, 1, 256, 0},   {3, 0, 1, 256, 255},  {1, 0, 1, 0, 0}};
  for (const auto& r : rows) EXPECT_EQ(r.want, vm::palette_index(r.h, r.lo, r.hi, r.n)) << r.h << " in " << r.lo << ".." << r.hi;
  EXPECT_LT(vm::palette_index(3e38f, -3e38f, 3e38f, 256), 256u);  // a range that overflows float
}

TEST(Marker, RgbOnlyForBlackWhiteOrEmptyFirstEntry) {
  const std::uint32_t words[] = {0xFFFFFF, 0, 0x808080, 0xFFFFFFFFu};  // the last compared as a whole word
  const bool want[] = {true, true, false, false};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(want[i], vm::marker_is_rgb(&words[i], 1)) << std::hex << words[i];
  EXPECT_TRUE(vm::marker_is_rgb(nullptr, 0));
}

TEST(ModelTransform, ScalesStayFiniteForDegenerateGrids) {
  EXPECT_DOUBLE_EQ(4.0 / 3, vm::aspect_of(400, 300));
  EXPECT_EQ(1.0, vm::aspect_of(400, 0));
  EXPECT_FLOAT_EQ(0.5f, vm::model_scale_xy(3, 2));
  EXPECT_EQ(1.0f, vm::model_scale_xy(0, 0));
  EXPECT_FLOAT_EQ(0.1f, vm::model_scale_z(1.0f, 10, 20));
  EXPECT_EQ(2.0f, vm::model_scale_z(2.0f, 5, 5));
  EXPECT_TRUE(std::isfinite(vm::model_scale_z(1.0f, 0, 1e-44f)));  // denormal range
}

// Un-projecting with the picking matrix gives the grid column and row drawn at a window point,
// whatever the tilt (but 90) and azimuth.
TEST(Picking, UnprojectGivesGridCoordinates) {
  const vm::Grid grid{5, 4, -3.0f, 9.0f, 1.7f};
  const auto pr = vm::ortho_projection(2.0f, 4.0 / 3);
  const GLint vp[4] = {0, 0, 400, 300};
  for (float tilt : {0.0f, 30.0f, 120.0f, 180.0f})
    for (float az : {0.0f, 45.0f, -200.0f}) {
      const auto mv = vm::picking_modelview(vm::Camera{0.1f, -0.2f, tilt, az}, grid);
      for (double col : {0.0, 2.0, 4.0})
        for (double row : {0.0, 3.0}) {
          double wx, wy, wz, ox, oy, oz;
          ASSERT_EQ(GL_TRUE, gluProject(col, row, 0.0, mv.data(), pr.data(), vp, &wx, &wy, &wz));
          ASSERT_EQ(GL_TRUE, gluUnProject(wx, wy, 0.0, mv.data(), pr.data(), vp, &ox, &oy, &oz));
          EXPECT_NEAR(col, ox, 1e-3) << tilt << " " << az;
          EXPECT_NEAR(row, oy, 1e-3) << tilt << " " << az;
        }
    }
  // Before any paint the saved matrices are zero: un-projection fails instead of inventing a cell.
  const std::array<double, 16> zero{};
  const GLint none[4] = {0, 0, 0, 0};
  double ox, oy, oz;
  EXPECT_EQ(GL_FALSE, gluUnProject(50, 50, 0, zero.data(), zero.data(), none, &ox, &oy, &oz));
}

TEST(Picking, CandidateRoundingAndRange) {
  // Within half a cell beyond the first centre a pick still lands; beyond, or past width - 0.5, it
  // is refused and leaves the index alone.
  const struct { double at; std::size_t width; bool ok; std::size_t want; } rows[] = {
      {-1.2, 5, true, 0}, {0.49, 5, true, 0}, {0.5, 5, true, 1}, {3.6, 5, true, 4},
      {-1.6, 5, false, 7}, {4.8, 5, false, 7}, {std::nan(""), 5, false, 7}, {1e300, 5, false, 7},
      {-1e300, 5, false, 7}, {0.0, 0, false, 7}};
  for (const auto& r : rows) {
    std::size_t i = 7;
    EXPECT_EQ(r.ok, vm::pick_index(r.at, r.width, i)) << r.at;
    EXPECT_EQ(r.want, i) << r.at;
  }
}

TEST(Drag, MapsOffsetsFromThePressPoint) {
  double gx = 0, gy = 0;
  int calls = 0;
  lib3d::MouseDrag d(100, 50, vm::LinearMap{0.5, 45.0}, vm::LinearMap{-0.5, 45.0});
  d.move(120, 80);  // no target yet: nothing happens
  d.set_target([&](double x, double y) { gx = x, gy = y, ++calls; });
  d.move(120, 80);
  EXPECT_EQ(55.0, gx);
  EXPECT_EQ(30.0, gy);
  d.move(100, 50);
  EXPECT_EQ(45.0, gx);
  EXPECT_EQ(2, calls);
  d.move(INT_MAX, INT_MIN);  // offsets beyond int stay exact
  EXPECT_EQ(45.0 + 0.5 * (double(INT_MAX) - 100), gx);
}
