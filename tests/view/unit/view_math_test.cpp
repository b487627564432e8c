// The view's window-free arithmetic.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

#include <GL/glu.h>

#include "view/MouseDrag.h"
#include "view/ViewMath.h"

namespace vm = lib3d::viewmath;

TEST(ZoomSteps, SkipZeroAndMinusOneAndFollowTheTable) {
  vm::Zoom z = vm::zoom_for_level(-2);
  EXPECT_EQ(50, z.percent);
  EXPECT_EQ(2.0f, z.scale);
  z = vm::zoom_step(z.level, true);
  EXPECT_EQ(1, z.level);
  EXPECT_EQ(100, z.percent);
  z = vm::zoom_step(z.level, true);
  EXPECT_EQ(200, z.percent);
  EXPECT_EQ(0.5f, z.scale);
  z = vm::zoom_step(vm::zoom_step(z.level, false).level, false);
  EXPECT_EQ(-2, z.level);  // 1 - 1 = 0 is skipped
  z = vm::zoom_step(z.level, false);
  EXPECT_EQ(33, z.percent);
  EXPECT_EQ(3.0f, z.scale);
  EXPECT_EQ(25, vm::zoom_step(z.level, false).percent);
  EXPECT_FLOAT_EQ(1.0f / 3, vm::zoom_for_level(3).scale);
  // No overflow at the ends of the int range.
  EXPECT_EQ(INT_MAX, vm::zoom_step(INT_MAX, true).level);
  EXPECT_EQ(INT_MIN + 1, vm::zoom_step(INT_MIN + 1, false).level);
  EXPECT_GT(vm::zoom_step(INT_MIN + 1, false).scale, 0.0f);
}

TEST(LightRecord, DirectionAndStrengthsFromTheirWords) {
  std::int32_t w[15] = {};
  for (int i = 0; i < 15; ++i) w[i] = 999;  // words the view must not read
  w[3] = 0;
  w[4] = 0;
  w[6] = 30;
  w[7] = 70;
  w[8] = 20;
  vm::Light l = vm::light_from_record(w);
  EXPECT_FLOAT_EQ(0.0f, l.pos[0]);
  EXPECT_FLOAT_EQ(0.0f, l.pos[1]);
  EXPECT_FLOAT_EQ(1.0f, l.pos[2]);
  EXPECT_FLOAT_EQ(0.3f, l.ambient);
  EXPECT_FLOAT_EQ(0.7f, l.diffuse);
  EXPECT_FLOAT_EQ(0.2f, l.specular);
  w[3] = 90;  // elevation 90, azimuth 90: from the top of the screen
  w[4] = 90;
  l = vm::light_from_record(w);
  EXPECT_NEAR(0.0f, l.pos[0], 1e-7);
  EXPECT_FLOAT_EQ(1.0f, l.pos[1]);
  EXPECT_NEAR(0.0f, l.pos[2], 1e-7);
  w[3] = 0;
  l = vm::light_from_record(w);
  EXPECT_FLOAT_EQ(1.0f, l.pos[0]);  // azimuth 0: from the right
}

TEST(HeightRange, IgnoresNonFiniteCells) {
  const float nan = std::nanf(""), inf = INFINITY;
  std::vector<float> v = {nan, 3, -inf, -2, 7, inf, 7};
  vm::Range r = vm::finite_range(v.data(), v.size());
  EXPECT_EQ(-2.0f, r.min);
  EXPECT_EQ(7.0f, r.max);
  std::vector<float> none = {nan, inf};
  r = vm::finite_range(none.data(), none.size());
  EXPECT_EQ(0.0f, r.min);
  EXPECT_EQ(0.0f, r.max);
  r = vm::finite_range(nullptr, 0);
  EXPECT_EQ(0.0f, r.max);
  EXPECT_EQ(-2.0f, vm::drawn_height(nan, -2.0f));
  EXPECT_EQ(5.0f, vm::drawn_height(5.0f, -2.0f));
}

TEST(PaletteIndex, MapsRangeOntoEntriesAndStaysInside) {
  EXPECT_EQ(0u, vm::palette_index(10, 10, 20, 256));
  EXPECT_EQ(255u, vm::palette_index(20, 10, 20, 256));
  EXPECT_EQ(127u, vm::palette_index(15, 10, 20, 256));  // 0.5 * 255 = 127.5 truncated
  EXPECT_EQ(0u, vm::palette_index(19, 10, 20, 1));      // one entry colours everything
  // Flat relief, non-finite heights, heights outside the range, a range that overflows float.
  EXPECT_EQ(0u, vm::palette_index(5, 5, 5, 256));
  EXPECT_EQ(0u, vm::palette_index(std::nanf(""), 0, 1, 256));
  EXPECT_EQ(0u, vm::palette_index(INFINITY, 0, 1, 256));
  EXPECT_EQ(0u, vm::palette_index(-3, 0, 1, 256));
  EXPECT_EQ(255u, vm::palette_index(3, 0, 1, 256));
  EXPECT_LT(vm::palette_index(3e38f, -3e38f, 3e38f, 256), 256u);
  EXPECT_EQ(0u, vm::palette_index(1, 0, 1, 0));
}

