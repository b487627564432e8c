// The picture a window presents (read from the X server) against the same state drawn offscreen,
// and the still picture after a coarse drag against one never dragged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "tests/support/ShownView.h"
#include "view/OffscreenRender.h"

namespace {

constexpr int kW = 400, kH = 300;

std::vector<std::uint32_t> Ramp() {
  std::vector<std::uint32_t> p(256);
  for (unsigned i = 0; i < 256; ++i) p[i] = i | (255 - i) << 8 | (i / 2) << 16;
  return p;
}

std::vector<float> Terrain(int w, int h) {
  std::vector<float> m(static_cast<std::size_t>(w) * h);
  for (std::size_t i = 0; i < m.size(); ++i)
    m[i] = 40.0f * std::sin(int(i % w) * 0.21f) * std::cos(int(i / w) * 0.17f) + 0.5f * int(i % w);
  return m;
}

// Pixels of a kW x kH picture `a` unlike those of `b`, or unlike b's first when `step` is 0.
int Unlike(const unsigned char* a, const unsigned char* b, int step) {
  int n = 0;
  for (int i = 0; i < kW * kH * 3; i += 3) n += !std::equal(a + i, a + i + 3, b + i / 3 * step);
  return n;
}

class ViewMatch : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(win.view->IsShownOnScreen());
    view->set_palette(Ramp());
  }
  // Pixels where the frame a window presents differs from its view's state drawn offscreen (the
  // window's context is current on this thread meanwhile); -1 when either is missing or the frame
  // shows no relief to compare (a twentieth of its pixels or fewer unlike the first).
  static int Mismatch(const r3dtest::ShownView& w) {
    lib3d::Picture p;
    std::string error;
    EXPECT_TRUE(lib3d::render_offscreen(w.view->scene(), kW, kH, p, error)) << error;
    const wxImage shown = w.Presented();
    if (!shown.IsOk() || p.rgb.size() != kW * kH * 3u || Unlike(shown.GetData(), shown.GetData(), 0) <= kW * kH / 20)
      return -1;
    return Unlike(p.rgb.data(), shown.GetData(), 3);
  }
  r3dtest::ShownView win{kW, kH};
  lib3d::View* view = win.view;
};

// Zoom, pan, height scale, light and background are matched by the batch picture test; here the
// states it cannot reach: straight down, and a cursor over a colour matrix.
TEST_F(ViewMatch, WindowAndOffscreenDrawTheSamePixels) {
  const std::vector<float> relief = Terrain(60, 40);
  std::vector<std::uint32_t> checker(relief.size());
  for (std::size_t i = 0; i < checker.size(); ++i) checker[i] = (i / 3 + i / 180) % 2 ? 0x30C0F0 : 0x802010;
  view->set_matrix(relief, 60, 40);
  view->set_rotation(0, 0);
  EXPECT_EQ(0, Mismatch(win)) << "palette, straight down";
  view->set_rotation(60, 30);
  view->set_color_matrix(checker);  // shown with the next paint, which the cursor brings
  view->set_cursor(10, 20);
  EXPECT_EQ(0, Mismatch(win)) << "turned, colour matrix, cursor";
}

TEST_F(ViewMatch, StillPictureAfterACoarseDragEqualsOneNeverDragged) {
  view->renderer().set_frame_budget_ms(0.0);  // every grid counts as slow to paint
  view->set_matrix(Terrain(120, 90), 120, 90);
  win.Mouse({{wxEVT_RIGHT_DOWN, 200, 150}, {wxEVT_MOTION, 230, 130}});
  EXPECT_GE(view->renderer().coarse_step(), 2u);
  EXPECT_GT(Mismatch(win), 0);  // the coarse surface is what shows
  win.Mouse({{wxEVT_MOTION, 260, 100}, {wxEVT_RIGHT_UP, 260, 100}});
  EXPECT_EQ(0, Mismatch(win));
  // Switched off, a drag shows the full surface all along.
  view->set_coarse_drags(false);
  win.Mouse({{wxEVT_RIGHT_DOWN, 260, 100}, {wxEVT_MOTION, 200, 160}});
  EXPECT_EQ(0, Mismatch(win));
  win.Mouse({{wxEVT_RIGHT_UP, 200, 160}});
}

// A view set up while hidden (as the viewer's frame does before it first shows) presents, once shown,
// the picture of its state; made with a relief, it keeps it until given another, and the height under
// a cursor set while hidden is stored although nothing was drawn. The frame's close: the surface goes
// while hidden and a palette then compiles nothing.
TEST_F(ViewMatch, SetupWhileHiddenDrawsAsIfShownFromTheStart) {
  r3dtest::ShownView hidden(kW, kH, false, {1, 2, 3, 4}, 2, 2);
  lib3d::View* v = hidden.view;
  EXPECT_EQ(2u, v->get_width());
  float height = -1;
  v->set_cursor_notify([&](std::size_t, std::size_t) { height = v->cursor_height(); });
  const std::vector<float> relief = Terrain(20, 15);
  v->set_rotation(30, 20);
  v->set_palette(Ramp());
  v->set_matrix(relief, 20, 15);
  v->set_bgColor(0x105010);
  v->set_cursor(3, 4);
  EXPECT_EQ(relief[4 * 20 + 3], height);
  EXPECT_TRUE(v->has_surface());
  ASSERT_TRUE(hidden.Show());
  ASSERT_TRUE(r3dtest::WaitFor([&] { return v->read_last_frame().IsOk(); }));
  EXPECT_EQ(0, Mismatch(hidden));
  hidden.frame->Hide();
  v->delete_surface();
  v->set_palette(Ramp());
  EXPECT_FALSE(v->has_surface());
}

}  // namespace