TEST(Marker, RgbOnlyForBlackWhiteOrEmptyFirstEntry) {
  const std::uint32_t white = 0xFFFFFF, black = 0, grey = 0x808080, white_with_top = 0xFF000000u | 0xFFFFFF;
  EXPECT_TRUE(vm::marker_is_rgb(&white, 1));
  EXPECT_TRUE(vm::marker_is_rgb(&black, 1));
  EXPECT_FALSE(vm::marker_is_rgb(&grey, 1));
  EXPECT_FALSE(vm::marker_is_rgb(&white_with_top, 1));  // compared as a whole word
  EXPECT_TRUE(vm::marker_is_rgb(nullptr, 0));
}

TEST(ModelTransform, ScalesStayFiniteForDegenerateGrids) {
  EXPECT_DOUBLE_EQ(4.0 / 3, vm::aspect_of(400, 300));
  EXPECT_EQ(1.0, vm::aspect_of(400, 0));
  EXPECT_FLOAT_EQ(0.5f, vm::model_scale_xy(3, 2));
  EXPECT_EQ(1.0f, vm::model_scale_xy(1, 1));
  EXPECT_EQ(1.0f, vm::model_scale_xy(0, 0));
  EXPECT_FLOAT_EQ(0.1f, vm::model_scale_z(1.0f, 10, 20));
  EXPECT_EQ(2.0f, vm::model_scale_z(2.0f, 5, 5));
  EXPECT_TRUE(std::isfinite(vm::model_scale_z(1.0f, 0, 1e-44f)));  // denormal range
}

// Un-projecting with the picking matrix gives the grid column and row drawn at a window point,
// whatever the tilt (but 90) and azimuth.
TEST(Picking, UnprojectGivesGridCoordinates) {
  const vm::Grid grid{5, 4, -3.0f, 9.0f, 1.7f};
  for (float tilt : {0.0f, 30.0f, 120.0f, 180.0f})
    for (float az : {0.0f, 45.0f, -200.0f}) {
      const vm::Camera cam{0.1f, -0.2f, tilt, az};
      const auto mv = vm::picking_modelview(cam, grid);
      EXPECT_EQ(0.0, mv[8]);
      const auto pr = vm::ortho_projection(2.0f, 4.0 / 3);
      const GLint vp[4] = {0, 0, 400, 300};
      // Project a grid point at the top height with the unedited transform, then unproject.
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
  const GLint vp[4] = {0, 0, 0, 0};
  double ox, oy, oz;
  EXPECT_EQ(GL_FALSE, gluUnProject(50, 50, 0, zero.data(), zero.data(), vp, &ox, &oy, &oz));
}

TEST(Picking, CandidateRoundingAndRange) {
  std::size_t i = 99;
  EXPECT_TRUE(vm::pick_index(-1.2, 5, i));
  EXPECT_EQ(0u, i);
  EXPECT_TRUE(vm::pick_index(0.49, 5, i));
  EXPECT_EQ(0u, i);
  EXPECT_TRUE(vm::pick_index(0.5, 5, i));
  EXPECT_EQ(1u, i);
  EXPECT_TRUE(vm::pick_index(3.6, 5, i));
  EXPECT_EQ(4u, i);
  i = 7;
  EXPECT_FALSE(vm::pick_index(-1.6, 5, i));
  EXPECT_FALSE(vm::pick_index(4.8, 5, i));  // width - 0.2
  EXPECT_FALSE(vm::pick_index(std::nan(""), 5, i));
  EXPECT_FALSE(vm::pick_index(1e300, 5, i));
  EXPECT_FALSE(vm::pick_index(-1e300, 5, i));
  EXPECT_FALSE(vm::pick_index(0.0, 0, i));
  EXPECT_EQ(7u, i);
}

TEST(Drag, MapsOffsetsFromThePressPoint) {
  double gx = 0, gy = 0;
  int calls = 0;
  lib3d::MouseDrag d(100, 50, vm::LinearMap{0.5, 45.0}, vm::LinearMap{-0.5, 45.0});
  d.move(120, 80);  // no target yet: nothing happens
  d.set_target([&](double x, double y) {
    gx = x;
    gy = y;
    ++calls;
  });
  d.move(120, 80);
  EXPECT_EQ(55.0, gx);
  EXPECT_EQ(30.0, gy);
  d.move(100, 50);
  EXPECT_EQ(45.0, gx);
  EXPECT_EQ(2, calls);
  d.move(INT_MAX, INT_MIN);  // offsets beyond int stay exact
  EXPECT_EQ(45.0 + 0.5 * (double(INT_MAX) - 100), gx);
}
